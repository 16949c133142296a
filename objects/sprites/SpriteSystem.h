#pragma once
// The sprite-system descriptions: the shared base with its sprite settings and images,
// the abstract system, the effect-drawn system, the glow system and the static
// effect-drawn bases, with the phase and colour rules every system uses.
//
// Each frame the runtime object advances the description's timing and animation clock
// and calls UpdateSprite on every sprite; new sprites get InitSprite.

#include "core/archive/DS_IOF.h"
#include "core/document/FileLink.h"
#include "core/params/CompositeParams.h"
#include "core/params/Numeric.h"
#include "core/params/ScaledParams.h"
#include "objects/DS_ViewObjCtrl.h"
#include "objects/sprites/SpriteGeometry.h"
#include "platform/ComPtr.h"

#include <d3d9.h>

#include <vector>

struct Effect;
class DS_ABRender;

// Frame counts from a document are at least 1 (0 would divide).
inline unsigned UsableFrameCount(unsigned frames) { return frames ? frames : 1u; }

class DS_BaseSpriteProp : public DS_ViewObjCtrl {
public:
  DS_BaseSpriteProp();
  DS_BaseSpriteProp(const DS_BaseSpriteProp& other);
  ~DS_BaseSpriteProp() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // {sprite image, image kind, 0, 1 / frame count}.
  DS_PreviewImage GetPreviewImage() override;

  virtual void InitSprite(DS_SpriteState& sprite) {}
  virtual void UpdateSprite(DS_SpriteState& sprite) {}
  // UpdateSprite on each of the records, in order. A system may run its own rule here
  // without a virtual call per sprite, as long as every record ends the same.
  virtual void UpdateSprites(DS_SpriteState* sprites, size_t count);
  // (index + 1) mod frame count.
  virtual unsigned NextFrame(unsigned index);
  // How many sprites are drawn: the sprite count.
  virtual unsigned GetSpriteCount();
  // The colour with its alpha byte times the time line's alpha (truncated).
  virtual D3DCOLOR ApplyTimeLineAlpha(D3DCOLOR color);
  // The sprite colour at a phase: alpha = transparency alpha x phase, saturated to
  // 0..255; red, green and blue from the colour (0x00BBGGRR).
  D3DCOLOR SpriteColorFor(float phase) const;
  // A vertex fill asks the time line once for all its sprites: between these two calls
  // ApplyTimeLineAlpha uses the alpha taken at the start.
  void BeginVertexFill();
  void EndVertexFill() { m_FillAlphaHeld = false; }

  // The part "DS_BaseSpriteProp", versions 1 to 7 (7 written).
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  void WriteFields(DS_IOF_Virtual& archive);

  // Version-1 images (inline records) become image links; nothing when the sprite image
  // link already has a path.
  void ConvertLegacyImages();
  // The sprite image's frame aspect (height / width, the texture set's), times the frame
  // count for a strip; without a resource manager, or for a set whose aspect is not a
  // positive number, the image counts as square.
  float SpriteAspect() const;

  static constexpr unsigned kVersion = 7;
  // Legacy lists are read with the bounded list reads; sprite counts are capped where
  // buffers are made (kMaxQuadsPerBuffer).

  MediaParamT<unsigned> m_SpriteCount{1u};
  MediaParamT<unsigned> m_SpriteSize{0u};
  UINTSclaleTo<unsigned char> m_Transparency{0u, -2.55f, 255.0f};
  MediaParamT<int> m_BlendMode{0};
  MediaColor m_Color{0x00FFFFFFul};
  float m_PhaseSpeed = 0.0f;
  float m_PhaseMin = 0.0f;
  float m_PhaseMax = 1.0f;
  float m_SizeFactorMin = 1.0f;
  float m_SizeFactorMax = 1.0f;
  DS_ImageFileLink m_SpriteImage;
  DS_ImageFileLink m_SecondImage;
  unsigned m_ReservedCount = 1;
  float m_ReservedValue = 0.0f;
  unsigned m_FrameCount = 1;
  float m_FrameRate = 0.0f;
  bool m_Strip = false;
  int m_ImageKind = 0;
  MediaParamT<int> m_FlipVertical{0};
  MediaParamT<int> m_FlipHorizontal{0};
  MediaParamT<int> m_RefreshOnFrame{0};
  std::vector<float> m_LegacyFrameDelays;
  std::vector<DS_ResourceRecord> m_LegacyFrames;
  DS_ResourceRecord m_LegacySecondImage;
  MediaSpeedParam m_AnimationSpeed{100u, 0.01f, 0.0f};

private:
  bool m_FillAlphaHeld = false;
  float m_FillAlpha = 1.0f;
};

