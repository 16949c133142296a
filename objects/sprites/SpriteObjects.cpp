#include "objects/sprites/SpriteObjects.h"

#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "platform/effect/Effect.h"

#include <objbase.h>

#include <algorithm>

namespace {

const DS_IndexedMesh<DX_V::PCT>& Mesh(const ParticleGeomArray& geometry) { return geometry; }

// The texture set a sprite system draws with: a stored frame list in a resource module
// (image kind 1) or the link's ordinary set. Empty without the document's store.
DS_TextureSet SpriteTextureSet(const DS_BaseSpriteProp& d) {
  if (!g_DocResManager) return DS_TextureSet();
  return d.m_ImageKind == 1 ? d.m_SpriteImage.LoadModuleTextureSet(*g_DocResManager)
                            : d.m_SpriteImage.GetTextureSet(*g_DocResManager);
}

void AppendSpriteBounds(const DS_SpriteState& s, DS_BoundsList& bounds) {
  const D3DXVECTOR3 c = s.GetCorner();
  const D3DXVECTOR3 right = 2.0f * s.halfWidth * s.rightAxis;
  const D3DXVECTOR3 up = 2.0f * s.halfHeight * s.upAxis;
  const D3DXVECTOR3 corners[4] = {c, c + up, c + right + up, c + right};
  float minX = corners[0].x, maxX = corners[0].x, minY = corners[0].y, maxY = corners[0].y;
  for (const D3DXVECTOR3& p : corners) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  bounds.push_back(DS_BoundsRect{minX, minY, maxX - minX, maxY - minY});
}

}  // namespace

// =======================================================================================
// DS_SpriteArrayObj

DS_SpriteArrayObj::DS_SpriteArrayObj(DS_ParticleSystemCtrl* description)
    : DS_ABObj(description), m_SpriteDescription(description) {
  m_Visible = true;
  if (!description) return;
  m_TextureSet = SpriteTextureSet(*description);
  ParticleGeomArray::m_Description = description;
  BindCount(description->m_SpriteCount);
  if (g_DocResManager && !description->m_SecondImage.Path().empty())
    m_Overlay.Assign(description->m_SecondImage.GetTextureSet(*g_DocResManager).CurrentTexture());
}

DS_SpriteArrayObj::~DS_SpriteArrayObj() {
  // The count listener must leave before DS_ABObj deletes the description it listens to.
  UnbindCount();
  m_Overlay.Reset();
}

IDirect3DTexture9* DS_SpriteArrayObj::GetTexture() {
  if (m_Overlay) m_Overlay->AddRef();
  return m_Overlay;
}

DS_SpriteArrayView DS_SpriteArrayObj::View() {
  DS_SpriteArrayView view;
  view.geometry = DS_MeshView::Of(Mesh(*this));
  view.frameTexture = CurrentFrameTexture();
  // Never more sprites than the buffers hold (a count above the cap, a failed creation).
  view.spriteCount = m_SpriteDescription ? std::min<UINT>(m_SpriteDescription->GetSpriteCount(), BufferSprites()) : 0;
  view.blendMode = m_SpriteDescription ? m_SpriteDescription->m_BlendMode.Get() : 0;
  view.overlay = m_Overlay;
  return view;
}

void DS_SpriteArrayObj::Render(DS_ABRender& layer) {
  if (!m_SpriteDescription) return;
  layer.DrawSpriteArray(View());
}

void DS_SpriteArrayObj::OnScreenSizeChanged() {
  if (m_SpriteDescription) m_SpriteDescription->ApplyScreenSize();
}

bool DS_SpriteArrayObj::HitTest(float x, float y) {
  return m_SpriteDescription ? m_SpriteDescription->HitTest(x, y) : false;
}

void DS_SpriteArrayObj::Reset() {
  if (m_SpriteDescription) m_SpriteDescription->Reset();
  for (DS_SpriteState& s : m_Sprites) s.ClearTimers();
}

bool DS_SpriteArrayObj::CollectBounds(DS_BoundsList& bounds) {
  // Every record, also those beyond the current count.
  for (const DS_SpriteState& s : m_Sprites) AppendSpriteBounds(s, bounds);
  return false;
}

