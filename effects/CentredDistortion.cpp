#include "effects/CentredDistortion.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/ResourceModule.h"
#include "core/render/Noise.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <cmath>

DS_REGISTER_OBJECT_READER(DS_ExpandFX);
DS_REGISTER_OBJECT_READER(DS_RadialWaveFX);
DS_REGISTER_OBJECT_READER(DS_RotationFX);
DS_REGISTER_OBJECT_READER(DS_BendFX);

namespace {

constexpr float kTwoPi = 6.2831855f;

// The centre as a fraction of the screen layout's picture. A layout of no size would
// put the centre at infinity; its size counts as 1 instead.
void CentreOverLayout(const D3DXVECTOR3& centre, float out[2]) {
  out[0] = centre.x / NonZeroDivisor(float(g_ScreenLayout.pictureWidth));
  out[1] = centre.y / NonZeroDivisor(float(g_ScreenLayout.pictureHeight));
}

}  // namespace

// =======================================================================================
// DS_ExpandFX

DS_ExpandFX::DS_ExpandFX() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kExpandEffect, kResourceModuleName);
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(50u);
  SetTrailing(1, 1, 0);
}

void DS_ExpandFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_ExpandFX", kVersion);
  WriteStoredInt(archive, m_FirstExtreme.Get());
  WriteStoredInt(archive, m_SecondExtreme.Get());
  archive.WriteLong(long(m_WaveForm.Get()));
  WriteCentralPart(archive);
}

void DS_ExpandFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_FirstExtreme, true);
  ReadStoredInt(archive, m_SecondExtreme, true);
  ReadStoredLong(archive, m_WaveForm);
  ReadCentralPart(archive);
}

float DS_ExpandFX::Wave(float t) const {
  if (m_WaveForm.Get() != 0) return std::sin(t);
  const float x = t / kTwoPi;
  float f = x - std::floor(x);
  if (f > 0.5f) f = 1.0f - f;
  return (f - 0.25f) * 4.0f;
}

void DS_ExpandFX::UpdateFrame(float objectTime) {
  DS_CentralBased::UpdateFrame(objectTime);
  const float a = m_FirstExtreme.Derived();
  const float b = m_SecondExtreme.Derived();
  const float d = Wave(EffectTime());
  m_Amplitude = (d * (a + b) / 2.0f + (a - b) / 2.0f) * Alpha();
}

void DS_ExpandFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float amplitude[2] = {m_Amplitude > 0.0f ? m_Amplitude : 0.0f,
                              m_Amplitude > 0.0f ? 0.0f : std::fabs(m_Amplitude)};
  effect->SetFloatArray("amplitude", amplitude, 2);
  float centre[2];
  CentreOverLayout(m_Centre.Get(), centre);
  effect->SetFloatArray("center", centre, 2);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_RadialWaveFX

DS_RadialWaveFX::DS_RadialWaveFX() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kRadialWaveEffect, kResourceModuleName);
  m_Speed.SetScale(1.0f, 0.0f);
  m_Speed.Set(50u);
  SetTrailing(1, 1, 0);
}

void DS_RadialWaveFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_RadialWaveFX", kVersion);
  WriteStoredInt(archive, m_Amplitude.Get());
  WriteStoredInt(archive, m_Wavelength.Get());
  WriteStoredInt(archive, m_BackgroundScale.Get());
  archive.WriteLong(long(m_Outward.Get()));
  WriteCentralPart(archive);
}

void DS_RadialWaveFX::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  if (version > 1) {
    ReadStoredInt(archive, m_Amplitude, true);
    ReadStoredInt(archive, m_Wavelength, true);
    ReadStoredInt(archive, m_BackgroundScale, true);
    ReadStoredLong(archive, m_Outward);
  }
  ReadCentralPart(archive);
}

void DS_RadialWaveFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float w = float(layer.GetWidth());
  const float h = float(layer.GetHeight());
  // A picture of no width, or a background scale of 0, would stretch the rings without end.
  const float bgScale[2] = {1.0f, 75.0f * h / NonZeroDivisor(m_BackgroundScale.Derived() * w)};
  effect->SetFloatArray("bg_scale_factor", bgScale, 2);
  float centre[2];
  CentreOverLayout(m_Centre.Get(), centre);
  effect->SetFloatArray("center", centre, 2);
  effect->SetFloat("frequency", 1.0f / NonZeroDivisor(m_Wavelength.Derived()));
  effect->SetFloat("amplitude", m_Amplitude.Derived() * Alpha());
  const float t = EffectTime();
  effect->SetFloat("time", m_Outward.Get() != 0 ? t * 0.08f : t * -0.08f);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_RotationFX

