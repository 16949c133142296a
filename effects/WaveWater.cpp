#include "effects/WaveWater.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/ResourceModule.h"
#include "core/render/Noise.h"
#include "layers/RecordHead.h"

#include <algorithm>
#include <cmath>

DS_REGISTER_OBJECT_READER(DS_WavesFX);
DS_REGISTER_OBJECT_READER(DS_WaterFX);
DS_REGISTER_OBJECT_READER(DS_MoveFX);
DS_REGISTER_OBJECT_READER(DS_WaterfallFX);

// =======================================================================================
// DS_WavesFX

DS_WavesFX::DS_WavesFX() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kWavesEffect, kResourceModuleName);
  m_Speed.SetScale(1.0f, 0.0f);
  m_Speed.Set(25u);
  SetTrailing(1, 1, 0);
  Bind();
  ComputeDirections();
}

DS_WavesFX::DS_WavesFX(const DS_WavesFX& other)
    : DS_FX_Constructor(other), m_Amplitude(other.m_Amplitude), m_Wavelength(other.m_Wavelength),
      m_Angle(other.m_Angle), m_WaveMode(other.m_WaveMode) {
  Bind();
  ComputeDirections();
}

void DS_WavesFX::Bind() {
  m_Binder.Add(new DS_FunLightCtrl2<DS_WavesFX>(&m_Angle, &DS_WavesFX::ComputeDirections, this));
  m_Binder.Add(new DS_FunLightCtrl2<DS_WavesFX>(&m_WaveMode, &DS_WavesFX::ComputeDirections, this));
}

void DS_WavesFX::ComputeDirections() {
  m_Direction = TurnedToScreenAngle(D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f), m_Angle.Get());
  const D3DXVECTOR4 normal = m_WaveMode.Get() == 0 ? D3DXVECTOR4(0.0f, 1.0f, 0.0f, 0.0f)
                                                   : D3DXVECTOR4(-1.0f, 0.0f, 0.0f, 0.0f);
  m_WaveNormal = TurnedToScreenAngle(normal, m_Angle.Get());
}

void DS_WavesFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_WavesFX", kVersion);
  WriteStoredInt(archive, m_Amplitude.Get());
  WriteStoredInt(archive, m_Wavelength.Get());
  WriteStoredInt(archive, m_Angle.Get());
  archive.WriteLong(long(m_WaveMode.Get()));
  WritePart(archive);
}

void DS_WavesFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Amplitude, true);
  ReadStoredInt(archive, m_Wavelength, true);
  ReadStoredInt(archive, m_Angle);
  ReadStoredLong(archive, m_WaveMode);
  ReadPart(archive);
}

void DS_WavesFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float direction[2] = {-m_Direction.x, -m_Direction.y};
  const float normal[2] = {m_WaveNormal.x, m_WaveNormal.y};
  effect->SetFloatArray("direction", direction, 2);
  effect->SetFloatArray("direction_n", normal, 2);
  effect->SetFloat("frequency", 1.0f / NonZeroDivisor(m_Wavelength.Derived()));
  effect->SetFloat("amplitude", m_Amplitude.Derived() * Alpha());
  effect->SetFloat("time", EffectTime() * 0.08f);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_UnderwaterFX

DS_UnderwaterFX::DS_UnderwaterFX() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kUnderwaterEffect, kResourceModuleName);
  m_Speed.SetScale(1.0f, 0.0f);
  m_Speed.Set(25u);
}

DS_UnderwaterFX::DS_UnderwaterFX(const DS_UnderwaterFX& other)
    : DS_FX_Constructor(other), m_Amplitude(other.m_Amplitude), m_Wavelength(other.m_Wavelength) {}

DS_UnderwaterFX& DS_UnderwaterFX::operator=(const DS_UnderwaterFX& other) {
  if (this == &other) return *this;
  DS_FX_Constructor::operator=(other);
  m_Amplitude = other.m_Amplitude;
  m_Wavelength = other.m_Wavelength;
  return *this;
}

void DS_UnderwaterFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_UnderwaterFX", kVersion);
  WriteStoredInt(archive, m_Amplitude.Get());
  WriteStoredInt(archive, m_Wavelength.Get());
  WritePart(archive);
}

void DS_UnderwaterFX::ReadPart(DS_IOF_Virtual& archive) {
  const unsigned version = ReadKnownRecordHead(archive);
  ReadFields(archive, version);
}

