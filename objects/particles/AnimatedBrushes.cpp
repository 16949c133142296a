#include "objects/particles/AnimatedBrushes.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/StoredParams.h"
#include "core/render/RenderMath.h"
#include "layers/RecordHead.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>

DS_REGISTER_OBJECT_READER(DS_Bling);
DS_REGISTER_OBJECT_READER(DS_TwinklingStars);
DS_REGISTER_OBJECT_READER(DS_Aurora);

namespace {

constexpr float kRandMax = 32767.0f;
constexpr int kSizeFactorChannel = 6;
constexpr int kAngleOffsetChannel = 9;

float UnitDraw() { return float(rand()) / kRandMax; }

// sin(clock + phase / length). A phase from the document may be infinite or not a number;
// such a band stands still rather than turning its quad into NaN corners.
float Wave(float clock, float phase, float length) {
  const float v = std::sin(clock + phase / length);
  return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

// =======================================================================================
// DS_Bling

float DS_Bling::InstallGlint(Particle& p) const {
  const float in = m_InTime.Seconds();
  const float out = m_OutTime.Seconds();
  float total = in + out;
  // In and out both 0 would give a cycle of no length and a life rate of 1 / 0: such a
  // glint cycles at the shortest storable time instead and keeps its minimum size.
  if (!(total >= kMinCycleSeconds)) total = kMinCycleSeconds;
  p.channels[Particle::kLife] = 0.0f;
  p.channels[Particle::kSize] = 0.0f;
  const float lifeRate = 1.0f / total;
  const float inPart = in / total;
  const float outPart = out / total;
  // A window of no length never runs its process, whose rate would divide by zero.
  const float growRate = inPart > 0.0f ? lifeRate / inPart : 0.0f;
  const float shrinkRate = outPart > 0.0f ? -(lifeRate / outPart) : 0.0f;
  p.AddProcess(new PLifeConst(lifeRate));
  p.AddProcess(new PSteady(Particle::kSize, 0.0f, inPart, growRate));
  p.AddProcess(new PSteady(Particle::kSize, inPart, inPart + outPart, shrinkRate));
  return total;
}

void DS_Bling::PreRun(Particle& p, float total) {
  const float dt = UnitDraw() * total * 0.1f;
  for (int i = 0; i < 10; ++i) p.RunProcesses(dt);
}

void DS_Bling::AddParticleAt(const D3DXVECTOR3& point, float a, float, float c, float) {
  if (!HasRoom()) return;
  Particle& p = m_Painted.emplace_back(point);
  const float total = InstallGlint(p);
  p.channels[kSizeFactorChannel] = a;
  p.channels[kAngleOffsetChannel] = c * 2.0f * kPi;
  PreRun(p, total);
}

void DS_Bling::InitRuntime(DS_ParticlesObj& runtime) {
  DS_TexParticleGenerator::InitRuntime(runtime);
  runtime.SetBatchCount(2);
  AcquireRenderTarget();
  for (Particle& p : m_Painted) {
    // A particle added to the description has its glint already; one cycle per glint.
    p.ClearProcesses();
    PreRun(p, InstallGlint(p));
  }
}

void DS_Bling::UpdateFrame(float time, DS_ParticlesObj& runtime) {
  m_TwinkleClock.Advance(time);
  m_SpinClock.Advance(time);
  const float dt = m_TwinkleClock.LastStep();
  for (Particle& p : m_Painted) {
    if (!p.RunProcesses(dt)) {
      // A glint never ends: it starts its next cycle at once, from nothing.
      p.ClearProcesses();
      InstallGlint(p);
    }
  }
  Fill(runtime);
}

void DS_Bling::Fill(DS_ParticlesObj& runtime) {
  const size_t n = std::min(m_Painted.size(), kMaxParticlesPerList);
  runtime.ReserveQuads(0, n);
  runtime.ReserveQuads(1, n);
  if (!runtime.LockBatch(0)) return;
  if (!runtime.LockBatch(1)) {
    runtime.UnlockBatch(0);
    return;
  }
  const float spin = m_SpinClock.Time();
  const float timeLineAlpha = TimeLine().GetAlpha();
  size_t slot = 0;
  for (const Particle& p : m_Painted) {
    if (slot == n) break;
    const float alpha = timeLineAlpha * p.channels[Particle::kOpacity];
    SpriteQuad quad = GlintQuad(p, spin);
    quad.SetColor(ParticleColor(m_Color2, alpha));
    runtime.WriteQuad(quad, 0, slot);
    quad.SetColor(ParticleColor(m_Color1, alpha));
    runtime.WriteQuad(quad, 1, slot);
    ++slot;
  }
  runtime.UnlockBatch(1);
  runtime.UnlockBatch(0);
}

SpriteQuad DS_Bling::GlintQuad(const Particle& p, float spin) const {
  const float angle = p.channels[kAngleOffsetChannel] + spin;
  const float cosA = std::cos(angle), sinA = std::sin(angle);
  const D3DXVECTOR3 right(cosA, sinA, 0.0f);
  const D3DXVECTOR3 up(-sinA, cosA, 0.0f);
  // The size moves in clock steps and so passes the ends of its cycle by up to a step;
  // below 0 the glint would turn inside out and drop under its minimum size.
  const float c1 = p.channels[Particle::kSize];
  const float grown = c1 > 0.0f ? (c1 < 1.0f ? c1 : 1.0f) : 0.0f;
  const float minSize = m_MinSize.Derived();
  const float scale = float(m_BrushSize.Get()) * p.channels[kSizeFactorChannel] * (minSize + (1.0f - minSize) * grown);
  return SpriteQuad::FromAxes(p.position, right, up, scale);
}

void DS_Bling::Render(DS_ABRender& context, DS_ParticlesObj&) {
  DrawJoinedBatches(context, 1);
  DrawComposite(context);
}

void DS_Bling::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_Bling", kVersion);
  // The out time comes before the in time.
  WriteStoredInt(archive, m_TwinkleClock.Get());
  WriteStoredInt(archive, m_OutTime.Get());
  WriteStoredInt(archive, m_InTime.Get());
  WriteStoredInt(archive, m_SpinClock.Get());
  WriteStoredInt(archive, m_MinSize.Get());
  DS_AirBrush::WritePart(archive);
}

void DS_Bling::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  ReadStoredInt(archive, m_TwinkleClock, true);
  ReadStoredInt(archive, m_OutTime, true);
  ReadStoredInt(archive, m_InTime, true);
  if (version > 1) {
    ReadStoredInt(archive, m_SpinClock, true);
    ReadStoredInt(archive, m_MinSize, true);
  }
  DS_AirBrush::ReadPart(archive);
}