DS_RotationFX::DS_RotationFX() {
  m_Speed.SetScale(0.005f, 0.0f);
  m_Speed.Set(0u);
  // The turning slows with the time line's fades.
  TimeLine().m_FadeTarget.Store(DS_TimeLineControl::kFadeClock);
  SetTrailing(1, 6, 0);
}

void DS_RotationFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_RotationFX", kVersion);
  WriteStoredInt(archive, m_Zoom.Get());
  WriteStoredInt(archive, m_Angle.Get());
  archive.WriteLong(long(m_Reverse.Get()));
  WriteCentralPart(archive);
}

void DS_RotationFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Zoom, true);
  ReadStoredInt(archive, m_Angle);
  ReadStoredLong(archive, m_Reverse);
  ReadCentralPart(archive);
}

void DS_RotationFX::UpdateFrame(float objectTime) {
  DS_CentralBased::UpdateFrame(objectTime);
  m_Rotation = m_Reverse.Get() == 0 ? EffectTime() : -EffectTime();
}

void DS_RotationFX::Transform(float out[4]) const {
  // A zoom of 0 (the default) would divide by zero: such an effect turns unsquashed.
  const float z = NonZeroDivisor(m_Zoom.Derived());
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, m_Rotation);
  turn._12 *= z;
  turn._21 /= z;
  const float phi = float(m_Angle.Get()) * kEffectPi / 180.0f;
  D3DXMATRIX tiltBack, tilt, r;
  D3DXMatrixRotationZ(&tiltBack, -phi);
  D3DXMatrixRotationZ(&tilt, phi);
  D3DXMatrixMultiply(&r, &tiltBack, &turn);
  D3DXMatrixMultiply(&r, &r, &tilt);
  UpperLeft2x2(r, out);
}

void DS_RotationFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  float transform[4];
  Transform(transform);
  effect->SetFloatArray("coord_transf", transform, 4);
  float centre[2];
  CentreOverLayout(m_Centre.Get(), centre);
  const float offset[2] = {-centre[0], -centre[1]};
  effect->SetFloatArray("offset", offset, 2);
  const float mix[4] = {1.0f, 1.0f, 1.0f, MixAlpha()};
  effect->SetFloatArray("mix_color", mix, 4);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_BendFX

DS_BendFX::DS_BendFX() {
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(0u);
}

void DS_BendFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_BendFX", kVersion);
  WriteStoredInt(archive, m_FirstExtreme.Get());
  WriteStoredInt(archive, m_SecondExtreme.Get());
  WriteStoredInt(archive, m_Bend.Get());
  archive.WriteLong(long(m_BendMode.Get()));
  WriteCentralPart(archive);
}

void DS_BendFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_FirstExtreme, true);
  ReadStoredInt(archive, m_SecondExtreme, true);
  ReadStoredInt(archive, m_Bend, true);
  ReadStoredLong(archive, m_BendMode);
  ReadCentralPart(archive);
}

void DS_BendFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_CentralBased::LoadResources(maskSlot);
  DS_RegionGrid::Create(m_Grid, 2, 2);
  BuildRegionMesh();
}

void DS_BendFX::UpdateFrame(float objectTime) {
  DS_CentralBased::UpdateFrame(objectTime);
  const float t = EffectTime();
  const float a = m_FirstExtreme.Derived();
  const float b = m_SecondExtreme.Derived();
  float e = std::sin(t) * (a + b) / 2.0f + (a - b) / 2.0f;
  if (m_BendMode.Get() == 1) e += e * std::sin(float(FractalNoise1D(50.0 * t, 75.0, 0.5, 3)));
  m_BendAngle = e;
}

void DS_BendFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  SetCenterParameters(layer);
  effect->SetFloat("Angle", Alpha() * m_BendAngle);
  effect->SetFloat("Bend", m_Bend.Derived());
  DrawRegion(layer);
}