void DS_UnderwaterFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Amplitude, true);
  ReadStoredInt(archive, m_Wavelength, true);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_UnderwaterFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float d = 1.0f / NonZeroDivisor(m_Wavelength.Derived());
  const float frequency[2] = {d * float(layer.GetWidth()) / NonZeroDivisor(float(layer.GetHeight())), d};
  effect->SetFloatArray("frequency", frequency, 2);
  effect->SetFloat("amplitude", m_Amplitude.Derived());
  effect->SetFloat("time", EffectTime() * 0.08f);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_WaterFX

DS_WaterFX::DS_WaterFX() : m_BumpLink(DS_FileLink3(ModuleId::kWaterPicture, kResourceModuleName)) {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kWaterEffect, kResourceModuleName);
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(50u);
  m_Scale.Set(30u);
  Bind();
  ComputeDirection();
}

DS_WaterFX::DS_WaterFX(const DS_WaterFX& other)
    : DS_FX_Constructor(other), m_Profile(other.m_Profile), m_BumpAmount(other.m_BumpAmount),
      m_SecondDrift(other.m_SecondDrift), m_FirstDriftPeriod(other.m_FirstDriftPeriod), m_Angle(other.m_Angle),
      m_Shadows(other.m_Shadows), m_HalfVectorHeight(other.m_HalfVectorHeight), m_Colour(other.m_Colour),
      m_BumpLink(other.m_BumpLink), m_BumpTexture(other.m_BumpTexture), m_BumpTransform(other.m_BumpTransform) {
  Bind();
  ComputeDirection();
}

void DS_WaterFX::Bind() {
  m_Binder.Add(new DS_FunLightCtrl2<DS_WaterFX>(&m_Angle, &DS_WaterFX::ComputeDirection, this));
}

void DS_WaterFX::ComputeDirection() {
  // Unlike the waves, the water turns by the angle itself.
  m_Direction = TurnedAboutZ(D3DXVECTOR4(1.0f, 0.0f, 0.0f, 0.0f), float(m_Angle.Get()));
}

void DS_WaterFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_WaterFX", kVersion);
  WriteStoredInt(archive, m_Profile.Get());
  WriteStoredInt(archive, m_BumpAmount.Get());
  WriteStoredInt(archive, m_SecondDrift.Get());
  WriteStoredInt(archive, m_FirstDriftPeriod.Get());
  WriteStoredInt(archive, m_Angle.Get());
  WriteStoredInt(archive, m_Shadows.Get());
  WriteStoredInt(archive, m_HalfVectorHeight.Get());
  archive.WriteUInt(unsigned(m_Colour.Get()));
  WriteFileLink(archive, m_BumpLink);
  WritePart(archive);
}

void DS_WaterFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Profile, true);
  ReadStoredInt(archive, m_BumpAmount, true);
  ReadStoredInt(archive, m_SecondDrift, true);
  ReadStoredInt(archive, m_FirstDriftPeriod, true);
  ReadStoredInt(archive, m_Angle);
  ReadStoredInt(archive, m_Shadows, true);
  ReadStoredInt(archive, m_HalfVectorHeight, true);
  ReadStoredUInt(archive, m_Colour);
  ReadFileLink(archive, m_BumpLink);
  ReadPart(archive);
}

void DS_WaterFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  m_BumpTexture.Assign(LinkedFrameTexture(m_BumpLink));
  DS_FX_Constructor::LoadResources(maskSlot);
}

void DS_WaterFX::UpdateFrame(float objectTime) {
  DS_FX_Constructor::UpdateFrame(objectTime);
  const float phi = (EffectTime() * 0.5f) * 9.0f;
  const float b = m_BumpAmount.Derived();
  const float c = std::cos(phi), s = std::sin(phi);
  m_BumpTransform = D3DXVECTOR4(b * c, -b * s, b * s, b * c);
}

void DS_WaterFX::ProfileVectors(float p1[3], float p2[3]) const {
  // With k = 2 / P - 1, the height term h = (sqrt(k) + k) / (k - 1) has no value at P = 0
  // (k infinite), a pole at P = 1 and no real root past P = 2. Multiplied out it reads
  // h = (sqrt(P (2 - P)) + 2 - P) / (2 (1 - P)), which is 1 at P = 0 (the limit of the
  // quotient as k grows) and grows without bound towards P = 1, where the term changes
  // sign. A profile is therefore taken into [0, kMaxProfile] for both vectors: every
  // value gives a finite, positive h, and the vectors stay one consistent profile.
  float p = m_Profile.Derived();
  if (!(p >= 0.0f)) p = 0.0f;
  if (p > kMaxProfile) p = kMaxProfile;
  const float h = (std::sqrt(p * (2.0f - p)) + 2.0f - p) / (2.0f * (1.0f - p));
  p1[0] = p - 1.0f;
  p1[1] = -1.0f;
  p1[2] = p - 1.0f;
  p2[0] = 1.0f;
  p2[1] = h;
  p2[2] = 1.0f;
}

