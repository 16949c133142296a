#include "objects/particles/GeneratorFamilies.h"

#include "core/document/DocResManager.h"
#include "core/params/StoredParams.h"
#include "core/render/D3DUtil.h"
#include "core/render/Device.h"
#include "core/render/RenderMath.h"
#include "core/render/StageView.h"
#include "layers/DS_ABRender.h"
#include "layers/RecordHead.h"
#include "platform/effect/Effect.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>

namespace {

// The smallest stored link: an empty path and its 64-bit stamp.
constexpr size_t kMinLinkBytes = kMinStringBytes + 8;

// The quads of a batch that its buffers can really draw.
UINT DrawableQuads(const DS_ParticlesObj& runtime, size_t batch) {
  const DS_ParticleBatch& mesh = runtime.Batch(batch);
  if (!mesh.vertexBuffer || !mesh.indexBuffer) return 0;
  const UINT capacity = std::min(mesh.vertexCount / 4, mesh.indexedPrimitiveCount / 2);
  return std::min(runtime.Count(batch), capacity);
}

}  // namespace

// =======================================================================================
// DS_TexParticleGenerator

DS_TexParticleGenerator::DS_TexParticleGenerator() {
  if (FAILED(CoCreateGuid(&m_Key))) m_Key = GUID{};
}

DS_TexParticleGenerator::DS_TexParticleGenerator(const DS_TexParticleGenerator& other)
    : DS_ParticleGenerator(other), m_Images(other.m_Images), m_EffectLink(other.m_EffectLink),
      m_Color1(other.m_Color1), m_Color2(other.m_Color2), m_BlendMode(other.m_BlendMode),
      m_MirrorVertical(other.m_MirrorVertical), m_MirrorHorizontal(other.m_MirrorHorizontal),
      m_FrameSequences(other.m_FrameSequences), m_Frames(other.m_Frames), m_Effect(other.m_Effect),
      m_RenderTarget(other.m_RenderTarget), m_Key(other.m_Key), m_KeyFlag(other.m_KeyFlag) {}

// The runtime object is not ours: its destructor clears m_Runtime before this runs.
DS_TexParticleGenerator::~DS_TexParticleGenerator() = default;

void DS_TexParticleGenerator::InitRuntime(DS_ParticlesObj& runtime) {
  m_Runtime = &runtime;
  if (!g_DocResManager) {
    m_Effect.Reset();
    return;
  }
  const std::vector<DS_FileLink3> links(m_Images.begin(), m_Images.end());
  m_Frames = m_FrameSequences == 0 ? g_DocResManager->GetTextureSets(links)
                                   : g_DocResManager->LoadModuleTextureSets(links);
  // GetEffect hands out a reference of the caller's own.
  m_Effect.Attach(g_DocResManager->GetEffect(m_EffectLink.GetKey()));
}

bool DS_TexParticleGenerator::IsPostPass() {
  const int mode = m_BlendMode.Get();
  return mode == 1 || mode == 2;
}

DS_PreviewImage DS_TexParticleGenerator::GetPreviewImage() {
  DS_PreviewImage preview;
  preview.imageLink = m_Images.empty() ? nullptr : &m_Images.front();
  preview.imageKind = m_FrameSequences;
  preview.reserved = 0;
  preview.frameFraction = 1.0f;
  return preview;
}

void DS_TexParticleGenerator::AcquireRenderTarget() {
  m_RenderTarget = g_DocResManager ? g_DocResManager->GetRenderTargetPair(DS_GuidKey(m_Key)) : nullptr;
  if (!m_RenderTarget) return;
  const D3DSURFACE_DESC desc = GetBackBufferDesc();
  // The description and its runtime copies share the pair; one already made at this size
  // keeps its textures.
  if (m_RenderTarget->IsValid() && m_RenderTarget->width == desc.Width && m_RenderTarget->height == desc.Height)
    return;
  m_RenderTarget->Create(desc.Width, desc.Height);
}

IDirect3DTexture9* DS_TexParticleGenerator::FrameTexture(size_t i) const {
  // An index beyond the sets (a document with fewer images than the generator draws)
  // gives no texture instead of reading past the list.
  return i < m_Frames.size() ? m_Frames[i].CurrentTexture() : nullptr;
}

