#pragma once
// The runtime sprite objects: each owns a clone of its description, holds the sprite
// geometry and draws it through the layer's render interface.
//   DS_SpriteArrayObj  plain sprite systems: sprite image (optionally animated) and an
//                      optional overlay texture;
//   DS_GlowingObj      glow systems: sprites into a glow target, the glow composited over
//                      the picture drawn so far, then the sprites themselves;
//   DS_FXObj           static effect-drawn objects: the description prepares its effect.
//
// Destruction unhooks the geometry's count listener before DS_ABObj deletes the
// description it listens to.

#include "core/render/RenderTargetPair.h"
#include "core/scene/DS_ABObj.h"
#include "layers/DS_ABRender.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteSystem.h"

#include <guiddef.h>

class DS_SpriteArrayObj : public DS_ABObj, public AnimatedTexture<ParticleGeomArray> {
public:
  explicit DS_SpriteArrayObj(DS_ParticleSystemCtrl* description);
  ~DS_SpriteArrayObj() override;

  void Render(DS_ABRender& layer) override;
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override;
  bool HitTest(float x, float y) override;
  void Reset() override;
  bool CollectBounds(DS_BoundsList& bounds) override;
  void UpdateFrame(float t) override;

  // The overlay with a reference for the caller (null when there is none).
  IDirect3DTexture9* GetTexture();
  // What the layer draws: at most the sprites the buffers hold.
  DS_SpriteArrayView View();
  DS_ParticleSystemCtrl& Desc() const { return *m_SpriteDescription; }

  DS_ParticleSystemCtrl* m_SpriteDescription;  // the same clone as DS_ABObj's
  ComRef<IDirect3DTexture9> m_Overlay;
};

class DS_GlowingObj : public DS_ABObj, public ParticleGeomArray {
public:
  explicit DS_GlowingObj(DS_GlowEffectCtrl* description);
  ~DS_GlowingObj() override;

  void Render(DS_ABRender& layer) override;
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override {}
  bool IsPostPass() override { return true; }
  void UpdateFrame(float t) override;

  DS_GlowEffectCtrl* m_GlowDescription;
  DS_RenderTargetPair* m_GlowTarget = nullptr;  // owned by the resource manager
  GUID m_GlowKey{};
};

class DS_FXObj : public DS_ABObj, public ParticleGeomArray {
public:
  explicit DS_FXObj(DS_BaseFXCtrl* description);
  ~DS_FXObj() override;

  void Render(DS_ABRender& layer) override;
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override {}
  void UpdateFrame(float t) override;

  DS_BaseFXCtrl* m_EffectDescription;
};