// =======================================================================================
// DS_TwinklingStars

void DS_TwinklingStars::AddParticleAt(const D3DXVECTOR3& point, float a, float, float, float) {
  if (!HasRoom()) return;
  Particle& p = m_Painted.emplace_back(point);
  p.channels[Particle::kSize] = a;
  p.channels[Particle::kOpacity] = 0.5f + 0.5f * UnitDraw();
  p.AddProcess(new PTwinkle(Particle::kSize, 0.0f, p.channels[Particle::kSize], 0.0f));
}

void DS_TwinklingStars::InitRuntime(DS_ParticlesObj& runtime) {
  DS_AirBrush::InitRuntime(runtime);
  for (Particle& p : m_Painted) {
    // A star added to the description twinkles already; one twinkle per star.
    p.ClearProcesses();
    p.AddProcess(new PTwinkle(Particle::kSize, 0.0f, p.channels[Particle::kSize], 0.0f));
  }
}

void DS_TwinklingStars::UpdateFrame(float time, DS_ParticlesObj&) {
  m_TwinkleClock.Advance(time);
  const float dt = m_TwinkleClock.LastStep();
  for (Particle& p : m_Painted) p.RunProcesses(dt);  // a star never dies
  FillSprites();
}

void DS_TwinklingStars::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_TwinklingStars", kVersion);
  WriteStoredInt(archive, m_TwinkleClock.Get());
  DS_AirBrush::WritePart(archive);
}

