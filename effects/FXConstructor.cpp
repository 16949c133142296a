#include "effects/FXConstructor.h"

#include "core/render/D3DUtil.h"
#include "core/render/Grid.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"

#include <objbase.h>

namespace {

GUID NewGuid() {
  GUID g{};
  if (FAILED(CoCreateGuid(&g))) g = GUID{};
  return g;
}

// The size at which a mask is kept in the resource store for saving.
constexpr UINT kSavedMaskSize = 512;

}  // namespace

void ScalePair(float width, float height, float scale, float out[2]) {
  const float s = NonZeroDivisor(scale);
  out[0] = (width / NonZeroDivisor(height)) / s;
  out[1] = 1.0f / s;
}

void ColourToFloat3(unsigned long colour, float rgb[3]) {
  rgb[0] = float(colour & 0xFFu) / 255.0f;
  rgb[1] = float((colour >> 8) & 0xFFu) / 255.0f;
  rgb[2] = float((colour >> 16) & 0xFFu) / 255.0f;
}

IDirect3DTexture9* FrameTextureOf(const DS_TextureSet& set) { return set.CurrentTexture(); }

D3DXVECTOR4 TurnedAboutZ(const D3DXVECTOR4& v, float degrees) {
  D3DXMATRIX rotation;
  D3DXMatrixRotationZ(&rotation, degrees * kEffectPi / 180.0f);
  D3DXVECTOR4 out;
  D3DXVec4Transform(&out, &v, &rotation);
  return out;
}

void UpperLeft2x2(const D3DXMATRIX& m, float out[4]) {
  out[0] = m._11;
  out[1] = m._12;
  out[2] = m._21;
  out[3] = m._22;
}

D3DXVECTOR4 TurnedToScreenAngle(const D3DXVECTOR4& v, unsigned angle) {
  // 360 - angle in 32-bit integer arithmetic, as stored documents were drawn.
  return TurnedAboutZ(v, float(int(360u - angle)));
}

IDirect3DTexture9* LinkedFrameTexture(const DS_FileLink3& link) {
  return g_DocResManager ? FrameTextureOf(link.GetTextureSet(*g_DocResManager)) : nullptr;
}

// ---------------------------------------------------------------------------------------
// The region grid

void DS_RegionGrid::Create(DS_RegionGrid& grid, UINT columns, UINT rows) {
  grid.columns = columns;
  grid.rows = rows;
  CreateTexturedVertexBuffer(grid, (columns + 1) * (rows + 1), D3DUSAGE_WRITEONLY, D3DPOOL_MANAGED);
  grid.primitiveType = D3DPT_TRIANGLELIST;
  CreateGridIndexBuffer(grid.indexBuffer, &grid.indexedPrimitiveCount, columns + 1, rows + 1);
}

// ---------------------------------------------------------------------------------------
// The description

DS_FX_Constructor::DS_FX_Constructor()
    : m_Speed(0u, 1.0f), m_Scale(0.02f, 0.0f), m_MaskKey(NewGuid()) {
  m_Scale.Set(50u);
}

DS_FX_Constructor::DS_FX_Constructor(const DS_FX_Constructor& other)
    : DS_ABObj_Constructor(other), m_Speed(other.m_Speed), m_Scale(other.m_Scale) {
  CopyFrom(other);
}

DS_FX_Constructor& DS_FX_Constructor::operator=(const DS_FX_Constructor& other) {
  if (this == &other) return *this;
  m_Depth.Store(other.m_Depth.Get());
  m_Flag = other.m_Flag;
  m_Name = other.m_Name;
  DS_TimeLineControl* timeLine = new DS_TimeLineControl(*other.m_TimeLine);
  delete m_TimeLine;
  m_TimeLine = timeLine;
  m_Speed = other.m_Speed;
  m_Scale = other.m_Scale;
  CopyFrom(other);
  return *this;
}

void DS_FX_Constructor::CopyFrom(const DS_FX_Constructor& other) {
  m_TechniqueMode.Store(other.m_TechniqueMode.Get());
  m_EffectLink = other.m_EffectLink;
  m_Region = other.m_Region;
  m_Reserved.Store(other.m_Reserved.Get());
  m_MaskKey = other.m_MaskKey;
  m_MaskKeyFlag = other.m_MaskKeyFlag;
  m_MaskTexture = other.m_MaskTexture;
  m_Effect = other.m_Effect;
  m_Grid = other.m_Grid;  // shares the buffers, with the columns and rows
}

DS_FX_Constructor::~DS_FX_Constructor() = default;

bool DS_FX_Constructor::CollectBounds(DS_BoundsList& bounds) {
  const D3DXVECTOR3& c0 = m_Region.corners[0].Get();
  const D3DXVECTOR3& c3 = m_Region.corners[3].Get();
  bounds.push_back(DS_BoundsRect{c0.x, c0.y, c3.x - c0.x, c3.y - c0.y});
  return false;
}

DS_ABObj* DS_FX_Constructor::CreateRuntimeObject() { return new DS_BrushObj(Clone()); }

void DS_FX_Constructor::RenewIdentity() {
  m_MaskTexture.Reset();
  m_MaskKey = DS_GuidKey(NewGuid());
  m_MaskKeyFlag = 1;
}

