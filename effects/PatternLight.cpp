#include "effects/PatternLight.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/ResourceModule.h"
#include "core/render/Noise.h"
#include "layers/RecordHead.h"

#include <d3dx9math.h>

#include <algorithm>
#include <cmath>

DS_REGISTER_OBJECT_READER(DS_PatternBrush);
DS_REGISTER_OBJECT_READER(DS_PatternBrushC);
DS_REGISTER_OBJECT_READER(DS_BackgroundCopy);
DS_REGISTER_OBJECT_READER(DS_LightFX);
DS_REGISTER_OBJECT_READER(DS_LightFX_II);

float SineFlicker(float t) { return (std::sin(0.2f * t) + 1.0f) * 0.5f; }

float SwitchFlicker(float t) { return SineFlicker(t) > 0.5f ? 1.0f : 0.0f; }

float NoiseFlicker(float t) { return float((FractalNoise1D(10.0 * double(t), 75.0, 0.5, 2) + 1.0) * 0.5); }

// =======================================================================================
// DS_PatternBrush

DS_PatternBrush::DS_PatternBrush()
    : m_PatternScale(100u, 0.01f, 0.0f), m_OffsetX(0u, -0.01f, 0.0f), m_OffsetY(0u, 0.01f, 0.0f) {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kPatternBrushEffect, kResourceModuleName);
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(50u);
  // The mix colour's alpha follows the time line, so the pattern fades in and out with it.
  TimeLine().m_FadeTarget.Store(DS_TimeLineControl::kFadeColorAlpha);
  SetTrailing(1, 6, 0);
}

DS_PatternBrush::DS_PatternBrush(const DS_PatternBrush& other)
    : DS_FX_Constructor(other),
      m_PatternLink(other.m_PatternLink),
      m_MirrorVertical(other.m_MirrorVertical),
      m_MirrorHorizontal(other.m_MirrorHorizontal),
      m_Angle(other.m_Angle),
      m_PatternScale(other.m_PatternScale),
      m_OffsetX(other.m_OffsetX),
      m_OffsetY(other.m_OffsetY),
      m_Frames(other.m_Frames),
      m_FrameIndex(other.m_FrameIndex),
      m_LastSwitch(other.m_LastSwitch) {}

void DS_PatternBrush::WritePatternPart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_PatternBrush", kVersion);
  if (g_DocResManager) g_DocResManager->PrepareLinkForSave(m_PatternLink);
  WriteFileLink(archive, m_PatternLink);
  archive.WriteLong(long(m_MirrorVertical.Get()));
  archive.WriteLong(long(m_MirrorHorizontal.Get()));
  WriteStoredInt(archive, m_Angle.Get());
  WriteStoredInt(archive, m_PatternScale.Get());
  WriteStoredInt(archive, m_OffsetX.Get());
  WriteStoredInt(archive, m_OffsetY.Get());
  DS_FX_Constructor::WritePart(archive);
}

void DS_PatternBrush::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadFileLink(archive, m_PatternLink);
  ReadStoredLong(archive, m_MirrorVertical);
  ReadStoredLong(archive, m_MirrorHorizontal);
  ReadStoredInt(archive, m_Angle);
  ReadStoredInt(archive, m_PatternScale, true);
  ReadStoredInt(archive, m_OffsetX, true);
  ReadStoredInt(archive, m_OffsetY, true);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_PatternBrush::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_FX_Constructor::LoadResources(maskSlot);
  LoadPattern();
}

void DS_PatternBrush::LoadPattern() {
  if (g_DocResManager) {
    m_Frames = m_PatternLink.GetExtension() == L".dll" ? m_PatternLink.LoadModuleTextureSet(*g_DocResManager)
                                                       : m_PatternLink.GetTextureSet(*g_DocResManager);
  } else {
    m_Frames.Clear();
  }
  m_FrameIndex = 0;
}

size_t DS_PatternBrush::SteppedFrameCount() const {
  // A stored set may carry more delays than textures (or the reverse); the index steps
  // through the frames that have both, so it never points past the textures.
  return std::min(m_Frames.delays.size(), m_Frames.textures.size());
}

