#include "effects/Fire.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/ResourceModule.h"
#include "core/render/Grid.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <memory>

DS_REGISTER_OBJECT_READER(DS_FireFX);

namespace {

// The rates at which the three noise reads scroll up the flames, per second of the
// effect clock.
constexpr float kNoiseRate1 = 1.3f, kNoiseRate2 = 2.1f, kNoiseRate3 = 2.3f;

}  // namespace

DS_FireFX::DS_FireFX()
    : m_Colour1(0xFFFFul),
      m_Colour2(0xFFul),
      m_PatternLink(DS_FileLink3(ModuleId::kFirePicture, kResourceModuleName)),
      m_NoiseLink(DS_FileLink3(ModuleId::kFlamePictureB, kResourceModuleName)),
      m_Density(100u, 0.01f, -1.0f),
      m_Brightness(15u, 0.02f, 0.0f),
      m_Tiling(100u, 0.01f, 0.0f) {
  m_EffectLink = DS_HLSLEffectFile(ModuleId::kFireEffect, kResourceModuleName);
  m_Speed.SetScale(0.02f, 0.0f);
  m_Speed.Set(50u);
}

DS_FireFX::DS_FireFX(const DS_FireFX& other)
    : DS_FX_Constructor(other),
      m_Colour1(other.m_Colour1),
      m_Colour2(other.m_Colour2),
      m_StoredValue(other.m_StoredValue.Get()),
      m_PatternLink(other.m_PatternLink),
      m_NoiseLink(other.m_NoiseLink),
      m_Density(other.m_Density),
      m_Brightness(other.m_Brightness),
      m_Tiling(other.m_Tiling),
      m_PatternTexture(other.m_PatternTexture),
      m_NoiseTexture(other.m_NoiseTexture) {}

DS_FireFX& DS_FireFX::operator=(const DS_FireFX& other) {
  if (this == &other) return *this;
  DS_FX_Constructor::operator=(other);
  m_Colour1 = other.m_Colour1;
  m_Colour2 = other.m_Colour2;
  m_StoredValue.Store(other.m_StoredValue.Get());
  m_PatternLink = other.m_PatternLink;
  m_NoiseLink = other.m_NoiseLink;
  m_Density = other.m_Density;
  m_Brightness = other.m_Brightness;
  m_Tiling = other.m_Tiling;
  m_PatternTexture = other.m_PatternTexture;
  m_NoiseTexture = other.m_NoiseTexture;
  return *this;
}

// ---------------------------------------------------------------------------------------
// The record

void DS_FireFX::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FireFX", kVersion);
  archive.WriteUInt(unsigned(m_Colour1.Get()));
  archive.WriteUInt(unsigned(m_Colour2.Get()));
  archive.WriteLong(long(m_StoredValue.Get()));
  WriteFileLink(archive, m_PatternLink);
  WriteFileLink(archive, m_NoiseLink);
  WriteStoredInt(archive, m_Density.Get());
  WriteStoredInt(archive, m_Brightness.Get());
  WriteStoredInt(archive, m_Tiling.Get());
  WritePart(archive);
}

void DS_FireFX::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  // Version 2 kept the region and the reserved value among the fire's own fields; later
  // versions moved them into the base part.
  if (version == 2) m_Region.Read(archive);
  if (version > 1) {
    ReadStoredUInt(archive, m_Colour1);
    ReadStoredUInt(archive, m_Colour2);
    ReadStoredLong(archive, m_StoredValue);
    ReadFileLink(archive, m_PatternLink);
    ReadFileLink(archive, m_NoiseLink);
  }
  if (version == 2) ReadStoredLong(archive, m_Reserved);
  if (version > 1) {
    ReadStoredInt(archive, m_Density, true);
    ReadStoredInt(archive, m_Brightness, true);
    ReadStoredInt(archive, m_Tiling, true);
  }
  ReadPart(archive);
}

DS_FireFX* DS_FireFX::ReadRecord(DS_IOF_Virtual& archive) {
  const unsigned version = ReadKnownRecordHead(archive);
  std::unique_ptr<DS_FireFX> fire(new DS_FireFX());
  fire->ReadFields(archive, version);
  return fire.release();
}

