#pragma once
// Shader effects that move the picture:
//   DS_WavesFX       straight waves running across it;
//   DS_UnderwaterFX  a wobble as seen through water (no reader of its own: the underwater
//                    layer reads and writes its record inside its own and draws it);
//   DS_WaterFX       a rippling, bump-mapped water surface with light;
//   DS_MoveFX        a sway back and forth along a direction;
//   DS_WaterfallFX   coloured layers and a noise map streaming over a region along a
//                    direction, drawn with the effect the document carries.
#include "effects/FXConstructor.h"
#include "effects/ShapeBases.h"

#include <d3dx9math.h>

#include <vector>

class DS_WavesFX : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_WavesFX();
  // Copies every value, binds the copy's own listeners and recomputes its vectors.
  DS_WavesFX(const DS_WavesFX& other);
  DS_WavesFX& operator=(const DS_WavesFX&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_WavesFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // "direction", "direction_n", "frequency", "amplitude", "time", then the full-picture draw.
  void Render(DS_ABRender& layer) override;

  // direction := (1, 0) turned through (360 - angle) degrees; the wave normal := (0, 1)
  // (wave mode 0) or (-1, 0) (otherwise) turned through the same angle.
  void ComputeDirections();

  UINTSclaleTo<float> m_Amplitude{50u, 0.00025f, 0.0f};
  UINTSclaleTo<float> m_Wavelength{50u, 0.0005f, 0.001f};
  MediaParamT<unsigned> m_Angle{0u};
  MediaParamT<int> m_WaveMode{0};
  DS_ParamBinder m_Binder;
  D3DXVECTOR4 m_Direction{1.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 m_WaveNormal{0.0f, 1.0f, 0.0f, 0.0f};

private:
  void Bind();
};

class DS_UnderwaterFX : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_UnderwaterFX();
  DS_UnderwaterFX(const DS_UnderwaterFX& other);
  // Takes every value of a description read into a temporary (the owning layer's load).
  DS_UnderwaterFX& operator=(const DS_UnderwaterFX& other);

  DS_FX_Constructor* Clone() const override { return new DS_UnderwaterFX(*this); }
  // The whole record: "DS_UnderwaterFX", version 1, amplitude, wavelength, base part.
  void Write(DS_IOF_Virtual& archive) override;
  // Reads a whole record (class name and version read, not compared).
  void ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // "frequency", "amplitude" (no alpha), "time", then the full-picture draw.
  void Render(DS_ABRender& layer) override;

  UINTSclaleTo<float> m_Amplitude{50u, 0.000125f, 0.0f};
  UINTSclaleTo<float> m_Wavelength{50u, 0.002f, 0.001f};
};

class DS_WaterFX : public DS_FX_Constructor {
public:
  static constexpr unsigned kVersion = 1;

  DS_WaterFX();
  // Copies every value (the bump texture with a reference of its own), binds the copy's
  // listener and recomputes its direction.
  DS_WaterFX(const DS_WaterFX& other);
  DS_WaterFX& operator=(const DS_WaterFX&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_WaterFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // The bump texture (null when the link's set holds none), then the base load.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The clock, then the bump transform turning with it.
  void UpdateFrame(float objectTime) override;
  void Render(DS_ABRender& layer) override;

  // direction := (cos, sin) of the angle itself.
  void ComputeDirection();

  // The values Render passes as "P1" and "P2".
  void ProfileVectors(float p1[3], float p2[3]) const;
  // Profiles from this value up are passed as this value (see ProfileVectors).
  static constexpr float kMaxProfile = 0.99f;

  UINTSclaleTo<float> m_Profile{20u, 0.0001f, 0.0f};
  UINTSclaleTo<float> m_BumpAmount{20u, 0.001f, 0.0f};
  UINTSclaleTo<float> m_SecondDrift{20u, 0.00025f, 0.0f};
  UINTSclaleTo<float> m_FirstDriftPeriod{20u, 0.0005f, 0.001f};
  MediaParamT<unsigned> m_Angle{40u};
  UINTSclaleTo<float> m_Shadows{0u, 0.01f, 0.0f};
  UINTSclaleTo<float> m_HalfVectorHeight{0u, 0.1f, 0.0f};
  MediaColor m_Colour{0x00FFFFFFul};
  DS_ImageFileLink m_BumpLink;
  ComRef<IDirect3DTexture9> m_BumpTexture;
  D3DXVECTOR4 m_BumpTransform{0.0f, 0.0f, 0.0f, 0.0f};
  D3DXVECTOR4 m_Direction{1.0f, 0.0f, 0.0f, 0.0f};
  DS_ParamBinder m_Binder;

private:
  void Bind();
};

class DS_MoveFX : public DS_DirectionBased {
public:
  static constexpr unsigned kVersion = 2;

  DS_MoveFX();
  DS_MoveFX(const DS_MoveFX& other);
  DS_MoveFX& operator=(const DS_MoveFX&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_MoveFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // Versions 1 and 2; a version 1 record swings symmetrically (second extreme = amount).
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // The clock, then the displacement at the new effect time.
  void UpdateFrame(float objectTime) override;
  // "Direction" = the displacement, then the full-picture draw.
  void Render(DS_ABRender& layer) override;

  MediaParamT<int> m_MotionMode{0};
  UINTSclaleTo<float> m_SecondExtreme{0u, 0.0002f, 0.0f};
  float m_Displacement[2] = {0.0f, 0.0f};
};

// One streaming layer of a waterfall: its slide along the direction and its translucency.
struct DS_WaterfallLayer {
  float shiftX = 0.0f;
  float shiftY = 0.0f;
  float translucency = 0.0f;
};

class DS_WaterfallFX : public DS_DirectionBased {
public:
  static constexpr unsigned kVersion = 1;
  // The most layers a waterfall streams: the stored count is a document's value and must
  // not make the player allocate and draw out of proportion.
  static constexpr unsigned kMaxLayers = 64;

  DS_WaterfallFX();
  DS_WaterfallFX(const DS_WaterfallFX& other);
  DS_WaterfallFX& operator=(const DS_WaterfallFX&) = delete;

  DS_FX_Constructor* Clone() const override { return new DS_WaterfallFX(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  // The layers, the noise texture, the base load, then a 2 x 2 grid over the region.
  void LoadResources(ComRef<IDirect3DTexture9>& maskSlot) override;
  // The clock, then the layers spread over one unit of effect time and the noise shift.
  void UpdateFrame(float objectTime) override;
  // "Mask" and "Background"; then, unless hidden, the noise and the colour layers, each
  // over the region grid.
  void Render(DS_ABRender& layer) override;

  UINTSclaleTo<float> m_Translucency{0u, -0.01f, 1.0f};
  MediaParamT<unsigned> m_LayerCount{0u};
  UINTSclaleTo<float> m_NoiseAmplitude{0u, 0.0001f, 0.0f};
  UINTSclaleTo<float> m_Fourth{0u, 1.0f, 0.0f};
  UINTSclaleTo<float> m_Threshold{0u, -0.001f, 1.0f};
  DS_ImageFileLink m_NoiseLink;
  MediaColor m_BaseColour{0ul};
  MediaParamT<int> m_Hidden{0};
  std::vector<DS_WaterfallLayer> m_Layers;
  ComRef<IDirect3DTexture9> m_NoiseTexture;
  float m_NoiseShift[2] = {0.0f, 0.0f};

private:
  void DrawNoise(DS_ABRender& layer, Effect& effect);
  void DrawColorWaves(DS_ABRender& layer, Effect& effect);
};