void DS_PatternBrush::UpdateFrame(float objectTime) {
  DS_FX_Constructor::UpdateFrame(objectTime);
  const float t = EffectTime();
  if (t - m_LastSwitch < 0.0f) m_LastSwitch = t;
  const size_t frames = SteppedFrameCount();
  if (frames == 0) return;
  if (m_FrameIndex >= frames) m_FrameIndex = 0;
  if (m_Frames.delays[m_FrameIndex] < t - m_LastSwitch) {
    m_LastSwitch = t;
    m_FrameIndex = unsigned((m_FrameIndex + 1) % frames);
  }
}

void DS_PatternBrush::CoordTransform(float width, float height, float out[4]) const {
  const float k = m_PatternScale.Derived();
  // A pattern scale of 0 (or a pattern of no width) would repeat the pattern infinitely
  // often and turn every texture coordinate infinite: the divisor falls back to 1 (a
  // repeat per picture pixel), dense but finite.
  float a = width / NonZeroDivisor(float(m_Frames.width) * k);
  float b = height / NonZeroDivisor(float(m_Frames.height) * k);
  if (m_MirrorHorizontal.Get() != 0) a = -a;
  if (m_MirrorVertical.Get() != 0) b = -b;
  // The stored angle is read as a signed 32-bit value.
  const float theta = float(int(m_Angle.Get())) * kEffectPi / 180.0f;
  D3DXMATRIX scaling, rotation, m;
  D3DXMatrixScaling(&scaling, a, b, 1.0f);
  D3DXMatrixRotationZ(&rotation, theta);
  D3DXMatrixMultiply(&m, &scaling, &rotation);
  UpperLeft2x2(m, out);
}

void DS_PatternBrush::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float mix[4] = {1.0f, 1.0f, 1.0f, MixAlpha()};
  effect->SetFloatArray("mix_color", mix, 4);
  if (m_Frames.height == 0) return;
  // Without a texture at the frame (no frames, or a frame whose picture did not load)
  // there is nothing to tile, and the last pattern set must not be drawn again.
  IDirect3DTexture9* pattern =
      m_FrameIndex < m_Frames.textures.size() ? m_Frames.textures[m_FrameIndex].Get() : nullptr;
  if (!pattern) return;
  effect->SetTexture("Pattern", pattern);
  const float scale[2] = {float(m_Frames.width) / float(m_Frames.height), 1.0f};
  effect->SetFloatArray("scale", scale, 2);
  const float offset[2] = {m_OffsetX.Derived(), m_OffsetY.Derived()};
  effect->SetFloatArray("offset", offset, 2);
  float transform[4];
  CoordTransform(float(layer.GetWidth()), float(layer.GetHeight()), transform);
  effect->SetFloatArray("coord_transf", transform, 4);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_PatternBrushC

void DS_PatternBrushC::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_PatternBrushC", 1);
  WritePatternPart(archive);
}

void DS_PatternBrushC::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  const unsigned nestedVersion = ReadKnownRecordHead(archive);
  DS_PatternBrush::ReadFields(archive, nestedVersion);
}

// =======================================================================================
// DS_BackgroundCopy

DS_BackgroundCopy::DS_BackgroundCopy() {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kBackgroundCopyEffect, kResourceModuleName);
}

DS_BackgroundCopy::DS_BackgroundCopy(const DS_BackgroundCopy& other)
    : DS_FX_Constructor(other),
      m_Rect(other.m_Rect),
      m_ShiftVertical(other.m_ShiftVertical),
      m_ShiftHorizontal(other.m_ShiftHorizontal) {}

void DS_BackgroundCopy::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_BackgroundCopy", kVersion);
  m_Rect.Write(archive);
  archive.WriteLong(long(m_ShiftVertical.Get()));
  archive.WriteLong(long(m_ShiftHorizontal.Get()));
  DS_FX_Constructor::WritePart(archive);
}

void DS_BackgroundCopy::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  m_Rect.Read(archive);
  ReadStoredLong(archive, m_ShiftVertical);
  ReadStoredLong(archive, m_ShiftHorizontal);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_BackgroundCopy::Offset(float width, float height, float out[2]) const {
  out[0] = float(m_Rect.extra1.Get()) / NonZeroDivisor(width);
  out[1] = float(m_Rect.extra2.Get()) / NonZeroDivisor(height);
  if (m_ShiftHorizontal.Get() != 0) out[0] += 1.0f;
  if (m_ShiftVertical.Get() != 0) out[1] += 1.0f;
}