// ---------------------------------------------------------------------------------------
// Resources and the grid

void DS_FireFX::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  DS_FX_Constructor::LoadResources(maskSlot);
  m_PatternTexture.Assign(LinkedFrameTexture(m_PatternLink));
  m_NoiseTexture.Assign(LinkedFrameTexture(m_NoiseLink));
  DS_RegionGrid::Create(m_Grid, kGridCells, kGridCells);
  BuildRegionMesh();
}

void DS_FireFX::BuildRegionMesh() {
  if (!m_Grid.vertexBuffer) return;
  // A tiling of 0 would stretch the texture to infinite coordinates: it repeats once.
  const float across = 1.0f / NonZeroDivisor(m_Tiling.Derived());
  const float u[4] = {0.0f, 0.0f, across, across};
  const float v[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  DX_V::PT c[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& p = m_Region.corners[i].Get();
    c[i] = DX_V::PT{p.x, p.y, p.z, u[i], v[i]};
  }
  FillGridFromCorners(c[0], c[1], c[2], c[3], m_Grid.vertexBuffer, m_Grid.columns, m_Grid.rows);
}

// ---------------------------------------------------------------------------------------
// Drawing

void DS_FireFX::SetFireParameters(const DS_Frame& mesh, Effect* effect) {
  if (!effect) return;
  // Without a stage view the mesh is taken as already in clip space.
  D3DXMATRIX world = mesh.local, view, projection;
  D3DXMatrixIdentity(&view);
  D3DXMatrixIdentity(&projection);
  if (g_StageView) {
    g_StageView->ApplyViewTransform(mesh.local, world);
    view = g_StageView->view;
    projection = g_StageView->projection;
  }
  const D3DXMATRIX viewProj = view * projection;
  const D3DXMATRIX worldViewProj = world * viewProj;
  effect->SetMatrix("WorldViewProj", &worldViewProj);
  effect->SetMatrix("ViewProj", &viewProj);
  effect->SetTexture("Noise", m_NoiseTexture.Get());
  effect->SetTexture("Pattern", m_PatternTexture.Get());
  const float t = EffectTime();
  const float c11[2] = {0.0f, kNoiseRate1 * t};
  const float c12[2] = {0.0f, kNoiseRate2 * t};
  const float c13[2] = {0.0f, kNoiseRate3 * t};
  effect->SetFloatArray("c11", c11, 2);
  effect->SetFloatArray("c12", c12, 2);
  effect->SetFloatArray("c13", c13, 2);
}

void DS_FireFX::Render(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  SetFireParameters(m_Grid, effect);

  // The background is read where the pixel lies on the screen; an off-screen pass lays
  // the picture over the whole target, otherwise the screen is larger than the picture
  // by the camera's back-buffer-per-quad ratio.
  float bgScale[2] = {1.0f, 1.0f};
  const DS_StageCamera* camera = g_StageView ? g_StageView->camera : nullptr;
  if (camera && camera->fitMode != kFitOffscreen) {
    bgScale[0] = camera->backBufferPerQuadX;
    bgScale[1] = camera->backBufferPerQuadY;
  }
  effect->SetFloatArray("bg_scale_factor", bgScale, 2);

  float c1[3], c2[3], range[3];
  ColourToFloat3(m_Colour1.Get(), c1);
  ColourToFloat3(m_Colour2.Get(), c2);
  for (int i = 0; i < 3; ++i) range[i] = c1[i] - c2[i];
  effect->SetFloatArray("ColorK1", c2, 3);
  effect->SetFloatArray("ColorK2", range, 3);

  effect->SetTexture("Mask", m_MaskTexture.Get());
  effect->SetTexture("Background", layer.GetBackgroundTexture().Get());
  const float alpha = Alpha();
  effect->SetFloat("Brightness", m_Brightness.Derived() * alpha * alpha);
  effect->SetFloat("Density", alpha * (m_Density.Derived() + 1.0f) - 1.0f);
  // The technique mode only makes the fire a post-pass object; it always draws "Main".
  effect->SetTechnique("Main");
  if (!m_Grid.IsDrawable()) return;
  layer.DrawIndexed(m_Grid, &effect);
}
