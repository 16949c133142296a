#pragma once
// Shader effects that distort the picture about their centre point:
//   DS_ExpandFX      the picture pulses outward and inward (a triangle or sine wave
//                    between two extremes);
//   DS_RadialWaveFX  circular waves run from the centre;
//   DS_RotationFX    the picture turns about the centre, optionally squashed into an
//                    ellipse by its zoom and tilted by its angle;
//   DS_BendFX        the picture bends over its region, swinging between two extremes.
// The first three draw over the whole picture quad, the bend over its region grid.
#include "effects/ShapeBases.h"

class DS_ExpandFX : public DS_CentralBased {
public:
  DS_ExpandFX();
  DS_ExpandFX(const DS_ExpandFX& other) = default;
  DS_ExpandFX& operator=(const DS_ExpandFX&) = delete;
  DS_FX_Constructor* Clone() const override { return new DS_ExpandFX(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // "DS_ExpandFX", version 1 (not tested): extremes, wave form, then the centre part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  // The clock, then the amplitude: between -second extreme and first extreme, times alpha.
  void UpdateFrame(float objectTime) override;
  // "amplitude" (outward, inward), "center", then the full-picture draw.
  void Render(DS_ABRender& layer) override;

  // The wave of the pulse at effect time t, in [-1, 1]: sin t, or the triangle wave that
  // rises from -1 at t = 0 to 1 at t = pi and falls back (wave form 0).
  float Wave(float t) const;

  UINTSclaleTo<float> m_FirstExtreme{50u, 0.005f, 0.0f};
  UINTSclaleTo<float> m_SecondExtreme{0u, 0.005f, 0.0f};
  MediaParamT<int> m_WaveForm{0};
  float m_Amplitude = 0.0f;
};

class DS_RadialWaveFX : public DS_CentralBased {
public:
  DS_RadialWaveFX();
  DS_RadialWaveFX(const DS_RadialWaveFX& other) = default;
  DS_RadialWaveFX& operator=(const DS_RadialWaveFX&) = delete;
  DS_FX_Constructor* Clone() const override { return new DS_RadialWaveFX(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // "DS_RadialWaveFX", versions 1 and 2 (2 written): version 1 holds only the centre part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 2;

  // "bg_scale_factor", "center", "frequency", "amplitude", "time", then the full-picture
  // draw.
  void Render(DS_ABRender& layer) override;

  UINTSclaleTo<float> m_Amplitude{50u, 0.00025f, 0.0f};
  UINTSclaleTo<float> m_Wavelength{50u, 0.0001f, 0.001f};
  UINTSclaleTo<float> m_BackgroundScale{50u, 1.0f, 25.0f};
  MediaParamT<int> m_Outward{0};
};

class DS_RotationFX : public DS_CentralBased {
public:
  DS_RotationFX();
  DS_RotationFX(const DS_RotationFX& other) = default;
  DS_RotationFX& operator=(const DS_RotationFX&) = delete;
  DS_FX_Constructor* Clone() const override { return new DS_RotationFX(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // "DS_RotationFX", version 1 (not tested): zoom, angle, reverse, then the centre part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  // The clock, then the rotation: the effect time, negated when reversed.
  void UpdateFrame(float objectTime) override;
  // "coord_transf", "offset", "mix_color", then the full-picture draw.
  void Render(DS_ABRender& layer) override;

  // The 2 x 2 transform passed as "coord_transf" (R11, R12, R21, R22).
  void Transform(float out[4]) const;

  UINTSclaleTo<float> m_Zoom{0u, 0.001f, 0.0f};
  MediaParamT<unsigned> m_Angle{0u};
  MediaParamT<int> m_Reverse{0};
  float m_Rotation = 0.0f;
};

class DS_BendFX : public DS_CentralBased {
public:
  DS_BendFX();
  DS_BendFX(const DS_BendFX& other) = default;
  DS_BendFX& operator=(const DS_BendFX&) = delete;
  DS_FX_Constructor* Clone() const override { return new DS_BendFX(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // "DS_BendFX", version 1 (not tested): extremes, bend, bend mode, then the centre part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  // The centre step and the effect, then a 2 x 2 grid over the region.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The clock, then the bend angle: a sine between -second and first extreme, roughened
  // by noise in bend mode 1.
  void UpdateFrame(float objectTime) override;
  // The centre parameters, "Angle", "Bend", then the region draw.
  void Render(DS_ABRender& layer) override;

  UINTSclaleTo<float> m_FirstExtreme{0u, 0.002f, 0.0f};
  UINTSclaleTo<float> m_SecondExtreme{0u, 0.002f, 0.0f};
  UINTSclaleTo<float> m_Bend{0u, 0.01f, 0.0f};
  MediaParamT<int> m_BendMode{0};
  float m_BendAngle = 0.0f;
};
