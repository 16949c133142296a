#include "objects/particles/ParticleGenerator.h"

#include "core/params/Numeric.h"
#include "core/render/Device.h"
#include "core/render/RenderMath.h"
#include "layers/RecordHead.h"
#include "objects/particles/GeneratorFamilies.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

// =======================================================================================
// SpriteQuad

namespace {

DX_V::PCT Vertex(float x, float y, float z, float u, float v) { return DX_V::PCT{x, y, z, 0xFFFFFFFFu, u, v}; }

}  // namespace

SpriteQuad::SpriteQuad()
    : p{Vertex(0.0f, 0.0f, 0.0f, 0.0f, 1.0f), Vertex(0.0f, 0.0f, 0.0f, 0.0f, 0.0f),
        Vertex(0.0f, 0.0f, 0.0f, 1.0f, 1.0f), Vertex(0.0f, 0.0f, 0.0f, 1.0f, 0.0f)} {}

namespace {

void SetPosition(DX_V::PCT& v, float x, float y, float z) {
  v.x = x;
  v.y = y;
  v.z = z;
}

void SetPosition(DX_V::PCT& v, const D3DXVECTOR3& at) { SetPosition(v, at.x, at.y, at.z); }

}  // namespace

SpriteQuad SpriteQuad::FromCenter(const D3DXVECTOR3& c, float width, float height) {
  SpriteQuad q;
  const float hw = width / 2.0f, hh = height / 2.0f;
  SetPosition(q.p[0], c.x - hw, c.y + hh, c.z);
  SetPosition(q.p[1], c.x - hw, c.y - hh, c.z);
  SetPosition(q.p[2], c.x + hw, c.y + hh, c.z);
  SetPosition(q.p[3], c.x + hw, c.y - hh, c.z);
  return q;
}

SpriteQuad SpriteQuad::FromCorner(const D3DXVECTOR3& corner, float width, float height) {
  SpriteQuad q;
  SetPosition(q.p[0], corner.x, corner.y + height, corner.z);
  SetPosition(q.p[1], corner.x, corner.y, corner.z);
  SetPosition(q.p[2], corner.x + width, corner.y + height, corner.z);
  SetPosition(q.p[3], corner.x + width, corner.y, corner.z);
  return q;
}

SpriteQuad SpriteQuad::FromAxes(const D3DXVECTOR3& c, const D3DXVECTOR3& right, const D3DXVECTOR3& up, float scale) {
  SpriteQuad q;
  const float r = scale / 2.0f;
  const D3DXVECTOR3 rr = right * r, ur = up * r;
  SetPosition(q.p[0], c - rr + ur);
  SetPosition(q.p[1], c - rr - ur);
  SetPosition(q.p[2], c + rr + ur);
  SetPosition(q.p[3], c + rr - ur);
  return q;
}

SpriteQuad SpriteQuad::FromSegment(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float length,
                                   float startWidth, float endWidth) {
  SpriteQuad q;
  // A segment of no length has no side to widen towards; its quad collapses instead of
  // taking positions that are not numbers.
  const D3DXVECTOR3 n = length != 0.0f ? D3DXVECTOR3(-direction.y, direction.x, 0.0f) / (2.0f * length)
                                       : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  const D3DXVECTOR3 end = start + direction;
  SetPosition(q.p[0], start + n * startWidth);
  SetPosition(q.p[1], start - n * startWidth);
  SetPosition(q.p[2], end + n * endWidth);
  SetPosition(q.p[3], end - n * endWidth);
  return q;
}

SpriteQuad SpriteQuad::FromMediaQuad(const MediaQuad& quad) {
  SpriteQuad q;
  SetPosition(q.p[0], quad.corners[1].Get());
  SetPosition(q.p[1], quad.corners[0].Get());
  SetPosition(q.p[2], quad.corners[3].Get());
  SetPosition(q.p[3], quad.corners[2].Get());
  return q;
}

void SpriteQuad::JoinTo(SpriteQuad& previous, SpriteQuad& next) {
  auto weld = [](DX_V::PCT& a, DX_V::PCT& b) {
    const float x = (a.x + b.x) / 2.0f, y = (a.y + b.y) / 2.0f, z = (a.z + b.z) / 2.0f;
    SetPosition(a, x, y, z);
    SetPosition(b, x, y, z);
  };
  weld(previous.p[2], next.p[0]);
  weld(previous.p[3], next.p[1]);
}

