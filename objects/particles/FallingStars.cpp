#include "objects/particles/FallingStars.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/StoredParams.h"
#include "core/render/Device.h"
#include "core/render/RenderMath.h"
#include "layers/DS_ABRender.h"
#include "layers/RecordHead.h"
#include "platform/effect/Effect.h"

#include <cstdint>
#include <cstdlib>

DS_REGISTER_OBJECT_READER(DS_FallingStars);

// ---------------------------------------------------------------------------------------
// DS_FallingStars

DS_FallingStars::DS_FallingStars() {
  m_Life.SetFactor(0.01f);
  m_EmissionRate.SetFactor(2.0f);
  m_Size.SetFactor(0.01f);
}

void DS_FallingStars::InitRuntime(DS_ParticlesObj& runtime) {
  DS_ParticleRctRgnGenerator::InitRuntime(runtime);
  AcquireRenderTarget();
  m_Stored.clear();
  runtime.SetBatchCount(kBatchCount);
}

void DS_FallingStars::UpdateFrame(float time, DS_ParticlesObj& runtime) {
  DS_ParticleGenerator::UpdateFrame(time, runtime);
  EmitStars();
  FillStars(runtime);
}

void DS_FallingStars::EmitStars() {
  const float t = m_Clock.Time();
  EmitAlongPaths(t);
  // Stars per second times the time since the last star time, doubled: the draw below
  // averages half of it. Count saturates, so a huge rate or a long gap cannot overflow.
  const std::uint64_t n = 2u * std::uint64_t(m_StarRate.Count(t));
  const std::uint64_t drawn = std::uint64_t(std::rand()) % (n + 1u);
  const size_t room = m_Stored.size() < kMaxParticlesPerList ? kMaxParticlesPerList - m_Stored.size() : 0;
  const size_t count = drawn < room ? size_t(drawn) : room;
  for (size_t i = 0; i < count; ++i) AddStar();
}

