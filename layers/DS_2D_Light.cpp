#include "layers/DS_2D_Light.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "core/render/Device.h"
#include "core/render/StageView.h"
#include "core/render/TextureSet.h"
#include "layers/RecordHead.h"
#include "platform/effect/Effect.h"

#include <memory>

DS_RenderTargetSizeStack g_RenderTargetSizeStack;

DS_REGISTER_LIGHT_READER(DS_2D_Light);

namespace {

constexpr wchar_t kPictureModule[] = L"velmora.dll";
constexpr int kPictureResourceId = 5;
constexpr D3DCOLOR kPictureClearColor = 0xFFF00FFF;

// Every pass of the effect's current technique around one draw. A missing effect draws
// nothing.
template <class DrawCall>
void RunPasses(Effect** effect, DrawCall draw) {
  if (!effect || !*effect) return;
  Effect* e = *effect;
  UINT passes = 0;
  if (FAILED(e->Begin(&passes, 0))) return;
  for (UINT i = 0; i < passes; ++i) {
    e->BeginPass(i);
    draw();
    e->EndPass();
  }
  e->End();
}

// The fixed-function input of a draw: vertices of type V (its FVF and size) from stream 0.
template <class V>
void SetStream(IDirect3DVertexBuffer9* buffer) {
  g_Device->SetVertexShader(nullptr);
  g_Device->SetFVF(V::FVF);
  g_Device->SetStreamSource(0, buffer, 0, UINT(sizeof(V)));
}

// A quad of vertex colours over the scene, blended by the vertices' alpha. Stage 0
// selects the vertex colour and alpha outright: sprite and quad draws leave it modulating,
// which would square the fade's alpha.
template <class V>
void DrawColorQuad(DS_ScreenQuad* quad) {
  if (!quad || !quad->vertexBuffer || !g_Device) return;
  IDirect3DDevice9* d = g_Device;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
  SetStream<V>(quad->vertexBuffer);
  d->DrawPrimitive(quad->primitiveType, 0, quad->primitiveCount);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
}

}  // namespace

DS_2D_Light::DS_2D_Light() : m_PictureLink(DS_FileLink3(kPictureResourceId, kPictureModule)) {
  m_ImageBinder.SetTarget(this, false);
  m_ImageBinder.Add(new DS_FunLightCtrl2<DS_2D_Light>(&m_PictureLink, &DS_2D_Light::OnImageChanged, this));
}

DS_2D_Light::~DS_2D_Light() {
  // The listener leaves the link before anything it could call on goes away.
  m_ImageBinder.Clear();
  m_RenderTargets.Release();
  m_BackgroundTexture.Reset();
}

// ---------------------------------------------------------------------------------------
// Record

bool DS_2D_Light::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  if (version > 1) ReadFileLink(archive, m_PictureLink);
  if (version > 2) {
    std::unique_ptr<DSM_Camera> camera(DSM_Camera::ReadCameraRecord(archive));
    m_Camera = *camera;
  }
  return true;
}

bool DS_2D_Light::ReadPart(DS_IOF_Virtual& archive) {
  return ReadFields(archive, ReadKnownRecordHead(archive));
}

void DS_2D_Light::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_2D_Light");
  const unsigned version = kVersion;
  archive.WriteUInt(version);
  if (g_DocResManager) g_DocResManager->PrepareLinkForSave(m_PictureLink);
  WriteFileLink(archive, m_PictureLink);
  m_Camera.Write(archive);
}

// ---------------------------------------------------------------------------------------
// Device objects and picture

void DS_2D_Light::LoadPicture() {
  DS_TextureRecord first;
  if (g_DocResManager) first = m_PictureLink.GetTextureSet(*g_DocResManager).GetFirstTexture();
  m_Picture = first;
  m_PictureQuad.SetTexture(m_Picture.texture);
  const float w = float(m_Picture.width), h = float(m_Picture.height);
  const D3DXVECTOR3 corners[4] = {{0, h, 0}, {0, 0, 0}, {w, h, 0}, {w, 0, 0}};
  m_PictureQuad.SetCorners(corners);
}