void SpriteQuad::SetTexCoords(float leftU, float rightU, float topV, float bottomV) {
  p[0].u = leftU;
  p[0].v = bottomV;
  p[1].u = leftU;
  p[1].v = topV;
  p[2].u = rightU;
  p[2].v = bottomV;
  p[3].u = rightU;
  p[3].v = topV;
}

void SpriteQuad::Mirror(bool horizontal, bool vertical) {
  if (horizontal) {
    std::swap(p[0].u, p[2].u);
    std::swap(p[1].u, p[3].u);
  }
  if (vertical) {
    std::swap(p[0].v, p[3].v);
    std::swap(p[1].v, p[2].v);
  }
}

void SpriteQuad::SetColor(D3DCOLOR color) {
  for (DX_V::PCT& v : p) v.color = color;
}

DS_BoundsRect SpriteQuad::Bounds() const {
  float minX = p[0].x, maxX = p[0].x, minY = p[0].y, maxY = p[0].y;
  for (int i = 1; i < 4; ++i) {
    minX = std::min(minX, p[i].x);
    maxX = std::max(maxX, p[i].x);
    minY = std::min(minY, p[i].y);
    maxY = std::max(maxY, p[i].y);
  }
  return DS_BoundsRect{minX, minY, maxX - minX, maxY - minY};
}

// =======================================================================================
// Sprite colour

namespace {

DWORD ColourByte(float fraction) {
  if (fraction >= 1.0f) return 255u;
  // Not a number counts as nothing.
  if (!(fraction > 0.0f)) return 0u;
  return DWORD(fraction * 255.0f + 0.5f);
}

}  // namespace

D3DCOLOR ParticleColor(const MediaColor& color, float alphaFactor) {
  // A colour byte b gives the fraction b / 255, and trunc(b / 255 x 255 + 0.5) is b
  // again: red, green and blue are moved over as they are.
  const unsigned long value = color.Get();
  const DWORD rgb = DWORD((value & 0xFFu) << 16) | DWORD(value & 0xFF00u) | DWORD((value >> 16) & 0xFFu);
  const DWORD a = ColourByte(float(color.Alpha()) * alphaFactor / 255.0f);
  return (a << 24) | rgb;
}

// =======================================================================================
// DS_ParticleGenerator

DS_ParticleGenerator::DS_ParticleGenerator() = default;

DS_ParticleGenerator::DS_ParticleGenerator(const DS_ParticleGenerator& other)
    : DS_ABObj_Constructor(other), m_Life(other.m_Life), m_EmissionRate(other.m_EmissionRate),
      m_Size(other.m_Size), m_Speed(other.m_Speed), m_PathEmission(other.m_PathEmission),
      m_Clock(other.m_Clock), m_Stored(other.m_Stored), m_Live(other.m_Live) {}

DS_ParticleGenerator::~DS_ParticleGenerator() = default;

void DS_ParticleGenerator::UpdateFrame(float time, DS_ParticlesObj&) {
  m_Clock.Advance(time);
  const float dt = m_Clock.LastStep();
  UpdateParticleList(m_Stored, dt);
  UpdateParticleList(m_Live, dt);
}

void DS_ParticleGenerator::UpdateParticleList(ParticleList& particles, float dt) {
  for (auto it = particles.begin(); it != particles.end();) {
    PrefetchParticleNodeAhead(*it);
    if (it->RunProcesses(dt)) ++it;
    else it = particles.erase(it);
  }
}

void DS_ParticleGenerator::EmitAlongPaths(float t) {
  // The count saturates and a clock that ran backwards yields 0 (and resynchronises), so
  // a hostile rate never wraps into a huge loop.
  const unsigned n = m_EmissionRate.Count(t);
  if (m_PathEmission.Get() == 0 || n == 0) return;
  size_t room = m_Live.size() < kMaxParticlesPerList ? kMaxParticlesPerList - m_Live.size() : 0;
  const float parts = float(n) + 1.0f;
  for (const Particle& stored : m_Stored) {
    if (room == 0) break;
    const D3DXVECTOR3 d = stored.position - stored.previous;
    for (unsigned i = 1; i <= n && room > 0; ++i, --room) {
      // The segment's end point is never used: i stops at n of n + 1 parts.
      m_Live.emplace_back(stored.previous + d * (float(i) / parts));
      InitParticle(m_Live.back(), stored);
    }
  }
  for (Particle& stored : m_Stored) stored.ResetPrevious();
}

