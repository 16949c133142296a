#pragma once
// Falling stars: at a random rate, stars appear at random points of a region, fade in, fly
// one way while they spin, stay a while and fade out, and may leave trails of small
// particles; stars and trails carry a glow. Everything is drawn into two off-screen masks
// (particles, then glows) that the effect's "Main" technique lays over the picture drawn
// so far.
#include "objects/particles/GeneratorFamilies.h"

class DS_FallingStars : public DS_ParticleRctRgnGenerator {
public:
  // Batches of the runtime object.
  enum Batch : size_t { kStarBatch = 0, kTrailBatch = 1, kStarGlowBatch = 2, kTrailGlowBatch = 3, kBatchCount = 4 };

  // Trail particles live value / 100 s, come at 2 x value per second and are value / 100 of
  // the star size.
  DS_FallingStars();
  DS_FallingStars(const DS_FallingStars& other) = default;

  DS_ParticleGenerator* Clone() override { return new DS_FallingStars(*this); }
  // The region generator's; the mask target; the document's stored particles dropped (the
  // stored list holds only stars from then on); four batches.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // The base update (clock, processes, the dead removed), then EmitStars and FillStars.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // Particle mask (stars, trails), glow mask (trail glows, star glows), then "Main".
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  // The composite always reads the scene drawn so far.
  bool IsPostPass() override { return true; }

  // Trails along the stars' paths, then new stars at the star rate against the clock.
  void EmitStars();
  // Stars into batches 0 (turned) and 2 (glows), trail particles into 1 and 3.
  void FillStars(DS_ParticlesObj& runtime);
  // One new star at a random point of the region (its draws: the point's y and x, the
  // angle, the spin's sign), appended to the stored particles.
  void AddStar();

  // "DS_FallingStars", version 1 (not tested): eight values, the region as twelve floats,
  // then the textured part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;

  UINTSclaleTo<float> m_StarSpeed{0u, 8.0f, 0.0f};   // pixels per second; also the spin
  PerSecondCounterRnd m_StarRate{0u, 0.02f, 0.0f};   // mean new stars per second
  MediaDirection m_Direction;                        // flight direction, degrees
  MediaParamT<unsigned> m_StarSize{0u};              // star sprite size, pixels
  UINTSclaleTo<float> m_GlowScale{0u, 0.04f, 1.0f};  // glow size / sprite size
  TimeParam m_ShownTime;
  TimeParam m_FadeInTime;
  TimeParam m_FadeOutTime;
};

// The two-mask drawing of the falling stars and the fireworks: the particle mask, then the
// glow mask, drawn into the generator's render-target pair with "BlendMask_Max", and the
// "Main" composite of the scene so far, the glow mask and the particle mask.