void DS_2D_Light::CreateDeviceObjects() {
  m_PictureQuad.CreateVertexBuffer();
  if (void* p = LockVertexBuffer(m_PictureQuad.vertexBuffer)) {
    auto* v = static_cast<DX_V::PT*>(p);
    const float uv[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    for (int i = 0; i < 4; ++i) {
      v[i] = DX_V::PT{0.0f, 0.0f, 0.0f, uv[i][0], uv[i][1]};
    }
    m_PictureQuad.vertexBuffer->Unlock();
  }
  LoadPicture();
  m_Camera.SetDefaultViewSize(m_Picture.width, m_Picture.height);
  if (g_StageView) {
    IDirect3DTexture9* border = nullptr;
    if (g_DocResManager) border = m_Camera.borderImage.GetTextureSet(*g_DocResManager).CurrentTexture();
    g_StageView->SetBorderTexture(border);
  }
}

void DS_2D_Light::OnDeviceReset() {
  if (!g_Device) return;
  IDirect3DDevice9* d = g_Device;
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_MIRROR);
  d->SetTextureStageState(1, D3DTSS_TEXCOORDINDEX, 1);
  d->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_CURRENT);
  d->SetTextureStageState(1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_DISABLE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  if (g_DocResManager) g_DocResManager->OnDeviceReset();
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  m_RenderTargets.Create(desc.Width, desc.Height);
}

void DS_2D_Light::OnDeviceLost() {
  m_RenderTargets.Release();
  m_BackgroundTexture.Reset();
  m_OffscreenActive = false;
}

void DS_2D_Light::OnImageChanged() {
  LoadPicture();
  Resize(m_RenderWidth, m_RenderHeight);
}

// ---------------------------------------------------------------------------------------
// Layout and camera

int DS_2D_Light::StageFitMode() {
  return (g_StageView && g_StageView->camera) ? g_StageView->camera->fitMode : kFitFit;
}

void DS_2D_Light::Resize(unsigned width, unsigned height) {
  if (!m_InsideRenderTarget) {
    m_RenderWidth = width;
    m_RenderHeight = height;
  }
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, StageFitMode(), m_InsideRenderTarget);
  QuadVertices q = MakeFittedQuad(m_Picture, m_RenderWidth, m_RenderHeight);
  ScaleQuadToBackBuffer(q, m_RenderWidth, m_RenderHeight);
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  // A render size of 0 would divide by zero, and a scale of 0 (no back buffer yet) would
  // make the readers of the layout divide by it; the scale stays 1 then.
  g_ScreenLayout.scaleX = (m_RenderWidth && desc.Width) ? float(desc.Width) / float(m_RenderWidth) : 1.0f;
  g_ScreenLayout.scaleY = (m_RenderHeight && desc.Height) ? float(desc.Height) / float(m_RenderHeight) : 1.0f;
  g_ScreenLayout.pictureQuad = q;
  g_ScreenLayout.pictureWidth = m_Picture.width;
  g_ScreenLayout.pictureHeight = m_Picture.height;
}

void DS_2D_Light::SetViewMode(int mode) {
  m_ViewMode = mode;
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, mode, false);
  DS_2D_Light::Resize(m_RenderWidth, m_RenderHeight);
}

void DS_2D_Light::UpdateFrame(float time) { m_Camera.Update(time); }

bool DS_2D_Light::SetCameraEnabled(bool enable) {
  const bool was = m_Camera.motionFlag.Get() == 1;
  m_Camera.motionFlag.Store(enable ? 1 : 0);
  m_Camera.Restart();
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, StageFitMode(), false);
  return was;
}

// ---------------------------------------------------------------------------------------
// Drawing the picture, the fade and the icon layer

