#include "objects/sprites/Anchored.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/Numeric.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <cmath>
#include <cstdlib>

DS_REGISTER_OBJECT_READER(DS_GrassConstructor);
DS_REGISTER_OBJECT_READER(DS_StatObjConstructor);
DS_REGISTER_OBJECT_READER(DS_FlowerConstructor);
DS_REGISTER_OBJECT_READER(DS_DischargeConstructor);

namespace {

constexpr float kRandMax = 32767.0f;
constexpr float kPi = 3.1415927f;
constexpr float kMaxLeanDegrees = 89.0f;

float UnitDraw() { return float(rand()) / kRandMax; }

D3DCOLOR FadedByColourTimeLine(DS_BaseSpriteProp& d, D3DCOLOR color) {
  // These systems slow their clock with the time line (FADE TARGET 2) rather than fade.
  if (d.TimeLine().m_FadeTarget.Get() == DS_TimeLineControl::kFadeColorAlpha) {
    return d.DS_BaseSpriteProp::ApplyTimeLineAlpha(color);
  }
  return color;
}

}  // namespace

float SwayLean(float degrees) {
  if (std::isnan(degrees)) degrees = 0.0f;
  // At 90 degrees the blade would lie flat: 1 / tan 0 is infinite.
  if (degrees > kMaxLeanDegrees) degrees = kMaxLeanDegrees;
  if (degrees < -kMaxLeanDegrees) degrees = -kMaxLeanDegrees;
  return 1.0f / std::tan((180.0f - (degrees + 90.0f)) * 2.0f * kPi / 360.0f);
}

// ---------------------------------------------------------------------------------------
// Grass

DS_GrassConstructor::DS_GrassConstructor() {
  m_TimeLine->m_FadeTarget.StoreWithSnapshot(DS_TimeLineControl::kFadeClock);
}

void DS_GrassConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_GrassConstructor", kVersion);
  archive.WriteFloat(m_Sway);
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_GrassConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  archive.ReadFloat(m_Sway);
  DS_BaseSpriteProp::ReadPart(archive);
}

void DS_GrassConstructor::InitSprite(DS_SpriteState& s) {
  const float left = LeftPixels();
  const float x = left + UnitDraw() * (RightPixels() - left);
  s.position.x = x;
  s.position.y = BottomPixels() - s.halfHeight;  // standing on the area's bottom edge
  RootX(s) = x;
  SwayOffset(s) = UnitDraw() * 1.5707964f;
  // Half the blades are mirrored.
  s.rightAxis = D3DXVECTOR3((rand() & 1) ? -1.0f : 1.0f, 0.0f, 0.0f);
}

void DS_GrassConstructor::UpdateSprite(DS_SpriteState& s) {
  // The wave runs once across the picture; a picture of width 0 has no wave.
  const float width = PictureWidth();
  const float across = width != 0.0f ? s.position.x / width * 2.0f * kPi : 0.0f;
  const float d = std::sin(AccumulatedTime() + SwayOffset(s) + across);
  const float t = SwayLean(d * m_Sway);
  s.upAxis = D3DXVECTOR3(t, 1.0f, 0.0f);
  // The blade's bottom centre stays at its root while its top leans.
  s.position.x = RootX(s) - t * s.halfHeight;
}

D3DCOLOR DS_GrassConstructor::ApplyTimeLineAlpha(D3DCOLOR color) { return FadedByColourTimeLine(*this, color); }

// ---------------------------------------------------------------------------------------
// Stat-obj

DS_StatObjConstructor::DS_StatObjConstructor() { D3DXMatrixIdentity(&m_RotationMatrix); }

DS_ABObj* DS_StatObjConstructor::CreateRuntimeObject() {
  // A description read from a document is placed; a new one starts at the picture's middle.
  if (!m_Flag) {
    m_Bounds.extra1.Store(int(g_ScreenLayout.pictureWidth / 2));
    m_Bounds.extra2.Store(int(g_ScreenLayout.pictureHeight / 2));
    m_Flag = true;
  }
  return DS_ParticleSystemCtrl::CreateRuntimeObject();
}

QuadVertices& DS_StatObjConstructor::GetScreenQuad(QuadVertices& out) {
  out = QuadVertices();
  out.SetRect(float(m_Bounds.left.Get()), float(m_Bounds.top.Get()), float(m_Bounds.right.Get()),
              float(m_Bounds.bottom.Get()));
  return out;
}

bool DS_StatObjConstructor::HitTest(float x, float y) { return m_Bounds.ContainsScreenPoint(x, y); }