class DS_ParticleSystemCtrl : public DS_BaseSpriteProp {
public:
  DS_ParticleSystemCtrl() = default;
  DS_ParticleSystemCtrl(const DS_ParticleSystemCtrl& other) = default;

  virtual DS_ParticleSystemCtrl* Clone() = 0;
  // ConvertLegacyImages, then a DS_SpriteArrayObj owning a clone.
  DS_ABObj* CreateRuntimeObject() override;

  // Moves the phase by frame step x phase velocity and reverses it past a bound (below
  // the minimum, a respawning system first calls InitSprite).
  void AdvancePhase(DS_SpriteState& sprite, bool respawn);
  // The sprite's colour: alpha = transparency alpha x phase, saturated to 0..255; red,
  // green and blue from the colour (0x00BBGGRR).
  void SpriteColor(DS_SpriteState& sprite);
};

class DS_FXParticleSystemCtrl : public DS_ParticleSystemCtrl {
public:
  DS_FXParticleSystemCtrl() = default;
  // Copies the link and shares the effect (one more reference).
  DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& other);
  ~DS_FXParticleSystemCtrl() override;

  // The effect of the link from the resource manager (null when it does not resolve).
  virtual void LoadResources();

  // The part "DS_FXParticleSystemCtrl", version 1: effect link, then the sprite part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void WritePart(DS_IOF_Virtual& archive);

  DS_HLSLEffectFile m_EffectLink;
  ComRef<Effect> m_Effect;
};

class DS_BaseFXCtrl : public DS_FXParticleSystemCtrl {
public:
  DS_BaseFXCtrl() = default;
  DS_BaseFXCtrl(const DS_BaseFXCtrl& other) = default;
  // Sets techniques and parameters (and may draw by itself); true asks the runtime
  // object to draw the geometry with the effect.
  virtual bool PrepareEffect(DS_ABRender& render, ParticleGeomArray& geometry) = 0;

  // The part "DS_BaseFXCtrl", version 1, then the effect part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void WritePart(DS_IOF_Virtual& archive);
};

class DS_StatBaseFXCtrl : public DS_BaseFXCtrl {
public:
  // The centre starts at the middle of the picture.
  DS_StatBaseFXCtrl();
  DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& other);
  // A DS_FXObj owning a clone.
  DS_ABObj* CreateRuntimeObject() override;
  // The effect; an unplaced description centres itself.
  void LoadResources() override;

  // The part "DS_StatBaseFXCtrl", version 2 (1 and 2 read).
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  MediaParamT<D3DXVECTOR3> m_Centre;
  MediaParamT<unsigned> m_Height{0u};
  MediaParamT<unsigned> m_Width{0u};
};

class DS_GlowEffectCtrl : public DS_FXParticleSystemCtrl {
public:
  DS_GlowEffectCtrl() = default;
  DS_GlowEffectCtrl(const DS_GlowEffectCtrl& other);
  ~DS_GlowEffectCtrl() override;

  // A DS_GlowingObj owning a clone.
  DS_ABObj* CreateRuntimeObject() override;
  // The effect, then the glow texture (second image) and sprite texture (sprite image):
  // each the current frame of its link's texture set, null for an empty set.
  void LoadResources() override;
  virtual void PreUpdate() {}
  // False when the sprites have no area this frame (a bolt whose start is its end): the
  // runtime object then draws nothing, neither glow nor sprites.
  virtual bool HasGeometryToDraw() const { return true; }

  // The part "DS_GlowEffectCtrl", version 1: glow colour, glow strength, effect part.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  MediaColor m_GlowColor{0ul};
  UINTSclaleTo<float> m_GlowStrength{100u, 0.01f, 0.0f};
  ComRef<IDirect3DTexture9> m_GlowTexture;
  ComRef<IDirect3DTexture9> m_SpriteTexture;
};

// The boundary behaviour of one side of a flow system's area.
class DS_BoundControl : public DS_IOF_Item {
public:
  using Test = bool (DS_SpriteState::*)(const DS_ViewObjCtrl&) const;

  DS_BoundControl() = default;
  DS_BoundControl(const DS_BoundControl&) = delete;
  DS_BoundControl& operator=(const DS_BoundControl&) = delete;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // Stores the side (0 top, 1 bottom, 2 left, 3 right) and its two edge tests.
  void SetSide(int side);
  // True when this control handled the sprite this frame.
  bool Process(DS_SpriteState& sprite, DS_ViewObjCtrl& d);
  // Values only (mode, times, delays), each with an undo snapshot.
  void CopyValues(const DS_BoundControl& source);

  // The record "DS_BoundControl", version 1: mode, fade-out, fade-in, delay min, delay max.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive);
  void WritePart(DS_IOF_Virtual& archive);