void DS_ParticleGenerator::InitParticle(Particle& particle, const Particle& stored) {
  const float life = m_Life.Derived();
  particle.channels[Particle::kOpacity] = stored.channels[Particle::kOpacity];
  particle.AddProcess(new PAgeConst(life));
  particle.AddProcess(new PFade(Particle::kOpacity, 0.0f, life, -1.0f));
  // Stored documents rely on this order of draws: the length first, then the direction.
  const float length = m_Speed.Derived() * float(std::rand()) / 32767.0f;
  D3DXVECTOR3 velocity(0.0f, 0.0f, 0.0f);
  RandomDirection(&velocity, length);
  particle.AddProcess(new PKinetic(velocity, D3DXVECTOR3(0.0f, 0.0f, 0.0f)));
}

DS_ABObj* DS_ParticleGenerator::CreateRuntimeObject() { return new DS_ParticlesObj(Clone()); }

bool DS_ParticleGenerator::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_ParticleGenerator::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  if (version > 1) {
    unsigned count = 0;
    if (ReadListCount(archive, count, 3 * sizeof(float))) {
      for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        archive.ReadFloat(x);
        archive.ReadFloat(y);
        archive.ReadFloat(z);
        if (archive.Failed()) break;
        // Every one is read so the fields after the list stay in step; a list longer than
        // one batch can draw keeps its first particles.
        if (m_Stored.size() >= kMaxParticlesPerList) continue;
        // A stored particle starts with its previous position at the origin.
        m_Stored.emplace_back();
        m_Stored.back().position = D3DXVECTOR3(x, y, z);
      }
    }
  }
  if (version > 2) {
    int life = int(m_Life.Get()), rate = int(m_EmissionRate.Get()), size = int(m_Size.Get()),
        speed = int(m_Speed.Get());
    long pathEmission = m_PathEmission.Get();
    archive.ReadInt(life);
    archive.ReadInt(rate);
    archive.ReadInt(size);
    archive.ReadInt(speed);
    archive.ReadLong(pathEmission);
    // Life, size and speed through the setter, so their scaled values follow; the rate
    // is scaled again when the runtime copy is made.
    m_Life.Set(unsigned(life));
    m_EmissionRate.Store(unsigned(rate));
    m_Size.Set(unsigned(size));
    m_Speed.Set(unsigned(speed));
    m_PathEmission.Store(int(pathEmission));
  } else {
    m_Life.Set(20u);
    m_EmissionRate.Store(30u);
    m_Size.Set(0u);
    m_Speed.Set(0u);
    m_PathEmission.Store(0);
  }
  DS_ABObj_Constructor::ReadPart(archive);
}

void DS_ParticleGenerator::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_ParticleGenerator", kVersion);
  archive.WriteUInt(unsigned(m_Stored.size()));
  for (const Particle& p : m_Stored) WriteVector3(archive, p.position);
  archive.WriteInt(int(m_Life.Get()));
  archive.WriteInt(int(m_EmissionRate.Get()));
  archive.WriteInt(int(m_Size.Get()));
  archive.WriteInt(int(m_Speed.Get()));
  archive.WriteLong(long(m_PathEmission.Get()));
  DS_ABObj_Constructor::WritePart(archive);
}

// =======================================================================================
// DS_ParticlesObj

DS_ParticlesObj::DS_ParticlesObj(DS_ParticleGenerator* generator)
    : DS_ABObj(generator), m_Generator(generator) {
  if (m_Generator) m_Generator->InitRuntime(*this);
}