void DS_FX_Constructor::LoadResources(ComRef<IDirect3DTexture9>& maskSlot) {
  // GetEffect hands out a reference of the caller's own; a link without an effect leaves
  // the description without one, and it draws nothing.
  if (g_DocResManager) m_Effect.Attach(g_DocResManager->GetEffect(m_EffectLink.GetKey()));
  else m_Effect.Reset();
  SetMaskTexture(maskSlot);
}

void DS_FX_Constructor::SetMaskTexture(ComRef<IDirect3DTexture9>& slot) {
  if (&slot != &m_MaskTexture) m_MaskTexture.Assign(slot.Get());
}

void DS_FX_Constructor::BuildRegionMesh() {
  if (!m_Grid.vertexBuffer) return;
  const float wl = NonZeroDivisor(float(g_ScreenLayout.pictureWidth));
  const float hl = NonZeroDivisor(float(g_ScreenLayout.pictureHeight));
  DX_V::PT c[4];
  for (int i = 0; i < 4; ++i) {
    const D3DXVECTOR3& p = m_Region.corners[i].Get();
    c[i] = DX_V::PT{p.x, p.y, p.z, p.x * (1.0f / wl), p.y * (1.0f / hl)};
  }
  FillGridFromCorners(c[0], c[1], c[2], c[3], m_Grid.vertexBuffer, m_Grid.columns, m_Grid.rows);
}

void DS_FX_Constructor::UpdateFrame(float objectTime) { m_Speed.Advance(objectTime); }

// ---------------------------------------------------------------------------------------
// The record

void DS_FX_Constructor::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FX_Constructor", kVersion);
  WriteFields(archive);
}

void DS_FX_Constructor::WriteFields(DS_IOF_Virtual& archive) {
  // The mask is kept in the store for saving at a fixed size, under its key.
  if (g_DocResManager && m_MaskTexture) {
    IDirect3DTexture9* copy = nullptr;
    CreateTextureCopy(kSavedMaskSize, kSavedMaskSize, m_MaskTexture, &copy, D3DFMT_A8R8G8B8);
    if (copy) (*g_DocResManager)[m_MaskKey].Attach(copy);
  }
  WriteStoredInt(archive, m_Speed.Get());
  archive.WriteLong(long(m_TechniqueMode.Get()));
  WriteGuid(archive, m_MaskKey.guid);
  archive.WriteString(m_MaskKey.name);
  archive.WriteByte(m_MaskKeyFlag);
  WriteFileLink(archive, m_EffectLink);
  WriteStoredInt(archive, m_Scale.Get());
  m_Region.Write(archive);
  archive.WriteLong(long(m_Reserved.Get()));
  DS_ABObj_Constructor::WritePart(archive);
}

void DS_FX_Constructor::ReadPart(DS_IOF_Virtual& archive) {
  const unsigned version = ReadKnownRecordHead(archive);
  ReadFields(archive, version);
}

void DS_FX_Constructor::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  ReadStoredInt(archive, m_Speed, true);
  ReadStoredLong(archive, m_TechniqueMode);
  ReadGuid(archive, m_MaskKey.guid);
  std::wstring name;
  archive.ReadString(name);
  if (!name.empty()) m_MaskKey.name = name;
  archive.ReadByte(m_MaskKeyFlag);
  ReadFileLink(archive, m_EffectLink);
  if (version > 1) ReadStoredInt(archive, m_Scale, true);
  if (version > 2) {
    m_Region.Read(archive);
    ReadStoredLong(archive, m_Reserved);
  }
  DS_ABObj_Constructor::ReadPart(archive);
}

// ---------------------------------------------------------------------------------------
// Drawing

void DS_FX_Constructor::DrawFullScreen(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  effect->SetTechnique(TechniqueName());
  float scale[2];
  ScalePair(float(layer.GetWidth()), float(layer.GetHeight()), m_Scale.Derived(), scale);
  effect->SetFloatArray("Scale", scale, 2);
  effect->SetTexture("Mask", m_MaskTexture.Get());
  effect->SetTexture("Background", layer.GetBackgroundTexture().Get());
  layer.Draw(layer.GetScreenQuad(), &effect);
}

void DS_FX_Constructor::DrawRegion(DS_ABRender& layer) {
  Effect* effect = m_Effect.Get();
  if (!effect) return;
  if (m_TechniqueMode.Get() == 0) {
    if (!m_Grid.IsDrawable()) return;
    effect->SetTechnique("Main");
    layer.DrawIndexed(m_Grid, &effect);
  } else {
    effect->SetTechnique("MainFX");
    layer.Draw(layer.GetScreenQuad(), &effect);
  }
}

// ---------------------------------------------------------------------------------------
// The brush object

DS_BrushObj::DS_BrushObj(DS_FX_Constructor* description) : DS_ABObj(description), m_Effect(description) {
  m_Visible = true;
  if (g_DocResManager) {
    m_Effect->LoadResources((*g_DocResManager)[m_Effect->m_MaskKey]);
  } else {
    ComRef<IDirect3DTexture9> none;
    m_Effect->LoadResources(none);
  }
}