void DS_WaterFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float t = EffectTime();
  const float dx = m_Direction.x, dy = m_Direction.y;
  const float period = NonZeroDivisor(m_FirstDriftPeriod.Derived());
  const float drift = m_SecondDrift.Derived();
  float p1[3], p2[3];
  ProfileVectors(p1, p2);
  const float direction1[2] = {-dx * 0.5f / period, -dy * 0.5f / period};
  const float direction2[2] = {-dx * drift / 2.0f, -dy * drift / 2.0f};
  D3DXVECTOR3 half(1.0f, 2.0f, m_HalfVectorHeight.Derived());
  D3DXVec3Normalize(&half, &half);
  float colour[3];
  ColourToFloat3(m_Colour.Get(), colour);

  effect->SetTexture("BumpMap", m_BumpTexture.Get());
  effect->SetFloatArray("BampTrans", &m_BumpTransform.x, 4);
  effect->SetFloatArray("P1", p1, 3);
  effect->SetFloatArray("P2", p2, 3);
  effect->SetFloat("Time", 2.0f * t);
  effect->SetFloatArray("Direction1", direction1, 2);
  effect->SetFloatArray("Direction2", direction2, 2);
  effect->SetFloat("Shadows", m_Shadows.Derived());
  effect->SetFloatArray("Vhalf", &half.x, 3);
  effect->SetFloatArray("Color", colour, 3);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_MoveFX

DS_MoveFX::DS_MoveFX() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kMoveEffect, kResourceModuleName);
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(50u);
  m_Amount.SetScale(0.0002f, 0.0f);
  m_Amount.Set(50u);
  SetTrailing(1, 1, 0);
}

DS_MoveFX::DS_MoveFX(const DS_MoveFX& other)
    : DS_DirectionBased(other), m_MotionMode(other.m_MotionMode), m_SecondExtreme(other.m_SecondExtreme) {
  m_Displacement[0] = other.m_Displacement[0];
  m_Displacement[1] = other.m_Displacement[1];
}

void DS_MoveFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_MoveFX", kVersion);
  archive.WriteLong(long(m_MotionMode.Get()));
  WriteStoredInt(archive, m_SecondExtreme.Get());
  WriteDirectionPart(archive);
}

void DS_MoveFX::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  ReadStoredLong(archive, m_MotionMode);
  if (version > 1) ReadStoredInt(archive, m_SecondExtreme, true);
  ReadDirectionPart(archive);
  // Older records knew one extreme: the motion swings as far either side of rest.
  if (version <= 1) m_SecondExtreme = m_Amount;
}

void DS_MoveFX::UpdateFrame(float objectTime) {
  DS_FX_Constructor::UpdateFrame(objectTime);
  const float t = EffectTime();
  const float a = m_Amount.Derived(), b = m_SecondExtreme.Derived();
  const float m = (a + b) * 0.5f, r = (a - b) * 0.5f;
  const float c = m_MotionMode.Get() == 1 ? float(FractalNoise1D(50.0 * t, 75.0, 0.5, 1)) : std::sin(t);
  const float e = -(c * m + r);
  const float alpha = Alpha();
  m_Displacement[0] = alpha * m_Direction.x * e;
  m_Displacement[1] = alpha * m_Direction.y * e;
}

void DS_MoveFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetFloatArray("Direction", m_Displacement, 2);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_WaterfallFX

DS_WaterfallFX::DS_WaterfallFX() {
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(0u);
  m_Amount.SetScale(0.004f, 0.0f);
  m_Amount.Set(0u);
}

DS_WaterfallFX::DS_WaterfallFX(const DS_WaterfallFX& other)
    : DS_DirectionBased(other), m_Translucency(other.m_Translucency), m_LayerCount(other.m_LayerCount),
      m_NoiseAmplitude(other.m_NoiseAmplitude), m_Fourth(other.m_Fourth), m_Threshold(other.m_Threshold),
      m_NoiseLink(other.m_NoiseLink), m_BaseColour(other.m_BaseColour), m_Hidden(other.m_Hidden),
      m_Layers(other.m_Layers), m_NoiseTexture(other.m_NoiseTexture) {
  m_NoiseShift[0] = other.m_NoiseShift[0];
  m_NoiseShift[1] = other.m_NoiseShift[1];
}