void DS_SpriteArrayObj::UpdateFrame(float t) {
  if (!m_SpriteDescription) return;
  DS_ParticleSystemCtrl& d = *m_SpriteDescription;
  Update(t);
  const bool changed = AdvanceFrame(d.m_AnimationSpeed.Time());
  // Refreshing on texture frames only: a still image never switches, so its buffers are
  // still filled once after they were made.
  if (d.m_RefreshOnFrame.Get() == 0 || changed || m_FillCount == 0) FillVertices(d);
}

// =======================================================================================
// DS_GlowingObj

DS_GlowingObj::DS_GlowingObj(DS_GlowEffectCtrl* description)
    : DS_ABObj(description), m_GlowDescription(description) {
  m_Visible = true;
  if (FAILED(CoCreateGuid(&m_GlowKey))) m_GlowKey = GUID{};
  if (!description) return;
  ParticleGeomArray::m_Description = description;
  BindCount(description->m_SpriteCount);
  description->LoadResources();
  if (g_DocResManager) {
    // The manager owns the pair and remakes it at its size after a device reset.
    m_GlowTarget = g_DocResManager->GetRenderTargetPair(DS_GuidKey(m_GlowKey));
    if (m_GlowTarget) {
      m_GlowTarget->Release();
      m_GlowTarget->Create(512, 512);
    }
  }
}

DS_GlowingObj::~DS_GlowingObj() {
  // The count listener must leave before DS_ABObj deletes the description it listens to.
  UnbindCount();
}

void DS_GlowingObj::Render(DS_ABRender& r) {
  if (!m_GlowDescription) return;
  DS_GlowEffectCtrl& d = *m_GlowDescription;
  Effect* effect = d.m_Effect.Get();
  // An effect link that does not resolve draws nothing, and neither do sprites without
  // area (a bolt whose start is its end).
  if (!effect || !d.HasGeometryToDraw()) return;
  const unsigned long glow = d.m_GlowColor.Get();
  const float blendColor[4] = {float(glow & 0xFFu) / 255.0f, float((glow >> 8) & 0xFFu) / 255.0f,
                               float((glow >> 16) & 0xFFu) / 255.0f,
                               d.TimeLine().GetAlpha() * d.m_GlowStrength.Derived()};

  effect->SetTexture("Texture1", d.m_GlowTexture.Get());
  effect->SetTechnique("Blend_Max");
  // Without a bound target the glow pass would clear and draw over the scene itself.
  if (m_GlowTarget && m_GlowTarget->BeginRender()) {
    r.PushRenderTarget(*m_GlowTarget, 3);
    if (g_Device) g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
    r.DrawMesh(Mesh(*this), &effect);
    m_GlowTarget->EndRender();
    r.PopRenderTarget();
  }

  effect->SetTechnique(d.m_BlendMode.Get() == 1 ? "Blend_Screen" : "Blend_Normal");
  effect->SetFloatArray("BlendColor", blendColor, 4);
  effect->SetTexture("Texture1", r.GetBackgroundTexture().Get());
  effect->SetTexture("Texture2", m_GlowTarget ? m_GlowTarget->current.Get() : nullptr);
  r.Draw(r.GetScreenQuad(), &effect);

  effect->SetTechnique("Common");
  effect->SetTexture("Texture1", d.m_SpriteTexture.Get());
  r.DrawMesh(Mesh(*this), &effect);
}

void DS_GlowingObj::UpdateFrame(float t) {
  if (!m_GlowDescription) return;
  m_GlowDescription->PreUpdate();
  Update(t);
  FillVertices(*m_GlowDescription);
}

// =======================================================================================
// DS_FXObj

DS_FXObj::DS_FXObj(DS_BaseFXCtrl* description) : DS_ABObj(description), m_EffectDescription(description) {
  m_Visible = true;
  if (!description) return;
  ParticleGeomArray::m_Description = description;
  BindCount(description->m_SpriteCount);
  description->LoadResources();
}

DS_FXObj::~DS_FXObj() {
  // The count listener must leave before DS_ABObj deletes the description it listens to.
  UnbindCount();
}

void DS_FXObj::Render(DS_ABRender& r) {
  if (!m_EffectDescription) return;
  Effect* effect = m_EffectDescription->m_Effect.Get();
  // An effect link that does not resolve draws nothing.
  if (!effect) return;
  if (m_EffectDescription->PrepareEffect(r, *this)) r.DrawMesh(Mesh(*this), &effect);
}

void DS_FXObj::UpdateFrame(float t) {
  if (!m_EffectDescription) return;
  Update(t);
  FillVertices(*m_EffectDescription);
}
