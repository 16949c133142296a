#include "effects/CloudPerspective.h"

#include "core/archive/ReaderRegistry.h"
#include "core/render/Grid.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <cmath>

DS_REGISTER_OBJECT_READER(DS_CloudFX);
DS_REGISTER_OBJECT_READER(DS_PerspectiveFX);

namespace {

// Both effects lay a grid of 2 x 2 cells over their region.
constexpr UINT kGridCells = 2;

}  // namespace

// ---------------------------------------------------------------------------------------
// The cloud's projection block

void DS_CloudPerspective::Write(DS_IOF_Virtual& archive) const {
  WriteStoredInt(archive, m_Perspective.Get());
  WriteStoredInt(archive, m_Height.Get());
  WriteStoredInt(archive, m_TextureOffset.Get());
  archive.WriteLong(long(m_Flip.Get()));
  WriteStoredInt(archive, m_Fifth.Get());
  WriteStoredInt(archive, m_Sixth.Get());
}

void DS_CloudPerspective::Read(DS_IOF_Virtual& archive) {
  ReadStoredInt(archive, m_Perspective, true);
  ReadStoredInt(archive, m_Height, true);
  ReadStoredInt(archive, m_TextureOffset, true);
  ReadStoredLong(archive, m_Flip);
  ReadStoredInt(archive, m_Fifth, true);
  ReadStoredInt(archive, m_Sixth, true);
}

DS_CloudPerspective::Values DS_CloudPerspective::Compute() const {
  const float p = m_Perspective.Derived();
  // A perspective of 0 would make the projection infinite; it divides by 1 instead.
  const float divisor = NonZeroDivisor(p);
  const float h = m_Height.Derived();
  const float to = m_TextureOffset.Derived();
  Values v{};
  v.pxTransform = (p - 1.0f) / divisor;
  v.pyTransformH = h / divisor + 1.0f;
  v.pyTransformZ = h;
  const bool flip = m_Flip.Get() != 0;
  v.texShift[0] = 1.0f;
  v.texShift[1] = flip ? -1.0f : 1.0f;
  v.texShift[2] = -to;
  v.texShift[3] = flip ? 1.0f : 0.0f;
  return v;
}

void DS_CloudPerspective::SetEffectParameters(Effect& effect) const {
  const Values v = Compute();
  effect.SetFloat("PX_Transform", v.pxTransform);
  effect.SetFloat("PY_TransformH", v.pyTransformH);
  effect.SetFloat("PY_TransformZ", v.pyTransformZ);
  effect.SetFloatArray("tex_shift", v.texShift, 4);
}

// ---------------------------------------------------------------------------------------
// The cloud

DS_CloudFX::DS_CloudFX() {
  m_Speed.SetScale(0.001f, 0.0f);
  m_Scale.SetScale(0.008f, 0.0f);
}

void DS_CloudFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_CloudFX", kVersion);
  archive.WriteUInt(unsigned(m_Colour1.Get()));
  archive.WriteUInt(unsigned(m_Colour2.Get()));
  WriteFileLink(archive, m_CloudLink);
  WriteFileLink(archive, m_SecondLink);
  WriteStoredInt(archive, m_Threshold.Get());
  WriteStoredInt(archive, m_Density.Get());
  m_Projection.Write(archive);
  WriteDirectionPart(archive);
}

void DS_CloudFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredUInt(archive, m_Colour1);
  ReadStoredUInt(archive, m_Colour2);
  ReadFileLink(archive, m_CloudLink);
  ReadFileLink(archive, m_SecondLink);
  ReadStoredInt(archive, m_Threshold, true);
  ReadStoredInt(archive, m_Density, true);
  m_Projection.Read(archive);
  ReadDirectionPart(archive);
}

void DS_CloudFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  // A copy, so that the frames stay what they were at load whatever the store does later.
  if (g_DocResManager) m_CloudFrames = m_CloudLink.GetTextureSet(*g_DocResManager);
  else m_CloudFrames.Clear();
  DS_DirectionBased::LoadResources(maskSlot);
  DS_RegionGrid::Create(m_Grid, kGridCells, kGridCells);
  BuildRegionMesh();
}