void DS_TwinklingStars::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredInt(archive, m_TwinkleClock, true);
  DS_AirBrush::ReadPart(archive);
}

// =======================================================================================
// DS_Aurora

void DS_Aurora::AddParticleAt(const D3DXVECTOR3& point, float a, float b, float c, float d) {
  if (!HasRoom()) return;
  Particle& p = m_Painted.emplace_back(point);
  p.channels[Particle::kSize] = a;
  p.channels[Particle::kOpacity] = b;
  p.channels[Particle::kAngle] = c;
  p.channels[Particle::kLife] = d;
}

void DS_Aurora::InitRuntime(DS_ParticlesObj& runtime) {
  DS_TexParticleGenerator::InitRuntime(runtime);
  runtime.SetBatchCount(1);
  AcquireRenderTarget();
}

void DS_Aurora::UpdateFrame(float time, DS_ParticlesObj&) {
  m_HeightClock.Advance(time);
  m_AlphaClock.Advance(time);
  m_SwayClock.Advance(time);
  Fill();
}

void DS_Aurora::Fill() {
  if (!m_Runtime) return;
  DS_ParticlesObj& runtime = *m_Runtime;
  const size_t n = std::min(m_Painted.size(), kMaxParticlesPerList);
  runtime.ReserveQuads(0, n);
  if (!runtime.LockBatch(0)) return;
  size_t slot = 0;
  for (const Particle& p : m_Painted) {
    if (slot == n) break;
    runtime.WriteQuad(BandQuad(p), 0, slot++);
  }
  runtime.UnlockBatch(0);
}

SpriteQuad DS_Aurora::BandQuad(const Particle& p) const {
  const float phase = p.channels[Particle::kLife];
  const float h = 1.0f + m_HeightDepth.Derived() * Wave(m_HeightClock.Time(), phase, m_HeightLength.Derived());
  const float a = 1.0f + m_AlphaDepth.Derived() * Wave(m_AlphaClock.Time(), phase, m_AlphaLength.Derived());
  const float s = m_SwayAmplitude.Derived() * Wave(m_SwayClock.Time(), phase, m_SwayLength.Derived());
  SpriteQuad quad = RotatedParticleSpriteQuad(m_Color1, p, float(m_BrushSize.Get()), float(m_BandHeight.Get()) * h, a);
  // The band moves sideways for this quad only; the painted place stays as stored.
  const float direction = DegreesToRadians(float(m_SwayDirection.Get()));
  const float dx = std::cos(direction) * s, dy = std::sin(direction) * s;
  for (DX_V::PCT& v : quad.p) {
    v.x += dx;
    v.y += dy;
  }
  return quad;
}

void DS_Aurora::Render(DS_ABRender& context, DS_ParticlesObj&) {
  DrawJoinedBatches(context, 0);
  DrawComposite(context);
}

void DS_Aurora::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_Aurora", kVersion);
  WriteStoredInt(archive, m_BandHeight.Get());
  for (const UINTSclaleTo<float>* value : std::initializer_list<const UINTSclaleTo<float>*>{&m_HeightClock, &m_HeightDepth, &m_HeightLength, &m_AlphaClock,
                                           &m_AlphaDepth, &m_AlphaLength, &m_SwayClock, &m_SwayAmplitude,
                                           &m_SwayLength}) {
    WriteStoredInt(archive, value->Get());
  }
  WriteStoredInt(archive, m_SwayDirection.Get());
  DS_AirBrush::WritePart(archive);
}

void DS_Aurora::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  // The band height and the sway direction have no scaled value to follow.
  ReadStoredInt(archive, m_BandHeight);
  for (UINTSclaleTo<float>* value : std::initializer_list<UINTSclaleTo<float>*>{&m_HeightClock, &m_HeightDepth, &m_HeightLength, &m_AlphaClock, &m_AlphaDepth,
                                     &m_AlphaLength, &m_SwayClock, &m_SwayAmplitude, &m_SwayLength}) {
    ReadStoredInt(archive, *value, true);
  }
  ReadStoredInt(archive, m_SwayDirection);
  DS_AirBrush::ReadPart(archive);
}