void DS_2D_Light::SetWorld(const D3DXMATRIX& source) {
  D3DXMATRIX world = source;
  if (g_StageView) g_StageView->ApplyViewTransform(source, world);
  g_Device->SetTransform(D3DTS_WORLD, &world);
}

void DS_2D_Light::SetStageTransforms(const DS_Frame* frame) {
  if (g_StageView) {
    g_Device->SetTransform(D3DTS_VIEW, &g_StageView->view);
    g_Device->SetTransform(D3DTS_PROJECTION, &g_StageView->projection);
  }
  if (frame) SetWorld(frame->world);
}

void DS_2D_Light::DrawPicture(bool perMonitor) {
  if (!g_Device) return;
  if (g_StageView) g_StageView->SetZoomOffset(1.0f);
  SetStageTransforms(&m_PictureQuad);
  if (!perMonitor) g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, kPictureClearColor, 1.0f, 0);
  // A link that gave no picture leaves nothing to draw over the clear.
  if (!m_PictureQuad.vertexBuffer || !m_Picture.texture) return;
  g_Device->SetTexture(0, m_Picture.texture);
  m_PictureQuad.SetStream();
  g_Device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
}

void DS_2D_Light::FinishFrame(bool perMonitor) {
  if (!perMonitor && g_StageView && g_Device) g_StageView->RenderBorders();
}

void DS_2D_Light::DrawFadeQuad(DS_ScreenQuad* quad) {
  DrawColorQuad<DX_V::RhwC>(quad);
}

void DS_2D_Light::DrawColorQuadXYZ(DS_ScreenQuad* quad) { DrawColorQuad<DX_V::PC>(quad); }

void DS_2D_Light::DrawScreenQuadOnDevice(DS_ScreenQuad* quad) {
  if (!quad || !quad->vertexBuffer || !g_Device) return;
  IDirect3DDevice9* d = g_Device;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTexture(0, quad->texture);
  SetStream<DX_V::RhwCT>(quad->vertexBuffer);
  d->DrawPrimitive(quad->primitiveType, 0, quad->primitiveCount);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
}

void DS_2D_Light::DrawScreenQuad(DS_ScreenQuad* quad) { DrawScreenQuadOnDevice(quad); }

// ---------------------------------------------------------------------------------------
// Render targets

void DS_2D_Light::PushRenderTarget(DS_RenderTargetPair& pair, int viewMode) {
  m_SavedViewMode = StageFitMode();
  m_SavedViewModes.push_back(m_SavedViewMode);
  g_RenderTargetSizeStack.emplace_back(m_RenderWidth, m_RenderHeight);
  m_InsideRenderTarget = true;
  m_RenderWidth = pair.width;
  m_RenderHeight = pair.height;
  m_Camera.ApplyLayout(m_Picture, pair.width, pair.height, viewMode, true);
}

void DS_2D_Light::PopRenderTarget() {
  // An unpaired pop has no size to restore; the layout stays as it is.
  if (g_RenderTargetSizeStack.empty()) return;
  m_RenderWidth = g_RenderTargetSizeStack.back().first;
  m_RenderHeight = g_RenderTargetSizeStack.back().second;
  g_RenderTargetSizeStack.pop_back();
  if (!m_SavedViewModes.empty()) {
    m_SavedViewMode = m_SavedViewModes.back();
    m_SavedViewModes.pop_back();
  }
  if (g_RenderTargetSizeStack.empty()) m_InsideRenderTarget = false;
  // After the outermost pop this is a layout outside any target; after an inner one the
  // outer target is still bound and is laid out as such.
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, m_SavedViewMode, m_InsideRenderTarget);
}

void DS_2D_Light::BeginOffscreen() {
  m_ViewMode = StageFitMode();
  // Without its targets (a failed reset) the layer keeps drawing to the back buffer.
  if (!m_RenderTargets.BeginRender()) return;
  m_OffscreenActive = true;
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, kFitOffscreen, false);
}

