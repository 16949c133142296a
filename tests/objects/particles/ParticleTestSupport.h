#pragma once
// Test-only generators on top of the particle bases (the bases have no concrete class of
// their own), and an effect double that records what it is told.
#include "objects/particles/GeneratorFamilies.h"
#include "objects/particles/ParticleGenerator.h"
#include "platform/effect/Effect.h"
#include "tests/support/LoggingEffect.h"

#include <string>
#include <vector>

namespace tw_test {

// The effect double of the particle tests.
using RecordingEffect = LoggingEffect;

// A textured generator that writes every live particle as a sprite into batch 0 (or
// spreads them over `batches` batches) and draws batch 0 through the mask, or batches
// 0 .. batches-1 joined when `joined` is set.
class DS_TestTexGenerator : public DS_TexParticleGenerator {
public:
  DS_TestTexGenerator() = default;
  DS_TestTexGenerator(const DS_TestTexGenerator& other) = default;
  ~DS_TestTexGenerator() override {
    if (runtimeSeenAtDestruction) *runtimeSeenAtDestruction = m_Runtime;
  }

  DS_ParticleGenerator* Clone() override { return new DS_TestTexGenerator(*this); }
  void InitRuntime(DS_ParticlesObj& runtime) override {
    DS_TexParticleGenerator::InitRuntime(runtime);
    if (testEffect) m_Effect.Assign(testEffect);
    runtime.SetBatchCount(batches);
    if (acquireTarget) AcquireRenderTarget();
    ++initRuntimeCalls;
  }
  void Render(DS_ABRender& context, DS_ParticlesObj&) override {
    if (joined) {
      DrawJoinedBatches(context, batches - 1);
      DrawComposite(context);
    } else {
      DrawSingleBatch(context, FrameTexture(0));
    }
  }
  // The per-frame fill every generator does: reserve, lock, write, unlock.
  void Fill(DS_ParticlesObj& runtime, float size) {
    runtime.ReserveQuads(0, m_Live.size());
    if (!runtime.LockBatch(0)) return;
    size_t slot = 0;
    for (const Particle& p : m_Live) BuildParticleSprite(runtime, m_Color1, p, 0, slot++, size, 1.0f);
    runtime.UnlockBatch(0);
  }

  size_t batches = 1;
  bool joined = false;
  bool acquireTarget = true;
  Effect* testEffect = nullptr;
  int initRuntimeCalls = 0;
  DS_ParticlesObj** runtimeSeenAtDestruction = nullptr;
};

// An origin generator that draws nothing.
class DS_TestOriginGenerator : public DS_ParticleOriginGenerator {
public:
  DS_TestOriginGenerator() = default;
  DS_TestOriginGenerator(const DS_TestOriginGenerator& other) = default;
  DS_ParticleGenerator* Clone() override { return new DS_TestOriginGenerator(*this); }
  void Render(DS_ABRender&, DS_ParticlesObj&) override {}
};

// A region generator and a string generator, for their record parts.
class DS_TestRegionGenerator : public DS_ParticleRctRgnGenerator {
public:
  DS_ParticleGenerator* Clone() override { return new DS_TestRegionGenerator(*this); }
  void Render(DS_ABRender&, DS_ParticlesObj&) override {}
};

class DS_TestStringGenerator : public DS_StringGenerator {
public:
  DS_ParticleGenerator* Clone() override { return new DS_TestStringGenerator(*this); }
  void Render(DS_ABRender&, DS_ParticlesObj&) override {}
};

class DS_TestStaticGenerator : public DS_StaticGenerator {
public:
  DS_ParticleGenerator* Clone() override { return new DS_TestStaticGenerator(*this); }
  void Render(DS_ABRender&, DS_ParticlesObj&) override {}
};

}  // namespace tw_test