DS_ParticlesObj::~DS_ParticlesObj() {
  // The generator outlives these vectors (the base deletes it), so it must not reach
  // back into them from its destructor.
  if (auto* textured = dynamic_cast<DS_TexParticleGenerator*>(m_Generator)) textured->m_Runtime = nullptr;
  for (size_t i = 0; i < m_Batches.size(); ++i) UnlockBatch(i);
  std::vector<unsigned>().swap(m_Counts);
  std::vector<std::vector<DS_BoundsRect>>().swap(m_Bounds);
  std::vector<DS_ParticleBatch>().swap(m_Batches);
}

void DS_ParticlesObj::Render(DS_ABRender& context) {
  if (m_Generator) m_Generator->Render(context, *this);
}

void DS_ParticlesObj::OnRuntimeEvent(int a, int) {
  if (m_Generator) m_Generator->OnRuntimeEvent(a);
}

bool DS_ParticlesObj::IsPostPass() { return m_Generator ? m_Generator->IsPostPass() : false; }

bool DS_ParticlesObj::HitTest(float x, float y) { return m_Generator ? m_Generator->HitTest(x, y) : false; }

bool DS_ParticlesObj::CollectBounds(DS_BoundsList& bounds) {
  for (const std::vector<DS_BoundsRect>& batch : m_Bounds)
    for (const DS_BoundsRect& rect : batch) bounds.push_back(rect);
  return false;
}

void DS_ParticlesObj::UpdateFrame(float time) {
  if (m_Generator) m_Generator->UpdateFrame(time, *this);
}

void DS_ParticlesObj::SetBatchCount(size_t n) {
  // A batch that moves in the vector must not leave its buffer locked behind it.
  for (size_t i = 0; i < m_Batches.size(); ++i) UnlockBatch(i);
  m_Batches.resize(n);
  m_Bounds.resize(n);
  m_Counts.resize(n, 0u);
}

namespace {

// The quads a batch's buffers hold (both buffers are needed to draw any).
UINT QuadCapacity(const DS_ParticleBatch& batch) {
  if (!batch.vertexBuffer || !batch.indexBuffer) return 0;
  return std::min(batch.vertexCount / 4, batch.indexedPrimitiveCount / 2);
}

}  // namespace

void DS_ParticlesObj::ReserveQuads(size_t batch, size_t n) {
  if (batch >= m_Batches.size()) return;
  const UINT quads = CapQuadCount(n);
  DS_ParticleBatch& mesh = m_Batches[batch];
  // Measured against what the buffers really hold: quad lists keep their count in the
  // indexed primitive count, and the plain one stays 0, which would remake the buffers
  // every frame.
  if (QuadCapacity(mesh) < quads) {
    UnlockBatch(batch);
    mesh.vertexBuffer.Reset();
    mesh.vertexCount = 0;
    if (CreateQuadListBuffers(mesh, quads)) {
      // A reserved slot that is never written must draw nothing rather than whatever the
      // new buffer happened to hold.
      void* bytes = nullptr;
      if (SUCCEEDED(mesh.vertexBuffer->Lock(0, 0, &bytes, 0)) && bytes) {
        std::memset(bytes, 0, size_t(mesh.vertexCount) * sizeof(DX_V::PCT));
        mesh.vertexBuffer->Unlock();
      }
    }
  }
  m_Bounds[batch].resize(quads);
  m_Counts[batch] = quads;
}

bool DS_ParticlesObj::LockBatch(size_t batch) {
  if (batch >= m_Batches.size()) return false;
  DS_ParticleBatch& mesh = m_Batches[batch];
  if (!mesh.vertexBuffer) return false;
  if (mesh.lockPointer) return true;
  void* bytes = nullptr;
  if (FAILED(mesh.vertexBuffer->Lock(0, 0, &bytes, 0)) || !bytes) return false;
  mesh.lockPointer = bytes;
  return true;
}

void DS_ParticlesObj::UnlockBatch(size_t batch) {
  if (batch >= m_Batches.size()) return;
  DS_ParticleBatch& mesh = m_Batches[batch];
  if (!mesh.lockPointer) return;
  mesh.lockPointer = nullptr;
  if (mesh.vertexBuffer) mesh.vertexBuffer->Unlock();
}