DS_RenderTargetPair& DS_2D_Light::ResolveOffscreen(bool clear) {
  // Without a pass (no targets after a failed reset) the scene went straight to the back
  // buffer: clearing it would wipe the frame.
  if (!m_OffscreenActive) return m_RenderTargets;
  m_Camera.ApplyLayout(m_Picture, m_RenderWidth, m_RenderHeight, m_ViewMode, false);
  m_RenderTargets.EndRender();
  m_OffscreenActive = false;
  if (clear && g_Device) g_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
  return m_RenderTargets;
}

IDirect3DTexture9* DS_2D_Light::GetOffscreenTexture() {
  if (!m_OffscreenActive) return nullptr;
  return m_RenderTargets.SwapAndClear();
}

void DS_2D_Light::SetBackground(IDirect3DTexture9* t) { m_BackgroundTexture.Assign(t); }

float DS_2D_Light::DepthFactor(unsigned depth) {
  return depth == 0 ? 1.0f : 100.0f / float(depth);
}

void DS_2D_Light::RenderObjects(const DS_RuntimeObjects& objects, unsigned readerCount) {
  unsigned n = readerCount;
  SetBackground(m_Picture.texture);
  for (size_t i = objects.size(); i-- > 0;) {
    DS_ABObj* object = objects[i].get();
    if (!object) continue;
    if (ReadsScene(*object)) {
      IDirect3DTexture9* t = nullptr;
      if (m_OffscreenActive) {
        if (n <= 1) {
          t = ResolveOffscreen(false).current;
        } else {
          t = m_RenderTargets.SwapAndClear();
        }
      }
      if (n > 0) --n;
      // Without an off-screen pass the scene so far is not at hand; the picture stands in.
      SetBackground(t ? t : m_Picture.texture);
    }
    if (object->IsVisible()) {
      const unsigned depth = object->Description() ? object->Description()->m_Depth.Get() : 100u;
      if (g_StageView) g_StageView->SetZoomOffset(DepthFactor(depth));
      object->Render(*this);
    }
    SetBackground(m_Picture.texture);
  }
}

// ---------------------------------------------------------------------------------------
// The render interface

void DS_2D_Light::DrawIndexed(const DS_MeshView& mesh, Effect** effect) {
  if (!g_Device || !effect || !*effect) return;
  SetStageTransforms(mesh.frame);
  g_Device->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PT>(mesh.vertexBuffer);
  RunPasses(effect, [&] {
    g_Device->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.indexedPrimitiveCount);
  });
}

void DS_2D_Light::Draw(const DS_MeshView& mesh, Effect** effect) {
  if (!g_Device || !effect || !*effect) return;
  SetStageTransforms(mesh.frame);
  SetStream<DX_V::PT>(mesh.vertexBuffer);
  RunPasses(effect, [&] { g_Device->DrawPrimitive(mesh.primitiveType, 0, mesh.primitiveCount); });
}

void DS_2D_Light::DrawMesh(const DS_MeshView& mesh, Effect** effect) {
  if (!g_Device || !effect || !*effect) return;
  // Geometry whose buffers could not be made has nothing to draw.
  if (!mesh.vertexBuffer || !mesh.indexBuffer || mesh.indexedPrimitiveCount == 0) return;
  SetStageTransforms(mesh.frame);
  g_Device->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PCT>(mesh.vertexBuffer);
  RunPasses(effect, [&] {
    g_Device->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.indexedPrimitiveCount);
  });
}

void DS_2D_Light::DrawQuadRange(const DS_MeshView& mesh, Effect** effect, UINT first, UINT count) {
  if (!g_Device) return;
  SetStageTransforms(mesh.frame);
  auto draw = [&] {
    g_Device->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, first * 6, count * 2);
  };
  if (effect && *effect) {
    g_Device->SetIndices(mesh.indexBuffer);
    SetStream<DX_V::PCT>(mesh.vertexBuffer);
    RunPasses(effect, draw);
    return;
  }
  IDirect3DDevice9* d = g_Device;
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PCT>(mesh.vertexBuffer);
  draw();
}