void DS_WaterfallFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_WaterfallFX", kVersion);
  WriteStoredInt(archive, m_Translucency.Get());
  WriteStoredInt(archive, m_LayerCount.Get());
  WriteStoredInt(archive, m_NoiseAmplitude.Get());
  WriteStoredInt(archive, m_Fourth.Get());
  WriteStoredInt(archive, m_Threshold.Get());
  WriteFileLink(archive, m_NoiseLink);
  archive.WriteUInt(unsigned(m_BaseColour.Get()));
  archive.WriteLong(long(m_Hidden.Get()));
  WriteDirectionPart(archive);
}

void DS_WaterfallFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Translucency, true);
  ReadStoredInt(archive, m_LayerCount);
  ReadStoredInt(archive, m_NoiseAmplitude, true);
  ReadStoredInt(archive, m_Fourth, true);
  ReadStoredInt(archive, m_Threshold, true);
  ReadFileLink(archive, m_NoiseLink);
  ReadStoredUInt(archive, m_BaseColour);
  ReadStoredLong(archive, m_Hidden);
  ReadDirectionPart(archive);
}

void DS_WaterfallFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  m_Layers.resize(std::min(m_LayerCount.Get(), kMaxLayers), DS_WaterfallLayer{});
  m_NoiseTexture.Assign(LinkedFrameTexture(m_NoiseLink));
  DS_FX_Constructor::LoadResources(maskSlot);
  DS_RegionGrid::Create(m_Grid, 2, 2);
  BuildRegionMesh();
}

void DS_WaterfallFX::UpdateFrame(float objectTime) {
  DS_FX_Constructor::UpdateFrame(objectTime);
  const float t = EffectTime();
  const float dx = m_Direction.x, dy = m_Direction.y;
  const float length = m_Amount.Derived();
  const float translucency = m_Translucency.Derived();
  const float step = m_Layers.empty() ? 0.0f : 1.0f / float(m_Layers.size());
  float e = t;
  for (DS_WaterfallLayer& l : m_Layers) {
    const float f = e - std::trunc(e);
    l.shiftX = -length * dx * f;
    l.shiftY = -length * dy * f;
    l.translucency = translucency * (1.0f - std::fabs(2.0f * f - 1.0f));
    e += step;
  }
  const float s = NonZeroDivisor(m_Scale.Derived());
  m_NoiseShift[0] = -(t * dx * 0.1f) / s;
  m_NoiseShift[1] = -(t * dy * 0.1f) / s;
}

void DS_WaterfallFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetTexture("Mask", m_MaskTexture.Get());
  effect->SetTexture("Background", layer.GetBackgroundTexture().Get());
  if (m_Hidden.Get() != 0) return;
  if (m_NoiseAmplitude.Get() != 0) DrawNoise(layer, *effect);
  if (!m_Layers.empty()) DrawColorWaves(layer, *effect);
}

void DS_WaterfallFX::DrawNoise(DS_ABRender& layer, Effect& effect) {
  effect.SetTexture("NoiseMap", m_NoiseTexture.Get());
  effect.SetTechnique("Noise");
  effect.SetFloatArray("noise_shift", m_NoiseShift, 2);
  float scale[2];
  ScalePair(float(layer.GetWidth()), float(layer.GetHeight()), m_Scale.Derived(), scale);
  effect.SetFloatArray("bump_scale", scale, 2);
  effect.SetFloat("noise_amplitude", m_NoiseAmplitude.Derived());
  Effect* slot = &effect;
  if (m_Grid.IsDrawable()) layer.DrawIndexed(m_Grid, &slot);
}

void DS_WaterfallFX::DrawColorWaves(DS_ABRender& layer, Effect& effect) {
  effect.SetTechnique("ColorWaves");
  float colour[3];
  ColourToFloat3(m_BaseColour.Get(), colour);
  effect.SetFloatArray("base_color", colour, 3);
  effect.SetFloat("treshold", m_Threshold.Derived());
  Effect* slot = &effect;
  const bool drawable = m_Grid.IsDrawable();
  for (const DS_WaterfallLayer& l : m_Layers) {
    const float shift[2] = {l.shiftX, l.shiftY};
    effect.SetFloatArray("shift", shift, 2);
    effect.SetFloat("transluency", l.translucency);
    if (drawable) layer.DrawIndexed(m_Grid, &slot);
  }
}
