#pragma once
// Air brushes that animate their painted particles instead of showing them still:
//   DS_Bling           each particle a glint that grows, shrinks and restarts while it
//                      turns, drawn twice (two pictures, two colours) into the mask;
//   DS_TwinklingStars  each particle rests at its size and now and then flashes larger;
//   DS_Aurora          each particle a tall band whose height, opacity and sideways place
//                      follow three sine waves, drawn into the mask.
#include "objects/particles/AirBrush.h"

class DS_Bling : public DS_AirBrush {
public:
  DS_Bling() = default;
  DS_Bling(const DS_Bling& other) = default;

  // Builds a glint's cycle on the particle: life and size start at 0, the size rises to 1
  // over the in time and falls back over the out time, the life ends the cycle. Returns
  // the cycle's length in seconds.
  float InstallGlint(Particle& particle) const;
  // Moves a new glint to a random point of its cycle: ten steps of one drawn length.
  static void PreRun(Particle& particle, float total);

  // a: size factor (channel 6); c: turns (channel 9 = c x 2 pi); b and d unused.
  void AddParticleAt(const D3DXVECTOR3& point, float a, float b, float c, float d) override;
  // Two batches, the mask target, and a glint per painted particle.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // Both batches into the mask, then the composite.
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  DS_ParticleGenerator* Clone() override { return new DS_Bling(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_Bling", versions 1 and 2 (2 written).
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 2;

  // The shortest glint cycle (one stored hundredth).
  static constexpr float kMinCycleSeconds = 0.01f;

  // A glint's quad (default colours): turned by its angle offset plus the spin, as large
  // as the brush size times its size factor, between the minimum size and full size.
  SpriteQuad GlintQuad(const Particle& particle, float spin) const;

  MediaSpeedParam m_TwinkleClock{0u, 0.02f, 0.0f};
  TimeParam m_InTime;
  TimeParam m_OutTime;
  MediaSpeedParam m_SpinClock{0u, 0.02f, 0.0f};
  UINTSclaleTo<float> m_MinSize{0u, 0.01f, 0.0f};

private:
  void Fill(DS_ParticlesObj& runtime);
};

class DS_TwinklingStars : public DS_AirBrush {
public:
  DS_TwinklingStars() = default;
  DS_TwinklingStars(const DS_TwinklingStars& other) = default;

  // a: size (channel 1, the twinkle's base); the opacity is drawn between 0.5 and 1.
  void AddParticleAt(const D3DXVECTOR3& point, float a, float b, float c, float d) override;
  // One batch and a twinkle on every painted particle's size.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // Steps the twinkles by the clock, then rebuilds the quads.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  DS_ParticleGenerator* Clone() override { return new DS_TwinklingStars(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_TwinklingStars", version 1 (not tested): clock value, air-brush part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  MediaSpeedParam m_TwinkleClock{0u, 0.01f, 1.0f};
};

class DS_Aurora : public DS_AirBrush {
public:
  DS_Aurora() = default;
  DS_Aurora(const DS_Aurora& other) = default;

  // a: size (channel 1), b: opacity (channel 2), c: angle (channel 4), d: phase (channel 0).
  void AddParticleAt(const D3DXVECTOR3& point, float a, float b, float c, float d) override;
  // One batch and the mask target.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // Advances the three wave clocks, then rebuilds the bands.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // The batch into the mask, then the composite.
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  DS_ParticleGenerator* Clone() override { return new DS_Aurora(*this); }

  void Write(DS_IOF_Virtual& archive) override;
  // The record "DS_Aurora", version 1 (not tested): eleven values, air-brush part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  static constexpr unsigned kVersion = 1;

  // One band per painted particle, each moved sideways for its quad only.
  void Fill();
  // A band's quad and colour at the clocks' present phases.
  SpriteQuad BandQuad(const Particle& particle) const;

  MediaParamT<unsigned> m_BandHeight{0u};
  MediaSpeedParam m_HeightClock{0u, 0.03f, 0.0f};
  UINTSclaleTo<float> m_HeightDepth{0u, 0.01f, 0.0f};
  UINTSclaleTo<float> m_HeightLength{0u, 1.0f, 1.0f};
  MediaSpeedParam m_AlphaClock{0u, 0.03f, 0.0f};
  UINTSclaleTo<float> m_AlphaDepth{0u, 0.01f, 0.0f};
  UINTSclaleTo<float> m_AlphaLength{0u, 1.0f, 1.0f};
  MediaSpeedParam m_SwayClock{0u, 0.03f, 0.0f};
  UINTSclaleTo<float> m_SwayAmplitude{0u, 1.0f, 0.0f};
  UINTSclaleTo<float> m_SwayLength{0u, 1.0f, 1.0f};
  MediaParamT<unsigned> m_SwayDirection{0u};
};