void DS_CloudFX::BuildRegionMesh() {
  // A picture size of 0 would make the shift infinite; it stands for 1.
  const float wl = NonZeroDivisor(float(g_ScreenLayout.pictureWidth));
  const float hl = NonZeroDivisor(float(g_ScreenLayout.pictureHeight));
  D3DXVECTOR3 p[4];
  for (int i = 0; i < 4; ++i) p[i] = m_Region.corners[i].Get();
  m_MaskTexShift[0] = (p[2].x - p[0].x) / wl;
  m_MaskTexShift[1] = p[0].x / wl;
  m_MaskTexShift[2] = (p[3].y - p[2].y) / hl;
  m_MaskTexShift[3] = p[0].y / hl;
  if (!m_Grid.vertexBuffer) return;
  const DX_V::PT c0{p[0].x, p[0].y, p[0].z, 0.0f, 0.0f};
  const DX_V::PT c1{p[1].x, p[1].y, p[1].z, 0.0f, 1.0f};
  const DX_V::PT c2{p[2].x, p[2].y, p[2].z, 1.0f, 0.0f};
  const DX_V::PT c3{p[3].x, p[3].y, p[3].z, 1.0f, 1.0f};
  FillGridFromCorners(c0, c1, c2, c3, m_Grid.vertexBuffer, m_Grid.columns, m_Grid.rows);
}

void DS_CloudFX::Velocity(float out[2]) const {
  const float t = EffectTime();
  out[0] = -m_Direction.x * t;
  out[1] = -m_Direction.y * t;
}

void DS_CloudFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetTexture("Mask", m_MaskTexture.Get());
  // The frame the copy was at when loaded; a set without textures gives null.
  effect->SetTexture("Background", FrameTextureOf(m_CloudFrames));
  float scale[2];
  ScalePair(float(layer.GetWidth()), float(layer.GetHeight()), m_Scale.Derived(), scale);
  effect->SetFloatArray("Scale", scale, 2);
  effect->SetFloat("Threshold", m_Threshold.Derived());
  effect->SetFloat("Density", m_Density.Derived());
  float rgb[3];
  ColourToFloat3(m_Colour1.Get(), rgb);
  effect->SetFloatArray("ColorK1", rgb, 3);
  ColourToFloat3(m_Colour2.Get(), rgb);
  effect->SetFloatArray("ColorK2", rgb, 3);
  float velocity[2];
  Velocity(velocity);
  effect->SetFloatArray("Velocity", velocity, 2);
  effect->SetFloatArray("mask_tex_shift", m_MaskTexShift, 4);
  m_Projection.SetEffectParameters(*effect);
  DrawRegion(layer);
}

// ---------------------------------------------------------------------------------------
// The perspective

DS_PerspectiveFX::DS_PerspectiveFX() { m_Speed.SetScale(0.02f, 0.0f); }

void DS_PerspectiveFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_PerspectiveFX", kVersion);
  WriteStoredInt(archive, m_Depth.Get());
  WriteStoredInt(archive, m_Swing.Get());
  archive.WriteLong(long(m_SwingMode.Get()));
  WriteLinePart(archive);
}

void DS_PerspectiveFX::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_Depth, true);
  ReadStoredInt(archive, m_Swing, true);
  ReadStoredLong(archive, m_SwingMode);
  ReadLinePart(archive);
}

void DS_PerspectiveFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_LineBased::LoadResources(maskSlot);
  DS_RegionGrid::Create(m_Grid, kGridCells, kGridCells);
  BuildRegionMesh();
}

void DS_PerspectiveFX::Amplitudes(float* amplitude, float* pAmplitude) const {
  const float alpha = Alpha();
  const float e = alpha * std::sin(EffectTime());
  const float g = e * e;
  // A depth of 0 would make the tilt infinite; it stands for none (1).
  const float f = 1.0f / NonZeroDivisor(m_Depth.Derived());
  *amplitude = f + (1.0f - g) * (1.0f - f) - 1.0f;
  const int mode = m_SwingMode.Get();
  const float swing = mode == 2 ? e : (mode == 1 ? -g : g);
  *pAmplitude = alpha * m_Swing.Derived() * swing;
}

void DS_PerspectiveFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  SetLineParameters(layer);
  float amplitude, pAmplitude;
  Amplitudes(&amplitude, &pAmplitude);
  effect->SetFloat("amplitude", amplitude);
  effect->SetFloat("p_amplitude", pAmplitude);
  DrawRegion(layer);
}
