#pragma once
// Fireworks: sparks shot from the centre, a whole burst each time the time line makes the
// object appear, or a steady fountain while it is always visible. Sparks fly outwards at
// full size and opacity until their life runs out, may leave trails that grow and fade,
// and carry a glow; all are drawn through the two masks of the falling stars.
//
// The origin machinery of the base (rate, life, direction, actions) plays no part here:
// its fields are only stored.
#include "objects/particles/GeneratorFamilies.h"

class DS_Firework : public DS_ParticleOriginGenerator {
public:
  // Batch 0: sparks, then trail particles, in one run of slots; batch 1: their glows.
  enum Batch : size_t { kSparkBatch = 0, kGlowBatch = 1, kBatchCount = 2 };

  // Trail particles live value / 100 s, come at 1 + 2 x value per second and grow by
  // value / 10 over their life; the time line's shown time is fixed, not drawn.
  DS_Firework();
  DS_Firework(const DS_Firework& other) = default;

  // Gives the spark (built at the centre) its life of `life` seconds and its motion.
  virtual void InitSpark(Particle& spark, float life) = 0;

  // The mask target; the static generator's (textures, effect, centre); the document's
  // stored particles deleted; two batches.
  void InitRuntime(DS_ParticlesObj& runtime) override;
  // The origin clock; UpdateSparks with its step; FillSparks.
  void UpdateFrame(float time, DS_ParticlesObj& runtime) override;
  // Spark mask (batch 0), glow mask (batch 1), both with image 0, then "Main".
  void Render(DS_ABRender& context, DS_ParticlesObj& runtime) override;
  // The composite lays the scene drawn so far under the sparks whatever the blend mode,
  // so the layer must hand it over.
  bool IsPostPass() override { return true; }

  // Sparks and trails move and die; trails are emitted behind the sparks; then a burst
  // (time line cycling or in intervals) or a fountain spark (always visible).
  void UpdateSparks(float dt);
  void FillSparks(DS_ParticlesObj& runtime);
  // One spark at the centre with InitSpark(life); false (no draws) when the list is full.
  bool AddSpark(float life);

  MediaParamT<unsigned> m_SparkCount{0u};  // per burst; in fountain mode per half second
  MediaParamT<unsigned> m_SparkSize{0u};   // pixels
  UINTSclaleTo<float> m_SparkSpeed{0u, 4.0f, 0.0f};
  UINTSclaleTo<float> m_GlowScale{0u, 0.04f, 1.0f};
  UINTSclaleTo<float> m_Gravity{0u, 4.0f, 0.0f};  // not stored
  unsigned char m_Armed = 1;   // a burst is due at the next appearance
  float m_NextSparkTime = 0.0f;  // fountain: origin clock time of the next spark
};

class DS_FireworkSimple : public DS_Firework {
public:
  DS_FireworkSimple() = default;
  DS_FireworkSimple(const DS_FireworkSimple& other) = default;

  DS_ParticleGenerator* Clone() override { return new DS_FireworkSimple(*this); }
  // Life channel 0, size channel 1; PLifeConst(1 / life), PKinetic in a random direction
  // at the spark speed (RandomDirection's two draws) falling with the gravity.
  void InitSpark(Particle& spark, float life) override;
  // Opacity from the time line's alpha; over the trail life it fades by 1 and grows by the
  // scaled size while drifting (the speed's draw, then RandomDirection's two).
  void InitParticle(Particle& particle, const Particle& stored) override;

  // "DS_FireworkSimple", version 1 (not tested): spark count, spark size, spark speed,
  // glow scale, then the origin block.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 1;
};
