#include "objects/DS_ViewObjCtrl.h"

#include "core/params/Numeric.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"
#include "objects/sprites/SpriteGeometry.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr float kRandMax = 32767.0f;

// The edge in whole pixels: the product is rounded to a float before it is truncated
// (1439/1440 x 1440 must give 1439, not 1438).
int EdgePixels(float normalised, float size) {
  const float product = normalised * size;
  return SaturateToInt(double(product));
}

void StoreEdge(MediaParamT<int>& edge, int pixels) {
  // The setter notifies every listener (no sender excluded) only when the value differs.
  edge.Set(pixels, nullptr);
}

}  // namespace

DS_ViewObjCtrl::DS_ViewObjCtrl() : DS_ABObj_Constructor() { BindRectangle(); }

DS_ViewObjCtrl::DS_ViewObjCtrl(const DS_ViewObjCtrl& other)
    : DS_ABObj_Constructor(other), m_Rect(), m_Speed(), m_ViewFlag(other.m_ViewFlag),
      m_NormLeft(other.m_NormLeft), m_NormRight(other.m_NormRight), m_NormTop(other.m_NormTop),
      m_NormBottom(other.m_NormBottom) {
  m_Speed.StoreWithSnapshot(other.m_Speed.Get());
  BindRectangle();
}

DS_ViewObjCtrl::~DS_ViewObjCtrl() = default;

void DS_ViewObjCtrl::BindRectangle() {
  ApplyScreenSize();
  m_EdgeBinder.SetTarget(this, false);
  AttachEdgeListener(&DS_ViewObjCtrl::OnLeftChanged, m_Rect.left);
  AttachEdgeListener(&DS_ViewObjCtrl::OnRightChanged, m_Rect.right);
  AttachEdgeListener(&DS_ViewObjCtrl::OnTopChanged, m_Rect.top);
  AttachEdgeListener(&DS_ViewObjCtrl::OnBottomChanged, m_Rect.bottom);
}

void DS_ViewObjCtrl::AttachEdgeListener(void (DS_ViewObjCtrl::*function)(int), MediaParamT<int>& edge) {
  auto* listener = new DS_FunLightCtrl<int, DS_ViewObjCtrl>(&edge, function, this);
  listener->OnChanged(nullptr);
  m_EdgeBinder.Add(listener);
}

void DS_ViewObjCtrl::ApplyScreenSize() {
  const float w = PictureWidth();
  const float h = PictureHeight();
  // A layer that has never been sized has no picture to measure against; the normalised
  // edges stay the master copy until it is.
  if (w <= 0.0f || h <= 0.0f) return;
  StoreEdge(m_Rect.left, EdgePixels(m_NormLeft, w));
  StoreEdge(m_Rect.right, EdgePixels(m_NormRight, w));
  StoreEdge(m_Rect.top, EdgePixels(m_NormTop, h));
  StoreEdge(m_Rect.bottom, EdgePixels(m_NormBottom, h));
}

// A zero picture size would divide by zero and leave edges that are not finite.
void DS_ViewObjCtrl::OnLeftChanged(int pixels) {
  const float w = PictureWidth();
  if (w > 0.0f) m_NormLeft = float(pixels) / w;
}

void DS_ViewObjCtrl::OnRightChanged(int pixels) {
  const float w = PictureWidth();
  if (w > 0.0f) m_NormRight = float(pixels) / w;
}

void DS_ViewObjCtrl::OnTopChanged(int pixels) {
  const float h = PictureHeight();
  if (h > 0.0f) m_NormTop = float(pixels) / h;
}

void DS_ViewObjCtrl::OnBottomChanged(int pixels) {
  const float h = PictureHeight();
  if (h > 0.0f) m_NormBottom = float(pixels) / h;
}

D3DXVECTOR3 DS_ViewObjCtrl::RandomPoint() const {
  const float left = LeftPixels();
  const float right = RightPixels();
  const float top = TopPixels();
  const float bottom = BottomPixels();
  // Stored documents rely on x being drawn before y.
  const float r1 = float(rand()) / kRandMax;
  const float x = left + r1 * (right - left);
  const float r2 = float(rand()) / kRandMax;
  const float y = top + r2 * (bottom - top);
  return D3DXVECTOR3(x, y, 0.0f);
}

D3DXVECTOR3 DS_ViewObjCtrl::RandomPointInside(const DS_SpriteState& sprite) const {
  const float hw = sprite.halfWidth;
  const float hh = sprite.halfHeight;
  const float x = RandomFloat(LeftPixels() + hw, RightPixels() - hw);
  const float y = RandomFloat(TopPixels() + hh, BottomPixels() - hh);
  return D3DXVECTOR3(x, y, 0.0f);
}

void DS_ViewObjCtrl::UpdateTiming(float t) {
  const float raw = std::fabs(t - m_LastTime);
  m_ShortStep = raw > 0.1f ? 0.1f : raw;
  const float step = raw > 0.2f ? 0.2f : raw;
  m_FrameStep = step * (float(m_Speed.Get()) * 0.02f);
  m_AccumulatedTime += m_FrameStep;
  m_LastTime = t;
}

QuadVertices& DS_ViewObjCtrl::GetScreenQuad(QuadVertices& out) {
  out = QuadVertices();
  const float left = LeftPixels();
  const float right = RightPixels();
  const float top = TopPixels();
  const float bottom = BottomPixels();
  out[0].x = left;
  out[0].y = bottom;
  out[1].x = left;
  out[1].y = top;
  out[2].x = right;
  out[2].y = bottom;
  out[3].x = right;
  out[3].y = top;
  return out;
}

void DS_ViewObjCtrl::Reset() {
  DS_ABObj_Constructor::Reset();
  m_FrameStep = 0.0f;
  m_ShortStep = 0.0f;
  m_LastTime = 0.0f;
  m_AccumulatedTime = 0.0f;
}

bool DS_ViewObjCtrl::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_ViewObjCtrl::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  m_Rect.Read(archive);
  archive.ReadFloat(m_NormLeft);
  archive.ReadFloat(m_NormRight);
  archive.ReadFloat(m_NormTop);
  archive.ReadFloat(m_NormBottom);
  unsigned char flag = m_ViewFlag ? 1 : 0;
  archive.ReadByte(flag);
  m_ViewFlag = flag != 0;
  // Version-1 records keep the speed elsewhere (the sprite part of old documents).
  if (version > 1) {
    int speed = int(m_Speed.Get());
    archive.ReadInt(speed);
    m_Speed.Store(unsigned(speed));
  }
  DS_ABObj_Constructor::ReadPart(archive);
}

void DS_ViewObjCtrl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_ViewObjCtrl");
  archive.WriteUInt(kVersion);
  WriteFields(archive);
}

void DS_ViewObjCtrl::WriteFields(DS_IOF_Virtual& archive) {
  m_Rect.Write(archive);
  archive.WriteFloat(m_NormLeft);
  archive.WriteFloat(m_NormRight);
  archive.WriteFloat(m_NormTop);
  archive.WriteFloat(m_NormBottom);
  const unsigned char flag = m_ViewFlag ? 1 : 0;
  archive.WriteByte(flag);
  const int speed = int(m_Speed.Get());
  archive.WriteInt(speed);
  // Unlike most bases, the base part comes last.
  DS_ABObj_Constructor::WritePart(archive);
}