DX_V::PCT* DS_ParticlesObj::QuadSlot(size_t batch, size_t slot, DS_BoundsRect*& bounds) {
  if (batch >= m_Batches.size()) return nullptr;
  DS_ParticleBatch& mesh = m_Batches[batch];
  if (!mesh.lockPointer || slot >= m_Counts[batch] || (slot + 1) * 4 > mesh.vertexCount) return nullptr;
  bounds = &m_Bounds[batch][slot];
  return static_cast<DX_V::PCT*>(mesh.lockPointer) + slot * 4;
}

void DS_ParticlesObj::WriteQuad(const SpriteQuad& quad, size_t batch, size_t slot) {
  DS_BoundsRect* bounds = nullptr;
  DX_V::PCT* vertices = QuadSlot(batch, slot, bounds);
  if (!vertices) return;
  std::memcpy(vertices, quad.p, sizeof quad.p);
  *bounds = quad.Bounds();
}

// =======================================================================================
// Particle sprites

SpriteQuad ParticleSpriteQuad(const MediaColor& color, const Particle& particle, float size, float alphaFactor) {
  const float side = particle.channels[Particle::kSize] * size;
  SpriteQuad q = SpriteQuad::FromCenter(particle.position, side, side);
  q.SetColor(ParticleColor(color, particle.channels[Particle::kOpacity] * alphaFactor));
  return q;
}

SpriteQuad RotatedParticleSpriteQuad(const MediaColor& color, const Particle& particle, float width, float height,
                                     float alphaFactor) {
  const float scale = particle.channels[Particle::kSize];
  const float angle = particle.channels[Particle::kAngle];
  const float c = std::cos(angle), s = std::sin(angle);
  // (w, 0, 0) and (0, h, 0) turned about z: p x Rz = (x cos - y sin, x sin + y cos).
  const D3DXVECTOR3 right(scale * width * c, scale * width * s, 0.0f);
  const D3DXVECTOR3 up(-scale * height * s, scale * height * c, 0.0f);
  SpriteQuad q = SpriteQuad::FromAxes(particle.position, right, up, 1.0f);
  q.SetColor(ParticleColor(color, particle.channels[Particle::kOpacity] * alphaFactor));
  return q;
}

void BuildParticleSprite(DS_ParticlesObj& runtime, const MediaColor& color, const Particle& particle, size_t batch,
                         size_t slot, float size, float alphaFactor) {
  // Written straight into the locked buffer: the same vertices and bounds as
  // WriteQuad(ParticleSpriteQuad(...)), without building the quad and copying it, since
  // a generator fills tens of thousands of these a frame.
  PrefetchParticleAhead(particle);
  DS_BoundsRect* bounds = nullptr;
  DX_V::PCT* v = runtime.QuadSlot(batch, slot, bounds);
  if (!v) return;
  const float side = particle.channels[Particle::kSize] * size;
  const float halfWidth = side / 2.0f;
  const D3DXVECTOR3& c = particle.position;
  const float left = c.x - halfWidth, right = c.x + halfWidth, top = c.y - halfWidth, bottom = c.y + halfWidth;
  const D3DCOLOR colour = ParticleColor(color, particle.channels[Particle::kOpacity] * alphaFactor);
  v[0] = DX_V::PCT{left, bottom, c.z, colour, 0.0f, 1.0f};
  v[1] = DX_V::PCT{left, top, c.z, colour, 0.0f, 0.0f};
  v[2] = DX_V::PCT{right, bottom, c.z, colour, 1.0f, 1.0f};
  v[3] = DX_V::PCT{right, top, c.z, colour, 1.0f, 0.0f};
  // As SpriteQuad::Bounds takes them, corner by corner (so that NaN sides agree too).
  const float minX = std::min(std::min(std::min(left, left), right), right);
  const float maxX = std::max(std::max(std::max(left, left), right), right);
  const float minY = std::min(std::min(std::min(bottom, top), bottom), top);
  const float maxY = std::max(std::max(std::max(bottom, top), bottom), top);
  *bounds = DS_BoundsRect{minX, minY, maxX - minX, maxY - minY};
}

void BuildRotatedParticleSprite(DS_ParticlesObj& runtime, const MediaColor& color, const Particle& particle,
                                size_t slot, float width, float height, float alphaFactor) {
  runtime.WriteQuad(RotatedParticleSpriteQuad(color, particle, width, height, alphaFactor), 0, slot);
}