void DS_BackgroundCopy::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  float offset[2];
  Offset(float(layer.GetWidth()), float(layer.GetHeight()), offset);
  effect->SetFloatArray("offset", offset, 2);
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_LightFX

DS_LightFX::DS_LightFX() : m_Intensity(40u, 0.01f, 0.0f) {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kLightEffect, kResourceModuleName);
  m_Speed.Set(40u);
  SetTrailing(1, 1, 0);
}

DS_LightFX::DS_LightFX(const DS_LightFX& other)
    : DS_FX_Constructor(other), m_Intensity(other.m_Intensity), m_FlickerMode(other.m_FlickerMode) {}

void DS_LightFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_LightFX", kVersion);
  WriteStoredInt(archive, m_Intensity.Get());
  archive.WriteLong(long(m_FlickerMode.Get()));
  DS_FX_Constructor::WritePart(archive);
}

void DS_LightFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Intensity, true);
  ReadStoredLong(archive, m_FlickerMode);
  DS_FX_Constructor::ReadPart(archive);
}

float DS_LightFX::Flicker() const {
  const float t = EffectTime();
  const int mode = m_FlickerMode.Get();
  if (mode <= 0) return SineFlicker(t);
  if (mode == 1) return SwitchFlicker(t);
  return NoiseFlicker(t);
}

void DS_LightFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetFloat("multiplier", m_Intensity.Derived() * Flicker() * Alpha());
  DrawFullScreen(layer);
}

// =======================================================================================
// DS_LightFX_II

DS_LightFX_II::DS_LightFX_II() : m_Intensity(0u, 0.01f, 0.0f), m_Colour(0ul) {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kLightEffect, kResourceModuleName);
}

DS_LightFX_II::DS_LightFX_II(const DS_LightFX_II& other)
    : DS_FX_Constructor(other),
      m_Intensity(other.m_Intensity),
      m_FlickerMode(other.m_FlickerMode),
      m_BlendMode(other.m_BlendMode),
      m_Colour(other.m_Colour) {}

void DS_LightFX_II::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_LightFX_II", kVersion);
  WriteStoredInt(archive, m_Intensity.Get());
  archive.WriteLong(long(m_FlickerMode.Get()));
  archive.WriteLong(long(m_BlendMode.Get()));
  archive.WriteUInt(unsigned(m_Colour.Get()));
  DS_FX_Constructor::WritePart(archive);
}

void DS_LightFX_II::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Intensity, true);
  ReadStoredLong(archive, m_FlickerMode);
  ReadStoredLong(archive, m_BlendMode);
  ReadStoredUInt(archive, m_Colour);
  DS_FX_Constructor::ReadPart(archive);
}

void DS_LightFX_II::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_FX_Constructor::LoadResources(maskSlot);
  DS_RegionGrid::Create(m_Grid, 2, 2);
  BuildRegionMesh();
}

float DS_LightFX_II::Flicker() const {
  const float t = EffectTime();
  switch (m_FlickerMode.Get()) {
    case 1: return SineFlicker(t);
    case 2: return SwitchFlicker(t);
    case 3: return NoiseFlicker(t);
    default: return 1.0f;
  }
}

const char* DS_LightFX_II::BlendTechnique(int mode) {
  switch (mode) {
    case 0: return "Blend_Normal";
    case 1: return "Blend_Screen";
    case 2: return "PS_ColorDodge";
    case 3: return "Blend_Sum";
    default: return nullptr;
  }
}

void DS_LightFX_II::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  const float f = Flicker() * Alpha();
  float colour[4];
  ColourToFloat3(m_Colour.Get(), colour);
  colour[3] = m_Intensity.Derived() * f;
  effect->SetFloatArray("BlendColor", colour, 4);
  effect->SetTexture("Texture2", m_MaskTexture.Get());
  effect->SetTexture("Texture1", layer.GetBackgroundTexture().Get());
  // A mode that names no blend keeps whatever technique the effect has.
  if (const char* technique = BlendTechnique(m_BlendMode.Get())) effect->SetTechnique(technique);
  layer.Draw(layer.GetScreenQuad(), &effect);
}
