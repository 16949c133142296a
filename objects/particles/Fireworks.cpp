#include "objects/particles/Fireworks.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/StoredParams.h"
#include "core/render/RenderMath.h"
#include "layers/DS_ABRender.h"
#include "layers/RecordHead.h"
#include "platform/effect/Effect.h"

#include <cstdlib>
#include <limits>

DS_REGISTER_OBJECT_READER(DS_FireworkSimple);

namespace {

// A rate that uses up a life of `seconds`. A life of zero (a time line without length)
// gives an infinite rate: the particle dies at its first step instead of dividing into
// NaN on some and not others.
float LifeRate(float seconds) {
  return seconds > 0.0f ? 1.0f / seconds : std::numeric_limits<float>::infinity();
}

}  // namespace

// ---------------------------------------------------------------------------------------
// DS_Firework

DS_Firework::DS_Firework() {
  m_Life.SetFactor(0.01f);
  m_EmissionRate.SetScale(2.0f, 1.0f);
  m_Size.SetFactor(0.1f);
  // A burst lives as long as the visible phase, so that phase must not vary.
  TimeLine().m_ShownTime.random = false;
}

void DS_Firework::InitRuntime(DS_ParticlesObj& runtime) {
  AcquireRenderTarget();
  DS_StaticGenerator::InitRuntime(runtime);
  m_Stored.clear();
  runtime.SetBatchCount(kBatchCount);
}

void DS_Firework::UpdateFrame(float time, DS_ParticlesObj& runtime) {
  m_OriginClock.Advance(time);
  UpdateSparks(m_OriginClock.LastStep());
  FillSparks(runtime);
}

bool DS_Firework::AddSpark(float life) {
  if (m_Stored.size() >= kMaxParticlesPerList) return false;
  m_Stored.emplace_back(m_Centre.Get());
  InitSpark(m_Stored.back(), life);
  return true;
}

void DS_Firework::UpdateSparks(float dt) {
  UpdateParticleList(m_Stored, dt);
  UpdateParticleList(m_Live, dt);
  const float clock = m_OriginClock.Time();
  EmitAlongPaths(clock);

  DS_TimeLineControl& timeLine = TimeLine();
  if (timeLine.m_Mode.Get() != DS_TimeLineControl::kModeAlways) {
    const int state = timeLine.GetState();
    if (m_Armed && state != kTimeLineInvisible) {
      const float life = timeLine.GetLength();
      // A count beyond what the list holds stops where the list is full.
      for (unsigned i = 0, n = m_SparkCount.Get(); i < n && AddSpark(life); ++i) {
      }
      m_Armed = 0;
    }
    if (state == kTimeLineInvisible) m_Armed = 1;
    return;
  }
  if (m_NextSparkTime < clock) {
    AddSpark(0.5f);
    const unsigned count = m_SparkCount.Get();
    // With no sparks per half second the first spark is the only one.
    m_NextSparkTime = count > 0 ? clock + 0.5f / float(count) : std::numeric_limits<float>::infinity();
  }
}

void DS_Firework::FillSparks(DS_ParticlesObj& runtime) {
  if (runtime.BatchCount() < kBatchCount) return;
  // Sparks and trails share one batch: trails beyond its room are not drawn.
  const size_t total = m_Stored.size() + m_Live.size();
  const size_t n = total < kMaxQuadsPerBuffer ? total : kMaxQuadsPerBuffer;
  runtime.ReserveQuads(kSparkBatch, n);
  runtime.ReserveQuads(kGlowBatch, n);
  const bool sparksLocked = runtime.LockBatch(kSparkBatch);
  const bool glowsLocked = runtime.LockBatch(kGlowBatch);
  if (sparksLocked && glowsLocked) {
    const float sparkSize = float(m_SparkSize.Get());
    const float glowScale = m_GlowScale.Derived();
    const float alpha = TimeLine().GetAlpha();
    size_t slot = 0;
    for (const Particle& spark : m_Stored) {
      if (slot >= n) break;
      BuildParticleSprite(runtime, m_Color1, spark, kSparkBatch, slot, sparkSize, alpha);
      BuildParticleSprite(runtime, m_Color2, spark, kGlowBatch, slot, sparkSize * glowScale, alpha);
      ++slot;
    }
    // Trails fade by their own opacity alone, not by the time line.
    for (const Particle& trail : m_Live) {
      if (slot >= n) break;
      BuildParticleSprite(runtime, m_Color1, trail, kSparkBatch, slot, sparkSize, 1.0f);
      BuildParticleSprite(runtime, m_Color2, trail, kGlowBatch, slot, sparkSize * glowScale, 1.0f);
      ++slot;
    }
  }
  if (sparksLocked) runtime.UnlockBatch(kSparkBatch);
  if (glowsLocked) runtime.UnlockBatch(kGlowBatch);
}

void DS_Firework::Render(DS_ABRender& context, DS_ParticlesObj& runtime) {
  Effect* effect = m_Effect.Get();
  if (!effect || !m_RenderTarget || !m_RenderTarget->IsValid() || runtime.BatchCount() < kBatchCount) return;
  effect->SetTechnique("BlendMask_Max");
  effect->SetTexture("Texture1", FrameTexture(0));
  if (!BeginMask(context, 0x00000000)) return;
  DrawMaskBatch(context, kSparkBatch, effect);
  IDirect3DTexture9* sparkMask = SwapToGlowMask();
  DrawMaskBatch(context, kGlowBatch, effect);
  EndMask(context);

  DrawGlowComposite(context, effect, sparkMask);
}

// ---------------------------------------------------------------------------------------
// DS_FireworkSimple

void DS_FireworkSimple::InitSpark(Particle& spark, float life) {
  spark.channels[Particle::kLife] = 0.0f;
  spark.channels[Particle::kSize] = 1.0f;
  spark.AddProcess(new PLifeConst(LifeRate(life)));
  D3DXVECTOR3 velocity;
  RandomDirection(&velocity, m_SparkSpeed.Derived());
  spark.AddProcess(new PKinetic(velocity, D3DXVECTOR3(0.0f, m_Gravity.Derived(), 0.0f)));
}

void DS_FireworkSimple::InitParticle(Particle& particle, const Particle&) {
  particle.channels[Particle::kOpacity] = TimeLine().GetAlpha();
  const float rate = LifeRate(m_Life.Derived());
  particle.AddProcess(new PLifeConst(rate));
  particle.AddProcess(new PSteady(Particle::kOpacity, 0.0f, 1.0f, -rate));
  particle.AddProcess(new PSteady(Particle::kSize, 0.0f, 1.0f, m_Size.Derived() * rate));
  const float length = m_Speed.Derived() * (float(std::rand()) / 32767.0f);
  D3DXVECTOR3 velocity;
  RandomDirection(&velocity, length);
  particle.AddProcess(new PKinetic(velocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}

void DS_FireworkSimple::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_SparkCount, false);
  ReadStoredInt(archive, m_SparkSize, false);
  ReadStoredInt(archive, m_SparkSpeed, true);
  ReadStoredInt(archive, m_GlowScale, true);
  ReadBlock(archive);
}

void DS_FireworkSimple::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FireworkSimple", kVersion);
  WriteStoredInt(archive, m_SparkCount.Get());
  WriteStoredInt(archive, m_SparkSize.Get());
  WriteStoredInt(archive, m_SparkSpeed.Get());
  WriteStoredInt(archive, m_GlowScale.Get());
  WriteBlock(archive);
}
