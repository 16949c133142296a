#pragma once
// Effects that lay something over the whole picture:
//   DS_PatternBrush    a pattern picture (one frame or several) tiled over the picture,
//                      turned, mirrored and shifted, mixed in by the time line's alpha;
//   DS_PatternBrushC   the same effect under a class name of its own (its clone, and so
//                      its runtime object's description, is a DS_PatternBrush);
//   DS_BackgroundCopy  the scene behind it drawn again, shifted;
//   DS_LightFX         the picture brightened by a flickering multiplier;
//   DS_LightFX_II      a flickering colour blended over the scene by one of four blends.
#include "effects/FXConstructor.h"

class DS_PatternBrush : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_PatternBrush();
  DS_PatternBrush(const DS_PatternBrush& other);
  DS_PatternBrush& operator=(const DS_PatternBrush&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_PatternBrush(*this); }
  void Write(DS_IOF_Virtual& archive) override { WritePatternPart(archive); }
  // "DS_PatternBrush", version 1, its fields, then the base part.
  void WritePatternPart(DS_IOF_Virtual& archive);
  // The fields after the version (the version is not tested).
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // The base load, then the pattern's frames.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The pattern link's texture set (a module's stored set for a ".dll" link) copied into
  // the frames; the first frame is shown.
  void LoadPattern();
  // The clock, then the frame switch once the current frame's delay has passed.
  void UpdateFrame(float objectTime) override;
  void Render(DS_ABRender& layer) override;

  // How many frames take part in the stepping: those with both a delay and a texture.
  size_t SteppedFrameCount() const;
  // The "coord_transf" values (a cos, a sin, -b sin, b cos) for a W x H picture.
  void CoordTransform(float width, float height, float out[4]) const;

  DS_ImageFileLink m_PatternLink;
  MediaParamT<int> m_MirrorVertical;
  MediaParamT<int> m_MirrorHorizontal;
  MediaParamT<unsigned> m_Angle;
  UINTSclaleTo<float> m_PatternScale;
  UINTSclaleTo<float> m_OffsetX;
  UINTSclaleTo<float> m_OffsetY;
  DS_TextureSet m_Frames;
  unsigned m_FrameIndex = 0;
  float m_LastSwitch = 0.0f;
};

class DS_PatternBrushC : public DS_PatternBrush {
public:
  DS_PatternBrushC() = default;

  // "DS_PatternBrushC", version 1, then a whole "DS_PatternBrush" record.
  void Write(DS_IOF_Virtual& archive) override;
  // The nested "DS_PatternBrush" head (read, neither compared nor used), then its fields.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
};

class DS_BackgroundCopy : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_BackgroundCopy();
  DS_BackgroundCopy(const DS_BackgroundCopy& other);
  DS_BackgroundCopy& operator=(const DS_BackgroundCopy&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_BackgroundCopy(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void Render(DS_ABRender& layer) override;

  // The "offset" values for a W x H picture.
  void Offset(float width, float height, float out[2]) const;

  // Its four edges take no part; extra1 and extra2 are the shift in picture pixels.
  MediaRectangle m_Rect;
  MediaParamT<int> m_ShiftVertical;
  MediaParamT<int> m_ShiftHorizontal;
};

class DS_LightFX : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_LightFX();
  DS_LightFX(const DS_LightFX& other);
  DS_LightFX& operator=(const DS_LightFX&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_LightFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void Render(DS_ABRender& layer) override;

  // The flicker factor at the effect time for the flicker mode.
  float Flicker() const;

  UINTSclaleTo<float> m_Intensity;
  MediaParamT<int> m_FlickerMode;
};

class DS_LightFX_II : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_LightFX_II();
  DS_LightFX_II(const DS_LightFX_II& other);
  DS_LightFX_II& operator=(const DS_LightFX_II&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_LightFX_II(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // The base load, then a 2 x 2 region grid filled from the region.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  void Render(DS_ABRender& layer) override;

  // The flicker factor at the effect time for the flicker mode (one mode further on than
  // DS_LightFX numbers the same flicker).
  float Flicker() const;
  // The technique the blend mode names, or null for a mode that names none.
  static const char* BlendTechnique(int mode);

  UINTSclaleTo<float> m_Intensity;
  MediaParamT<int> m_FlickerMode;
  MediaParamT<int> m_BlendMode;
  MediaColor m_Colour;
};

// The flicker shapes both light effects share, at effect time t.
float SineFlicker(float t);    // (sin(0.2 t) + 1) / 2
float SwitchFlicker(float t);  // 1 while the sine flicker is above 1/2, else 0
float NoiseFlicker(float t);   // (FractalNoise1D(10 t, 75, 0.5, 2) + 1) / 2
