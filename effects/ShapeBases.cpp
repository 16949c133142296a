#include "effects/ShapeBases.h"

#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <cmath>

namespace {

// 1 / length of (x, y), or 0 for a zero vector.
float InverseLength(float x, float y) {
  const float length = std::sqrt(x * x + y * y);
  return length > 0.0f ? 1.0f / length : 0.0f;
}

}  // namespace

void StagePictureSize(float* width, float* height) {
  *width = NonZeroDivisor(g_StageView ? g_StageView->pictureWidth : 0.0f);
  *height = NonZeroDivisor(g_StageView ? g_StageView->pictureHeight : 0.0f);
}

// ---------------------------------------------------------------------------------------
// Direction

DS_DirectionBased::DS_DirectionBased() : m_Amount(0u, 1.0f, 0.0f) {
  Bind();
  ComputeDirection();
}

DS_DirectionBased::DS_DirectionBased(const DS_DirectionBased& other)
    : DS_FX_Constructor(other), m_Amount(other.m_Amount), m_Angle(other.m_Angle) {
  Bind();
  ComputeDirection();
}

void DS_DirectionBased::Bind() {
  m_Binder.Add(new DS_FunLightCtrl2<DS_DirectionBased>(&m_Angle, &DS_DirectionBased::ComputeDirection, this));
}

void DS_DirectionBased::ComputeDirection() {
  m_Direction = TurnedToScreenAngle(D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f), m_Angle.Get());
}

void DS_DirectionBased::WriteDirectionPart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_DirectionBased", 1);
  WriteStoredInt(archive, m_Amount.Get());
  WriteStoredInt(archive, m_Angle.Get());
  DS_FX_Constructor::WritePart(archive);
}

void DS_DirectionBased::ReadDirectionPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  ReadStoredInt(archive, m_Amount, true);
  ReadStoredInt(archive, m_Angle);
  DS_FX_Constructor::ReadPart(archive);
}

// ---------------------------------------------------------------------------------------
// Centre

DS_CentralBased::DS_CentralBased()
    : m_Centre(D3DXVECTOR3(float(g_ScreenLayout.pictureWidth) / 2.0f, float(g_ScreenLayout.pictureHeight) / 2.0f,
                           0.0f)) {}

void DS_CentralBased::WriteCentralPart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_CentralBased", 1);
  WriteStoredVector(archive, m_Centre);
  DS_FX_Constructor::WritePart(archive);
}

void DS_CentralBased::ReadCentralPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  ReadStoredVector(archive, m_Centre);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_CentralBased::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  if (!m_Flag) {
    m_Centre.Set(D3DXVECTOR3(float(g_ScreenLayout.pictureWidth) / 2.0f, float(g_ScreenLayout.pictureHeight) / 2.0f,
                             0.0f));
    m_Flag = true;
  }
  DS_FX_Constructor::LoadResources(maskSlot);
}

void DS_CentralBased::SetScaleParameters(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float a = float(layer.GetWidth()) / NonZeroDivisor(float(layer.GetHeight()));
  const float s = NonZeroDivisor(m_Scale.Derived());
  const float scale[4] = {a / s, 1.0f / s, s / NonZeroDivisor(a), s};
  effect->SetFloatArray("Scale", scale, 4);
  effect->SetTexture("Mask", m_MaskTexture.Get());
  effect->SetTexture("Background", layer.GetBackgroundTexture().Get());
  effect->SetTechnique(TechniqueName());
}

void DS_CentralBased::SetCenterParameters(DS_ABRender& layer) {
  SetScaleParameters(layer);
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  float sw, sh;
  StagePictureSize(&sw, &sh);
  const D3DXVECTOR3& c = m_Centre.Get();
  const float centre[2] = {c.x / sw, c.y / sh};
  effect->SetFloatArray("Center", centre, 2);
}

// ---------------------------------------------------------------------------------------
// Line

void DS_LineBased::WriteLinePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_LineBased", 1);
  WriteStoredInt(archive, m_LineDirection.Get());
  WriteStoredVector(archive, m_Centre);
  DS_FX_Constructor::WritePart(archive);
}

void DS_LineBased::ReadLinePart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  ReadStoredInt(archive, m_LineDirection);
  ReadStoredVector(archive, m_Centre);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_LineBased::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_CentralBased::LoadResources(maskSlot);
  ComputeLines();
}

void DS_LineBased::ComputeLines() {
  float sw, sh;
  StagePictureSize(&sw, &sh);
  const D3DXVECTOR3& c = m_Centre.Get();
  const D3DXVECTOR4& d = m_LineDirection.direction;
  const D3DXVECTOR4& n = m_LineDirection.normal;
  const float px = c.x / sw, py = c.y / sh;
  const float qx = (c.x + d.x) / sw, qy = (c.y - d.y) / sh;
  const float a = py - qy, b = qx - px;
  const float k = InverseLength(a, b);
  m_Ln = D3DXVECTOR3(a * k, b * k, (px * qy - qx * py) * k);
  const float rx = (c.x + n.x) / sw, ry = (c.y - n.y) / sh;
  const float k2 = InverseLength(m_Ln.x, m_Ln.y);
  m_Lt = D3DXVECTOR3((py - ry) * k2, (rx - px) * k2, (px * ry - rx * py) * k2);
}

void DS_LineBased::LineVectors(float t[2], float n[2]) const {
  float sw, sh;
  StagePictureSize(&sw, &sh);
  const D3DXVECTOR4& d = m_LineDirection.direction;
  const D3DXVECTOR4& nv = m_LineDirection.normal;
  t[0] = nv.x / sw;
  t[1] = -nv.y / sh;
  const float kt = InverseLength(t[0], t[1]);
  t[0] *= kt;
  t[1] *= kt;
  n[0] = d.x / sw;
  n[1] = -d.y / sh;
  const float kn = InverseLength(n[0], n[1]);
  n[0] *= kn;
  n[1] *= kn;
}

void DS_LineBased::SetLineParameters(DS_ABRender& layer) {
  SetCenterParameters(layer);
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetFloatArray("Ln", &m_Ln.x, 3);
  effect->SetFloatArray("Lt", &m_Lt.x, 3);
  float t[2], n[2];
  LineVectors(t, n);
  effect->SetFloatArray("t", t, 2);
  effect->SetFloatArray("n", n, 2);
}