  int m_Side = -1;
  Test m_OutsideTest = nullptr;
  Test m_CrossingTest = nullptr;
  MediaParamT<int> m_Mode{0};
  MediaParamT<unsigned> m_FadeOutTime{0u};
  MediaParamT<unsigned> m_FadeInTime{0u};
  MediaParamT<unsigned> m_DelayMin{0u};
  MediaParamT<unsigned> m_DelayMax{0u};

  // Whether the control watches `side` with the two tests SetSide(side) stores.
  bool HasSideTests(int side) const;
  // Process for a control with HasSideTests(Side), given its side's edge in d's pixels
  // (taken once for many sprites): the same steps, with the tests known where the call
  // is compiled.
  template <int Side>
  bool ProcessOwnSide(DS_SpriteState& sprite, DS_ViewObjCtrl& d, float edge) {
    return Run<Side>(sprite, d, edge);
  }

private:
  // The crossing or the outside test of the sprite: with Side -1 the side's own tests run
  // inline and any other through its pointer; with a side, that side's tests against edge.
  template <int Side>
  bool Passes(bool crossing, const DS_SpriteState& s, const DS_ViewObjCtrl& d, float edge) const;
  template <int Side>
  bool Run(DS_SpriteState& s, DS_ViewObjCtrl& d, float edge);
  // The first frame of each mode, once its edge test has passed.
  bool Enter(DS_SpriteState& s, DS_ViewObjCtrl& d);
  bool BeginBounce(DS_SpriteState& s, DS_ViewObjCtrl& d);
  bool BeginReturn(DS_SpriteState& s, DS_ViewObjCtrl& d);
  bool Continue(DS_SpriteState& s, DS_ViewObjCtrl& d);
};

// Every flow sprite meets up to four controls each frame, and nearly always leaves each
// at its edge test: Process and the tests are here so that they inline into the update.
template <int Side>
[[gnu::always_inline]] inline bool DS_BoundControl::Passes(bool crossing, const DS_SpriteState& s,
                                                           const DS_ViewObjCtrl& d, float edge) const {
  if constexpr (Side >= 0) {
    return crossing ? s.Crosses<Side>(edge) : s.IsOutside<Side>(edge);
  } else {
    const Test test = crossing ? m_CrossingTest : m_OutsideTest;
    switch (m_Side) {
      case 0:
        if (test == &DS_SpriteState::IsOutsideTop) return s.IsOutsideTop(d);
        if (test == &DS_SpriteState::CrossesTopEdge) return s.CrossesTopEdge(d);
        break;
      case 1:
        if (test == &DS_SpriteState::IsOutsideBottom) return s.IsOutsideBottom(d);
        if (test == &DS_SpriteState::CrossesBottomEdge) return s.CrossesBottomEdge(d);
        break;
      case 2:
        if (test == &DS_SpriteState::IsOutsideLeft) return s.IsOutsideLeft(d);
        if (test == &DS_SpriteState::CrossesLeftEdge) return s.CrossesLeftEdge(d);
        break;
      case 3:
        if (test == &DS_SpriteState::IsOutsideRight) return s.IsOutsideRight(d);
        if (test == &DS_SpriteState::CrossesRightEdge) return s.CrossesRightEdge(d);
        break;
      default:
        break;
    }
    return (s.*test)(d);
  }
}

template <int Side>
[[gnu::always_inline]] inline bool DS_BoundControl::Run(DS_SpriteState& s, DS_ViewObjCtrl& d, float edge) {
  if (s.boundarySide != -1) return s.boundarySide == m_Side ? Continue(s, d) : false;
  // Bounce starts when the sprite crosses the edge, wrap and return when it is past it.
  const int mode = m_Mode.Get();
  if (mode < 0 || mode > 2) return false;
  if (!Passes<Side>(mode == 1, s, d, edge)) return false;
  if (mode == 0) return Enter(s, d);
  return mode == 1 ? BeginBounce(s, d) : BeginReturn(s, d);
}

[[gnu::always_inline]] inline bool DS_BoundControl::Process(DS_SpriteState& s, DS_ViewObjCtrl& d) {
  // A control without a side has no edge to watch.
  if (!m_OutsideTest || !m_CrossingTest) return false;
  return Run<-1>(s, d, 0.0f);
}

inline D3DCOLOR DS_BaseSpriteProp::SpriteColorFor(float phase) const {
  // A phase above 1 (or below 0) saturates instead of wrapping the alpha byte.
  const unsigned char a = SaturateToByte(float(m_Transparency.Derived()) * phase);
  return MediaColor::ColorToARGB(m_Color.Get(), a);
}

inline void DS_ParticleSystemCtrl::SpriteColor(DS_SpriteState& sprite) { sprite.color = SpriteColorFor(sprite.phase); }
