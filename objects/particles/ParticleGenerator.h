#pragma once
// The particle generator base (the description every particle effect shares: life,
// emission rate, size, speed, path emission, its own clock, the stored and live particle
// lists) and its runtime object DS_ParticlesObj, which owns a copy of the generator and
// the sprite batches the generator writes one textured quad per visible particle into.
// Also the quad builders and the particle-to-sprite rules that every generator uses.
#include "core/params/CompositeParams.h"
#include "core/params/ScaledParams.h"
#include "core/render/QuadList.h"
#include "core/render/SimpleMesh.h"
#include "core/render/Vertex.h"
#include "core/scene/DS_ABObj.h"
#include "objects/particles/Particle.h"
#include <d3dx9math.h>
#include <vector>

class DS_ABRender;
class DS_ParticlesObj;

// The most particles a generator keeps in one list and the most quads a batch draws: a
// batch's 16-bit indices address 16,384 quads.
constexpr size_t kMaxParticlesPerList = kMaxQuadsPerBuffer;

// Four vertices p0 (lower left), p1 (upper left), p2 (lower right), p3 (upper right) of an
// unrotated quad; stage y grows downwards. Drawn as (p0, p1, p2) and (p2, p1, p3).
// Unless a builder says otherwise: colour 0xFFFFFFFF, texture coordinates p0 (0, 1),
// p1 (0, 0), p2 (1, 1), p3 (1, 0).
struct SpriteQuad {
  DX_V::PCT p[4];

  SpriteQuad();
  static SpriteQuad FromCenter(const D3DXVECTOR3& c, float width, float height);
  static SpriteQuad FromCorner(const D3DXVECTOR3& corner, float width, float height);
  // With r = scale / 2: C - R r + U r, C - R r - U r, C + R r + U r, C + R r - U r.
  static SpriteQuad FromAxes(const D3DXVECTOR3& c, const D3DXVECTOR3& right, const D3DXVECTOR3& up, float scale);
  // A segment from P along D (length L) with widths w0 and w1 at its ends. Colours and
  // texture coordinates are left as the default ones.
  static SpriteQuad FromSegment(const D3DXVECTOR3& start, const D3DXVECTOR3& direction, float length, float startWidth,
                                float endWidth);
  // Corner 1 -> p0, 0 -> p1, 3 -> p2, 2 -> p3.
  static SpriteQuad FromMediaQuad(const MediaQuad& quad);
  // Welds consecutive segment quads: previous p2 and next p0 to their midpoint, previous
  // p3 and next p1 to theirs.
  static void JoinTo(SpriteQuad& previous, SpriteQuad& next);
  void SetTexCoords(float leftU, float rightU, float topV, float bottomV);
  // Horizontal swaps the u of p0/p2 and p1/p3; vertical swaps the v of p0/p3 and p1/p2.
  void Mirror(bool horizontal, bool vertical);
  void SetColor(D3DCOLOR color);
  // Minimum x and y of the four corners, maximum minus minimum as width and height.
  DS_BoundsRect Bounds() const;
};

// The vertex colour 0xAARRGGBB of a colour (red in its low byte) whose alpha byte is
// multiplied by alphaFactor: each channel as a fraction of 255, >= 1 gives 255, <= 0 (or
// not a number) gives 0, otherwise the truncation of fraction x 255 + 0.5.
D3DCOLOR ParticleColor(const MediaColor& color, float alphaFactor);

class DS_ParticleGenerator : public DS_ABObj_Constructor {
public:
  DS_ParticleGenerator();
  // Copies every parameter, the last-emission time, the clock (step, accumulated and last
  // time) and both lists (processes cloned).
  DS_ParticleGenerator(const DS_ParticleGenerator& other);
  ~DS_ParticleGenerator() override;

  virtual void Render(DS_ABRender& context, DS_ParticlesObj& runtime) = 0;
  // Advances the clock; UpdateParticleList on the stored, then the live particles.
  virtual void UpdateFrame(float time, DS_ParticlesObj& runtime);
  // Called once by the runtime object's constructor.
  virtual void InitRuntime(DS_ParticlesObj& runtime) = 0;
  virtual bool HitTest(float x, float y) { return false; }
  // True asks the layer to copy the picture drawn so far into its background texture
  // before this object draws.
  virtual bool IsPostPass() { return false; }
  // Opacity from the stored particle; PAgeConst(life), PFade(2, 0, life, -1), PKinetic
  // with a random direction up to the scaled speed (the length's rand first).
  virtual void InitParticle(Particle& particle, const Particle& stored);
  virtual DS_ParticleGenerator* Clone() = 0;