void DS_TexParticleGenerator::DrawSingleBatch(DS_ABRender& context, IDirect3DTexture9* texture) {
  if (!m_Runtime || m_Runtime->BatchCount() == 0) return;
  DS_ParticlesObj& runtime = *m_Runtime;
  const UINT quads = DrawableQuads(runtime, 0);
  Effect* effect = m_Effect.Get();
  if (!effect) {
    // Fixed-function alpha blending with the texture bound on stage 0.
    if (g_Device) g_Device->SetTexture(0, texture);
    if (quads) context.DrawQuadRange(runtime.Batch(0), nullptr, 0, quads);
    return;
  }
  effect->SetTechnique("BlendMask");
  // A mask that was not drawn is not composited either.
  if (!BeginMask(context, 0x00000000)) return;
  effect->SetTexture("Texture1", texture);
  if (quads) context.DrawQuadRange(runtime.Batch(0), &effect, 0, quads);
  EndMask(context);
  DrawComposite(context);
}

void DS_TexParticleGenerator::DrawJoinedBatches(DS_ABRender& context, size_t last) {
  Effect* effect = m_Effect.Get();
  // The joined mask is drawn only through the effect; a generator whose effect did not
  // load draws nothing.
  if (!effect || !m_Runtime) return;
  DS_ParticlesObj& runtime = *m_Runtime;
  effect->SetTechnique("JoinMask");
  if (!BeginMask(context, 0x00FFFFFF)) return;
  const size_t batches = runtime.BatchCount();
  for (size_t i = 0; i <= last && i < batches; ++i) {
    effect->SetTexture("Texture1", FrameTexture(i));
    const UINT quads = DrawableQuads(runtime, i);
    if (quads) context.DrawQuadRange(runtime.Batch(i), &effect, 0, quads);
  }
  EndMask(context);
}

void DS_TexParticleGenerator::DrawComposite(DS_ABRender& context) {
  Effect* effect = m_Effect.Get();
  // Without an effect or a mask there is nothing to composite.
  if (!effect || !m_RenderTarget || !m_RenderTarget->IsValid()) return;
  SelectComposite(*effect, m_RenderTarget->current.Get(), context.GetBackgroundTexture().Get());
  context.Draw(context.GetScreenQuad(), &effect);
}

void DS_TexParticleGenerator::SelectComposite(Effect& effect, IDirect3DTexture9* mask,
                                              IDirect3DTexture9* background) {
  switch (m_BlendMode.Get()) {
    case 0:
      effect.SetTechnique("CommonTex");
      effect.SetTexture("Texture1", mask);
      break;
    case 1:
      effect.SetTechnique("Blend_ScreenTex");
      effect.SetTexture("Texture1", background);
      effect.SetTexture("Texture2", mask);
      break;
    case 2:
      effect.SetTechnique("Blend_ColorDodgeTex");
      effect.SetTexture("Texture1", background);
      effect.SetTexture("Texture2", mask);
      break;
    case 3:
      effect.SetTechnique("Blend_SumTex");
      effect.SetTexture("Texture1", mask);
      break;
    default:
      // Other modes draw with whatever technique the effect last had.
      break;
  }
}

bool DS_TexParticleGenerator::BeginMask(DS_ABRender& context, D3DCOLOR clear) {
  if (!m_RenderTarget || !m_RenderTarget->BeginRender()) return false;
  context.PushRenderTarget(*m_RenderTarget, 3);
  if (g_Device) g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
  return true;
}

void DS_TexParticleGenerator::EndMask(DS_ABRender& context) {
  m_RenderTarget->EndRender();
  context.PopRenderTarget();
}

IDirect3DTexture9* DS_TexParticleGenerator::SwapToGlowMask() {
  IDirect3DTexture9* particleMask = m_RenderTarget->SwapAndClear();
  // The swap clears to opaque black; the glow mask starts transparent.
  if (g_Device) g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0);
  return particleMask;
}

void DS_TexParticleGenerator::DrawMaskBatch(DS_ABRender& context, size_t batch, Effect*& effect) {
  if (!m_Runtime || batch >= m_Runtime->BatchCount()) return;
  const unsigned count = m_Runtime->Count(batch);
  if (count) context.DrawQuadRange(m_Runtime->Batch(batch), &effect, 0u, count);
}

void DS_TexParticleGenerator::DrawGlowComposite(DS_ABRender& context, Effect*& effect,
                                                IDirect3DTexture9* particleMask) {
  effect->SetTechnique("Main");
  effect->SetTexture("Texture1", context.GetBackgroundTexture().Get());
  effect->SetTexture("Texture2", m_RenderTarget->current.Get());
  effect->SetTexture("Texture3", particleMask);
  context.Draw(context.GetScreenQuad(), &effect);
}