void DS_2D_Light::DrawSpriteArray(const DS_SpriteArrayView& object) {
  if (!g_Device) return;
  IDirect3DDevice9* d = g_Device;
  const DS_MeshView& mesh = object.geometry;
  // A sprite count the buffers do not hold (above the cap, buffers not yet remade, a
  // failed creation) would read indices past the end of the index buffer.
  const UINT sprites = object.spriteCount < mesh.vertexCount / 4 ? object.spriteCount : mesh.vertexCount / 4;
  if (sprites == 0 || !mesh.vertexBuffer || !mesh.indexBuffer) return;
  SetStageTransforms(mesh.frame);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  const bool alphaBlended = object.overlay || object.blendMode == 0;
  d->SetRenderState(D3DRS_DESTBLEND, alphaBlended ? D3DBLEND_INVSRCALPHA : D3DBLEND_ONE);
  d->SetTexture(0, object.frameTexture);
  d->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PCT>(mesh.vertexBuffer);
  d->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, 2 * sprites);
  if (object.overlay) {
    d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    d->SetTexture(0, object.overlay);
    if (object.blendMode == 1) d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    d->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, 2 * sprites);
  }
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void DS_2D_Light::DrawMeshPart(const DS_3DPartView& part) {
  if (!g_Device) return;
  IDirect3DDevice9* d = g_Device;
  SetStageTransforms(nullptr);
  if (part.translucent) d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTexture(0, part.texture);
  d->SetIndices(part.mesh.indexBuffer);
  SetStream<DX_V::PNT>(part.mesh.vertexBuffer);
  auto drawFrames = [&](bool firstLoop) {
    if (!part.frames) return;
    for (const DS_Frame* frame : *part.frames) {
      if (!frame) continue;
      SetWorld(frame->world);
      // The second loop of a translucent part draws the faces that the first one culled.
      const bool ccw = (frame->winding != 0) == firstLoop;
      d->SetRenderState(D3DRS_CULLMODE, ccw ? D3DCULL_CCW : D3DCULL_CW);
      d->DrawIndexedPrimitive(part.mesh.primitiveType, 0, 0, part.mesh.vertexCount, 0, part.mesh.indexedPrimitiveCount);
    }
  };
  drawFrames(true);
  if (part.translucent) drawFrames(false);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawMeshArray(const DS_MeshArrayView& array) {
  if (!g_Device) return;
  IDirect3DDevice9* d = g_Device;
  const DS_MeshView& mesh = array.mesh;
  SetStageTransforms(nullptr);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTexture(0, array.texture);
  d->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PNT>(mesh.vertexBuffer);
  if (mesh.frame) {
    for (const DS_Frame* instance : mesh.frame->children) {
      if (!instance) continue;
      SetWorld(instance->world);
      d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
      d->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.indexedPrimitiveCount);
      d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
      d->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.indexedPrimitiveCount);
    }
  }
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

void DS_2D_Light::DrawTexturedQuad(DS_TexturedQuadObj& object, float value, int) {
  if (!g_Device) return;
  IDirect3DDevice9* d = g_Device;
  SetStageTransforms(nullptr);
  object.Update(value);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_ZENABLE, FALSE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_TFACTOR);
  d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
  const DS_MeshView mesh = object.GetMesh();
  d->SetTexture(0, object.GetTexture());
  d->SetIndices(mesh.indexBuffer);
  SetStream<DX_V::PT>(mesh.vertexBuffer);
  d->DrawIndexedPrimitive(mesh.primitiveType, 0, 0, mesh.vertexCount, 0, mesh.indexedPrimitiveCount);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetTextureStageState(0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
}