void DS_FallingStars::AddStar() {
  const float speed = m_StarSpeed.Derived();
  const float fadeIn = m_FadeInTime.Seconds();
  const float shown = m_ShownTime.Seconds();
  const float fadeOut = m_FadeOutTime.Seconds();
  const D3DXVECTOR4& d = m_Direction.direction;

  m_Stored.emplace_back(m_Region.GetRandomPoint());
  Particle& star = m_Stored.back();
  star.channels[Particle::kOpacity] = 0.0f;
  star.channels[Particle::kAngle] = float(std::rand()) / 32767.0f * 2.0f * kPi;
  star.AddProcess(new PAgeConst(shown + fadeIn + fadeOut));
  // Stage y grows downwards: direction 90 flies up the screen.
  star.AddProcess(new PKinetic(D3DXVECTOR3(d.x * speed, -d.y * speed, d.z * speed), D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
  star.AddProcess(new PFade(Particle::kOpacity, 0.0f, fadeIn, 1.0f));
  const float spin = speed * 0.002f;
  star.AddProcess(new PSpin((std::rand() & 1) ? -spin : spin));
  star.AddProcess(new PFade(Particle::kOpacity, fadeIn + shown, fadeIn + shown + fadeOut, -1.0f));
}

void DS_FallingStars::FillStars(DS_ParticlesObj& runtime) {
  if (runtime.BatchCount() < kBatchCount) return;
  const float starSize = float(m_StarSize.Get());
  const float glowScale = m_GlowScale.Derived();
  const float trailSize = starSize * m_Size.Derived();
  const float alpha = TimeLine().GetAlpha();
  const size_t stars = m_Stored.size() < kMaxParticlesPerList ? m_Stored.size() : kMaxParticlesPerList;
  const size_t trails = m_Live.size() < kMaxParticlesPerList ? m_Live.size() : kMaxParticlesPerList;
  runtime.ReserveQuads(kStarBatch, stars);
  runtime.ReserveQuads(kStarGlowBatch, stars);
  runtime.ReserveQuads(kTrailBatch, trails);
  runtime.ReserveQuads(kTrailGlowBatch, trails);

  const bool starLocked = runtime.LockBatch(kStarBatch);
  const bool starGlowLocked = runtime.LockBatch(kStarGlowBatch);
  if (starLocked && starGlowLocked) {
    size_t slot = 0;
    for (const Particle& star : m_Stored) {
      if (slot >= stars) break;
      BuildRotatedParticleSprite(runtime, m_Color1, star, slot, starSize, starSize, alpha);
      BuildParticleSprite(runtime, m_Color2, star, kStarGlowBatch, slot, starSize * glowScale, alpha);
      ++slot;
    }
  }
  if (starLocked) runtime.UnlockBatch(kStarBatch);
  if (starGlowLocked) runtime.UnlockBatch(kStarGlowBatch);

  const bool trailLocked = runtime.LockBatch(kTrailBatch);
  const bool trailGlowLocked = runtime.LockBatch(kTrailGlowBatch);
  if (trailLocked && trailGlowLocked) {
    size_t slot = 0;
    for (const Particle& particle : m_Live) {
      if (slot >= trails) break;
      BuildParticleSprite(runtime, m_Color1, particle, kTrailBatch, slot, trailSize, alpha);
      BuildParticleSprite(runtime, m_Color2, particle, kTrailGlowBatch, slot, trailSize * glowScale, alpha);
      ++slot;
    }
  }
  if (trailLocked) runtime.UnlockBatch(kTrailBatch);
  if (trailGlowLocked) runtime.UnlockBatch(kTrailGlowBatch);
}

void DS_FallingStars::Render(DS_ABRender& context, DS_ParticlesObj& runtime) {
  Effect* effect = m_Effect.Get();
  // Without the effect or the masks' target there is nothing to composite with: the
  // picture stays as it is.
  if (!effect || !m_RenderTarget || !m_RenderTarget->IsValid() || runtime.BatchCount() < kBatchCount) return;
  effect->SetTechnique("BlendMask_Max");
  if (!BeginMask(context, 0x00000000)) return;
  effect->SetTexture("Texture1", FrameTexture(0));
  DrawMaskBatch(context, kStarBatch, effect);
  effect->SetTexture("Texture1", FrameTexture(1));
  DrawMaskBatch(context, kTrailBatch, effect);

  IDirect3DTexture9* particleMask = SwapToGlowMask();
  effect->SetTexture("Texture1", FrameTexture(3));
  DrawMaskBatch(context, kTrailGlowBatch, effect);
  effect->SetTexture("Texture1", FrameTexture(2));
  DrawMaskBatch(context, kStarGlowBatch, effect);
  EndMask(context);

  DrawGlowComposite(context, effect, particleMask);
}

// ---------------------------------------------------------------------------------------
// Record

void DS_FallingStars::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_StarSpeed, true);
  ReadStoredInt(archive, m_StarRate, false);
  ReadStoredInt(archive, m_Direction, false);
  ReadStoredInt(archive, m_StarSize, false);
  ReadStoredInt(archive, m_GlowScale, true);
  ReadStoredInt(archive, m_ShownTime, true);
  ReadStoredInt(archive, m_FadeInTime, true);
  ReadStoredInt(archive, m_FadeOutTime, true);
  m_Region.Read(archive);
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_FallingStars::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FallingStars", kVersion);
  WriteStoredInt(archive, m_StarSpeed.Get());
  WriteStoredInt(archive, m_StarRate.Get());
  WriteStoredInt(archive, m_Direction.Get());
  WriteStoredInt(archive, m_StarSize.Get());
  WriteStoredInt(archive, m_GlowScale.Get());
  WriteStoredInt(archive, m_ShownTime.Get());
  WriteStoredInt(archive, m_FadeInTime.Get());
  WriteStoredInt(archive, m_FadeOutTime.Get());
  m_Region.Write(archive);
  DS_TexParticleGenerator::WritePart(archive);
}