bool DS_TexParticleGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_TexParticleGenerator::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  unsigned count = 0;
  if (ReadListCount(archive, count, kMinLinkBytes)) {
    for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
      DS_ImageFileLink link;
      ReadFileLink(archive, link);
      if (archive.Failed()) break;
      // Every link is read so the fields after the list stay in step.
      if (m_Images.size() < kMaxParticlesPerList) m_Images.push_back(link);
    }
  }
  ReadFileLink(archive, m_EffectLink);
  ReadStoredColour(archive, m_Color1);
  ReadStoredColour(archive, m_Color2);
  ReadStoredInt(archive, m_BlendMode);
  if (version > 1) {
    ReadStoredInt(archive, m_MirrorVertical);
    ReadStoredInt(archive, m_MirrorHorizontal);
  } else {
    m_MirrorVertical.Store(0);
    m_MirrorHorizontal.Store(0);
  }
  if (version > 2) {
    int frameSequences = m_FrameSequences;
    archive.ReadInt(frameSequences);
    m_FrameSequences = frameSequences;
  } else {
    m_FrameSequences = 0;
  }
  DS_ParticleGenerator::ReadPart(archive);
}

void DS_TexParticleGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_TexParticleGenerator", kVersion);
  archive.WriteUInt(unsigned(m_Images.size()));
  for (const DS_ImageFileLink& link : m_Images) WriteFileLink(archive, link);
  WriteFileLink(archive, m_EffectLink);
  WriteStoredColour(archive, m_Color1);
  WriteStoredColour(archive, m_Color2);
  archive.WriteInt(m_BlendMode.Get());
  archive.WriteInt(m_MirrorVertical.Get());
  archive.WriteInt(m_MirrorHorizontal.Get());
  archive.WriteInt(m_FrameSequences);
  DS_ParticleGenerator::WritePart(archive);
}

// =======================================================================================
// DS_StaticGenerator

void DS_StaticGenerator::InitRuntime(DS_ParticlesObj& runtime) {
  DS_TexParticleGenerator::InitRuntime(runtime);
  // Descriptions read from a document are placed already; a new one centres itself.
  if (!m_Flag) {
    m_Centre.Set(D3DXVECTOR3(float(g_ScreenLayout.pictureWidth) / 2.0f, float(g_ScreenLayout.pictureHeight) / 2.0f,
                             0.0f));
    m_Flag = true;
  }
}

bool DS_StaticGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_StaticGenerator::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredVector(archive, m_Centre);
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_StaticGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_StaticGenerator", kVersion);
  WriteVector3(archive, m_Centre.Get());
  DS_TexParticleGenerator::WritePart(archive);
}

// =======================================================================================
// Origin particles

void OriginParticle::AddAction(Action action, std::initializer_list<float> params) {
  if (!action || actionCount >= kMaxActions) return;
  ActionEntry& entry = actions[actionCount++];
  entry.action = action;
  entry.paramCount = 0;
  for (float value : params) {
    if (entry.paramCount >= kMaxParams) break;
    entry.params[entry.paramCount++] = value;
  }
  for (int i = entry.paramCount; i < kMaxParams; ++i) entry.params[i] = 0.0f;
}

void OriginParticle::RunActions(float dt) {
  for (int i = 0; i < actionCount; ++i) actions[i].action(*this, dt, actions[i].params);
}

void MoveAction(OriginParticle& particle, float dt, const float*) {
  particle.position += particle.velocity * dt + particle.acceleration * (dt * dt * 0.5f);
  particle.velocity += particle.acceleration * dt;
}

void GrowAction(OriginParticle& particle, float dt, const float* p) { particle.size += p[0] * dt; }

void FadeInAction(OriginParticle& particle, float dt, const float* p) {
  if (p[1] < particle.life) particle.alpha += p[0] * dt;
}

void FadeOutAction(OriginParticle& particle, float dt, const float* p) {
  if (p[1] > particle.life) particle.alpha -= p[0] * dt;
}

void SpinAction(OriginParticle& particle, float dt, const float* p) {
  const float angle = DegreesToRadians(p[0] * dt);
  const float c = std::cos(angle), s = std::sin(angle);
  auto turn = [c, s](D3DXVECTOR3& v) {
    const float x = v.x * c - v.y * s;
    const float y = v.x * s + v.y * c;
    v.x = x;
    v.y = y;
  };
  turn(particle.right);
  turn(particle.up);
}

// =======================================================================================
// DS_ParticleOriginGenerator

DS_ParticleOriginGenerator::DS_ParticleOriginGenerator(const DS_ParticleOriginGenerator& other)
    : DS_StaticGenerator(other), m_OriginLife(other.m_OriginLife), m_Rate(other.m_Rate),
      m_SecondValue(other.m_SecondValue), m_Direction(other.m_Direction), m_OriginClock(other.m_OriginClock),
      m_EmissionTime(other.m_EmissionTime) {
  for (const OriginParticle* particle : other.m_Particles) m_Particles.push_back(new OriginParticle(*particle));
}

