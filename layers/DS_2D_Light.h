#pragma once
// The layer of a slide: shows the slide's picture through its camera on the stage view,
// and is the render context through which every runtime object of the slide draws. The
// plain picture layer, and the base of the effect layers.

#include "core/document/FileLink.h"
#include "core/params/MediaParam.h"
#include "core/render/D3DUtil.h"
#include "core/render/RenderTargetPair.h"
#include "core/render/ScreenQuad.h"
#include "core/scene/DS_ABObj.h"
#include "layers/DSM_Camera.h"
#include "layers/DS_ABRender.h"

#include <utility>
#include <vector>

// The render sizes saved by PushRenderTarget, last in first out, shared by all layers.
using DS_RenderTargetSizeStack = std::vector<std::pair<unsigned, unsigned>>;
extern DS_RenderTargetSizeStack g_RenderTargetSizeStack;

using DS_RuntimeObjects = std::vector<DS_SharedRef<DS_ABObj>>;

class DS_2D_Light : public DS_ABRender {
public:
  DS_2D_Light();
  DS_2D_Light(const DS_2D_Light&) = delete;
  DS_2D_Light& operator=(const DS_2D_Light&) = delete;
  ~DS_2D_Light() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }

  // The render interface.
  using DS_ABRender::Draw;
  using DS_ABRender::DrawIndexed;
  using DS_ABRender::DrawMesh;
  using DS_ABRender::DrawQuadRange;
  void PushRenderTarget(DS_RenderTargetPair& pair, int viewMode) override;
  void PopRenderTarget() override;
  void DrawIndexed(const DS_MeshView& mesh, Effect** effect) override;
  void Draw(const DS_MeshView& mesh, Effect** effect) override;
  void DrawQuadRange(const DS_MeshView& mesh, Effect** effect, UINT first, UINT count) override;
  void DrawMesh(const DS_MeshView& mesh, Effect** effect) override;
  void DrawMeshPart(const DS_3DPartView& part) override;
  void DrawSpriteArray(const DS_SpriteArrayView& object) override;
  void DrawMeshArray(const DS_MeshArrayView& mesh) override;
  void DrawTexturedQuad(DS_TexturedQuadObj& object, float value, int ignored) override;
  ComRef<IDirect3DTexture9>& GetBackgroundTexture() override { return m_BackgroundTexture; }
  DS_ScreenQuad& GetScreenQuad() override { return m_PictureQuad; }
  UINT GetWidth() override { return m_Picture.width; }
  UINT GetHeight() override { return m_Picture.height; }

  // The layer's own operations.
  virtual void CreateDeviceObjects();
  virtual void OnDeviceReset();
  virtual void OnDeviceLost();
  virtual void FinishFrame(bool perMonitor);
  virtual void DrawPicture(bool perMonitor);
  virtual void UpdateFrame(float time);
  virtual void Resize(unsigned width, unsigned height);
  virtual void SetViewMode(int mode);
  virtual int ReservedLayerHook1(int, int, int) { return 0; }
  virtual int ReservedLayerHook2(int) { return 0; }
  virtual bool ReservedLayerHook3() { return false; }
  virtual bool ReservedLayerHook4() { return true; }
  virtual bool IsCameraEnabled() { return m_Camera.motionFlag.Get() == 1; }
  virtual void DrawFadeQuad(DS_ScreenQuad* quad);
  virtual void DrawScreenQuad(DS_ScreenQuad* quad);
  virtual void RenderObjects(const DS_RuntimeObjects& objects, unsigned readerCount);
  virtual bool CollectBounds(DS_BoundsList& bounds) { return false; }
  virtual void BeginOffscreen();
  virtual IDirect3DTexture9* GetOffscreenTexture();
  virtual DS_RenderTargetPair& ResolveOffscreen(bool clear);
  virtual bool SetCameraEnabled(bool enable);
  virtual bool NeedsSceneTexture() { return false; }
  virtual void OnImageChanged();

  // The record: the base part of every layer's record.
  bool ReadFields(DS_IOF_Virtual& archive, unsigned version);
  bool ReadPart(DS_IOF_Virtual& archive);
  void WritePart(DS_IOF_Virtual& archive);

  // Like DrawFadeQuad with untransformed XYZ|DIFFUSE vertices, under the transforms set.
  void DrawColorQuadXYZ(DS_ScreenQuad* quad);
  // Frame 0 of the picture link becomes the picture and the quad's texture.
  void LoadPicture();

  // The screen-quad draw that needs no layer state (the host's icon layer also uses it
  // while the show has no slide to draw through).
  static void DrawScreenQuadOnDevice(DS_ScreenQuad* quad);

  // Whether the object reads the scene drawn so far this frame: a post-pass object that is
  // shown. A hidden one draws nothing, so it neither ends nor splits the off-screen pass
  // (ending it there would leave the back buffer without the picture).
  static bool ReadsScene(DS_ABObj& object) { return object.IsVisible() && object.IsPostPass(); }

  // The depth matrix factor for an object of the given depth: 100 / depth, and 1 (no
  // shift) for a depth of 0, which would divide by zero.
  static float DepthFactor(unsigned depth);

  DS_ImageFileLink& PictureLink() { return m_PictureLink; }
  DSM_Camera& Camera() { return m_Camera; }
  const DS_TextureRecord& Picture() const { return m_Picture; }
  DS_RenderTargetPair& RenderTargets() { return m_RenderTargets; }
  unsigned RenderWidth() const { return m_RenderWidth; }
  unsigned RenderHeight() const { return m_RenderHeight; }
  bool InsideRenderTarget() const { return m_InsideRenderTarget; }
  int ViewMode() const { return m_ViewMode; }
  bool OffscreenActive() const { return m_OffscreenActive; }

  static constexpr unsigned kVersion = 3;

protected:
  // The stage camera's fit mode (the mode of the last layout).
  static int StageFitMode();
  // The background slot takes its own reference to t (the old one is released).
  void SetBackground(IDirect3DTexture9* t);
  // Stage transforms for a draw: VIEW, PROJECTION and, when given, WORLD from the frame.
  static void SetStageTransforms(const DS_Frame* frame);
  static void SetWorld(const D3DXMATRIX& world);

  DS_ImageFileLink m_PictureLink;
  DSM_Camera m_Camera;
  DS_ScreenQuad m_PictureQuad;
  DS_TextureRecord m_Picture;
  ComRef<IDirect3DTexture9> m_BackgroundTexture;
  int m_ViewMode = 1;
  int m_SavedViewMode = 1;
  // One saved mode per push, so that nested pushes each give back the mode they found.
  std::vector<int> m_SavedViewModes;
  DS_RenderTargetPair m_RenderTargets;
  DS_ParamBinder m_ImageBinder;
  unsigned m_RenderWidth = 0;
  unsigned m_RenderHeight = 0;
  bool m_InsideRenderTarget = false;
  // True between BeginOffscreen and the resolve, while the pair is bound.
  bool m_OffscreenActive = false;
};