  // A DS_ParticlesObj holding Clone().
  DS_ABObj* CreateRuntimeObject() override;
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }

  // Emits live particles along the stored particles' motion since the last step, at the
  // scaled emission rate against the clock time t. Never more than the live list's room
  // (kMaxParticlesPerList) in one call.
  void EmitAlongPaths(float t);
  // RunProcesses(dt) on each particle from the front; a false vote erases it.
  static void UpdateParticleList(ParticleList& particles, float dt);

  // The part "DS_ParticleGenerator", versions 1 to 3 (3 written); the stored particles'
  // count is read with the bounded list read.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);
  static constexpr unsigned kVersion = 3;

  UINTSclaleTo<float> m_Life{0u, 1.0f, 0.0f};
  PerSecondCounter m_EmissionRate{0u, 1.0f, 0.0f};
  UINTSclaleTo<float> m_Size{0u, 1.0f, 0.0f};
  UINTSclaleTo<float> m_Speed{0u, 1.0f, 0.0f};
  MediaParamT<int> m_PathEmission{0};
  MediaSpeedParam m_Clock{50u, 0.02f, 0.0f};
  ParticleList m_Stored;
  ParticleList m_Live;
};

using DS_ParticleBatch = DS_IndexedMesh<DX_V::PCT>;

class DS_ParticlesObj : public DS_ABObj {
public:
  // Stores the generator and, when it is not null, calls its InitRuntime(*this).
  explicit DS_ParticlesObj(DS_ParticleGenerator* generator);
  // Frees counts, bounds and batches, then the base deletes the generator, which must not
  // touch them.
  ~DS_ParticlesObj() override;

  void Render(DS_ABRender& context) override;
  void OnRuntimeEvent(int a, int b) override;
  void OnScreenSizeChanged() override {}
  bool IsPostPass() override;
  bool HitTest(float x, float y) override;
  // Every reserved quad slot's rectangle, batch by batch; returns false.
  bool CollectBounds(DS_BoundsList& bounds) override;
  void UpdateFrame(float time) override;

  // Resizes batches, bounds and counts to n entries; new batches have no buffers.
  void SetBatchCount(size_t n);
  size_t BatchCount() const { return m_Batches.size(); }
  // Room for n quads (capped at kMaxQuadsPerBuffer): new, zero-filled buffers only when
  // the batch holds fewer; the bounds and the count follow n. A batch index outside the
  // batches does nothing.
  void ReserveQuads(size_t batch, size_t n);
  // Locks the whole vertex buffer; false outside the batches, without a buffer, or when
  // the lock yields no pointer.
  bool LockBatch(size_t batch);
  void UnlockBatch(size_t batch);
  // Copies the quad to slot `slot` of the locked batch and keeps its bounds; a slot
  // beyond the reserved ones, or a batch that is not locked, is ignored.
  void WriteQuad(const SpriteQuad& quad, size_t batch, size_t slot);
  // The four vertices of a slot of the locked batch and the slot's bounds, for writers
  // that fill a quad in place; null (bounds untouched) where WriteQuad would ignore it.
  DX_V::PCT* QuadSlot(size_t batch, size_t slot, DS_BoundsRect*& bounds);

  DS_ParticleBatch& Batch(size_t i) { return m_Batches[i]; }
  const DS_ParticleBatch& Batch(size_t i) const { return m_Batches[i]; }
  unsigned Count(size_t i) const { return i < m_Counts.size() ? m_Counts[i] : 0u; }
  const std::vector<DS_BoundsRect>& Bounds(size_t i) const { return m_Bounds[i]; }
  DS_ParticleGenerator* Generator() const { return m_Generator; }

private:
  std::vector<DS_ParticleBatch> m_Batches;
  std::vector<std::vector<DS_BoundsRect>> m_Bounds;
  DS_ParticleGenerator* m_Generator;
  std::vector<unsigned> m_Counts;
};

// Particle sprites (sprite colour rule of ParticleColor).
// FromCenter at the particle with width = height = channel 1 x size; alpha factor
// channel 2 x alphaFactor.
void BuildParticleSprite(DS_ParticlesObj& runtime, const MediaColor& color, const Particle& particle, size_t batch,
                         size_t slot, float size, float alphaFactor);
// Axes (channel 1 x width, 0, 0) and (0, channel 1 x height, 0) turned about z by
// channel 4; FromAxes at the particle with scale 1; alpha factor channel 2 x alphaFactor;
// always batch 0.
void BuildRotatedParticleSprite(DS_ParticlesObj& runtime, const MediaColor& color, const Particle& particle,
                                size_t slot, float width, float height, float alphaFactor);
// The quads the two builders write, for callers that write them elsewhere.
SpriteQuad ParticleSpriteQuad(const MediaColor& color, const Particle& particle, float size, float alphaFactor);
SpriteQuad RotatedParticleSpriteQuad(const MediaColor& color, const Particle& particle, float width, float height,
                                     float alphaFactor);