DS_ParticleOriginGenerator::~DS_ParticleOriginGenerator() {
  for (OriginParticle* particle : m_Particles) delete particle;
  m_Particles.clear();
}

void DS_ParticleOriginGenerator::UpdateFrame(float time, DS_ParticlesObj&) {
  m_OriginClock.Advance(time);
  EmitParticles(m_OriginClock.LastStep());
}

OriginParticle* DS_ParticleOriginGenerator::CreateParticle() {
  auto* particle = new OriginParticle();
  particle->life = m_OriginLife.Derived();
  particle->velocity = m_Direction.GetRandomDirection() * 100.0f;
  particle->position = m_Centre.Get();
  return particle;
}

void DS_ParticleOriginGenerator::UpdateParticles(float dt) {
  for (auto it = m_Particles.begin(); it != m_Particles.end();) {
    OriginParticle* particle = *it;
    particle->life -= dt;
    particle->RunActions(dt);
    if (particle->life < 0.0f) {
      delete particle;
      it = m_Particles.erase(it);
    } else {
      ++it;
    }
  }
}

void DS_ParticleOriginGenerator::EmitParticles(float dt) {
  UpdateParticles(dt);
  m_EmissionTime += dt;
  // A clock step that is not a number would stall the emission for good.
  if (!std::isfinite(m_EmissionTime)) m_EmissionTime = 0.0f;
  for (;;) {
    // The time line's alpha is read anew for each particle.
    const float perSecond = TimeLine().GetAlpha() * float(m_Rate.Get());
    // While nothing can be emitted the time is not saved up: it would come out as a burst
    // of particles the moment the alpha rises again.
    if (!(perSecond > 0.0f) || !std::isfinite(perSecond)) {
      m_EmissionTime = 0.0f;
      break;
    }
    const float interval = 1.0f / perSecond;
    if (!(interval < m_EmissionTime)) break;
    if (m_Particles.size() >= kMaxParticlesPerList) {
      // A full list keeps at most one interval in hand rather than a growing debt.
      m_EmissionTime = interval;
      break;
    }
    m_EmissionTime -= interval;
    m_Particles.push_back(CreateParticle());
  }
}

void DS_ParticleOriginGenerator::ReadBlock(DS_IOF_Virtual& archive) {
  int life = int(m_OriginLife.Get());
  archive.ReadInt(life);
  // Life and clock speed through the setter, so their scaled values follow.
  m_OriginLife.Set(unsigned(life));
  ReadStoredInt(archive, m_Rate);
  ReadStoredInt(archive, m_SecondValue);
  ReadStoredInt(archive, m_Direction);
  int clock = int(m_OriginClock.Get());
  archive.ReadInt(clock);
  m_OriginClock.Set(unsigned(clock));
  ReadStoredVector(archive, m_Centre);
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_ParticleOriginGenerator::WriteBlock(DS_IOF_Virtual& archive) {
  archive.WriteInt(int(m_OriginLife.Get()));
  archive.WriteInt(int(m_Rate.Get()));
  archive.WriteInt(int(m_SecondValue.Get()));
  archive.WriteInt(int(m_Direction.Get()));
  archive.WriteInt(int(m_OriginClock.Get()));
  WriteVector3(archive, m_Centre.Get());
  DS_TexParticleGenerator::WritePart(archive);
}

bool DS_ParticleOriginGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  ReadBlock(archive);
  return !archive.Failed();
}

void DS_ParticleOriginGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_ParticleOriginGenerator", kVersion);
  WriteBlock(archive);
}

// =======================================================================================
// DS_ParticleRctRgnGenerator

void DS_ParticleRctRgnGenerator::InitRuntime(DS_ParticlesObj& runtime) {
  DS_TexParticleGenerator::InitRuntime(runtime);
  if (!m_Flag) {
    const float w = float(g_ScreenLayout.pictureWidth), h = float(g_ScreenLayout.pictureHeight);
    m_Region.SetFromCenter(D3DXVECTOR3(w / 2.0f, h / 2.0f, 0.0f), w, h);
  }
}

bool DS_ParticleRctRgnGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_ParticleRctRgnGenerator::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  m_Region.Read(archive);
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_ParticleRctRgnGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_ParticleRctRgnGenerator", kVersion);
  m_Region.Write(archive);
  DS_TexParticleGenerator::WritePart(archive);
}

// =======================================================================================
// DS_StringGenerator

bool DS_StringGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_StringGenerator::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredVector(archive, m_Start);
  ReadStoredVector(archive, m_End);
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_StringGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_StringGenerator", kVersion);
  WriteVector3(archive, m_Start.Get());
  WriteVector3(archive, m_End.Get());
  DS_TexParticleGenerator::WritePart(archive);
}