void DS_StatObjConstructor::PlaceSprite(DS_SpriteState& s) {
  s.position.x = CentreX();
  s.position.y = CentreY();
  s.UpdateHalfSize(m_SpriteSize.Get());
  SpriteColor(s);
  D3DXMatrixRotationZ(&m_RotationMatrix, -float(m_Rotation.Get()) * kPi / 180.0f);
  const D3DXVECTOR3 right(1.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&s.rightAxis, &right, &m_RotationMatrix);
  D3DXVec3TransformCoord(&s.upAxis, &up, &m_RotationMatrix);
  UpdateBounds(s);
}

void DS_StatObjConstructor::UpdateBounds(const DS_SpriteState& s) {
  const D3DXVECTOR3& r = s.rightAxis;
  const D3DXVECTOR3& u = s.upAxis;
  const float x = s.position.x;
  const float y = s.position.y;
  const float hw = s.halfWidth;
  const float hh = s.halfHeight;
  m_Bounds.left.StoreWithSnapshot(SaturateToInt(x - std::fabs(r.x * hw) - std::fabs(u.x * hh)));
  m_Bounds.right.StoreWithSnapshot(SaturateToInt(x + std::fabs(r.x * hw) + std::fabs(u.x * hh)));
  m_Bounds.top.StoreWithSnapshot(SaturateToInt(y - std::fabs(u.y * hh) - std::fabs(r.y * hw)));
  m_Bounds.bottom.StoreWithSnapshot(SaturateToInt(y + std::fabs(r.y * hw) + std::fabs(u.y * hh)));
}

bool DS_StatObjConstructor::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_StatObjConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  m_Bounds.Read(archive);
  int rotation = int(m_Rotation.Get());
  archive.ReadInt(rotation);
  m_Rotation.Store(unsigned(rotation));
  if (version < 2) {
    long flip = m_FlipVertical.Get();
    archive.ReadLong(flip);
    m_FlipVertical.Store(int(flip));
    flip = m_FlipHorizontal.Get();
    archive.ReadLong(flip);
    m_FlipHorizontal.Store(int(flip));
  }
  DS_BaseSpriteProp::ReadPart(archive);
}

void DS_StatObjConstructor::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_StatObjConstructor", kVersion);
  m_Bounds.Write(archive);
  archive.WriteInt(int(m_Rotation.Get()));
  DS_BaseSpriteProp::WritePart(archive);
}

// ---------------------------------------------------------------------------------------
// Flower

DS_FlowerConstructor::DS_FlowerConstructor() {
  m_TimeLine->m_FadeTarget.StoreWithSnapshot(DS_TimeLineControl::kFadeClock);
}

void DS_FlowerConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FlowerConstructor", kVersion);
  archive.WriteFloat(m_Sway);
  DS_StatObjConstructor::WritePart(archive);
}

void DS_FlowerConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  archive.ReadFloat(m_Sway);
  DS_StatObjConstructor::ReadPart(archive);
}

void DS_FlowerConstructor::UpdateSprite(DS_SpriteState& s) {
  // The animation clock, not the object time: the sway follows the animation speed.
  const float d = std::sin(m_AnimationSpeed.Time() + s.velocity.y);
  const float t = SwayLean(d * m_Sway);
  const D3DXVECTOR3 lean(t, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&s.upAxis, &lean, &m_RotationMatrix);
  // The bottom centre of the turned picture stays where PlaceSprite put it.
  const D3DXVECTOR3& r = s.rightAxis;
  s.position.x = CentreX() - r.x * s.halfHeight * t;
  s.position.y = CentreY() - t * s.halfHeight * r.y;
}

D3DCOLOR DS_FlowerConstructor::ApplyTimeLineAlpha(D3DCOLOR color) { return FadedByColourTimeLine(*this, color); }

// ---------------------------------------------------------------------------------------
// Discharge

void DS_DischargeConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_DischargeConstructor", kVersion);
  DS_StatObjConstructor::WritePart(archive);
}

void DS_DischargeConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) { DS_StatObjConstructor::ReadPart(archive); }

unsigned DS_DischargeConstructor::NextFrame(unsigned index) {
  const unsigned frames = UsableFrameCount(m_FrameCount);
  // One frame has no other to switch to: drawing until one differs would never end.
  if (frames < 2) return 0;
  unsigned r;
  do {
    r = unsigned(rand()) % frames;
  } while (r == index);
  return r;
}
