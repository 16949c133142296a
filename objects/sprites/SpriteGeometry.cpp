#include "objects/sprites/SpriteGeometry.h"

#include "core/params/Numeric.h"
#include "objects/sprites/SpriteSystem.h"

#include <emmintrin.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// ---------------------------------------------------------------------------------------
// One sprite

void DS_SpriteState::Init(const DS_BaseSpriteProp& d) {
  direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  rightAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  upAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  // Only the fog system uses the rotation; a defined value keeps copies comparable.
  D3DXMatrixIdentity(&rotation);
  aspect = d.SpriteAspect();
  sizeFactor = RandomFloat(d.m_SizeFactorMin, d.m_SizeFactorMax);
  UpdateHalfSize(d.m_SpriteSize.Get());
  vRange[0] = 0.0f;
  vRange[1] = 1.0f;
  uRange[0] = 0.0f;
  uRange[1] = 1.0f;
}

void DS_SpriteState::ResetBoundary(DS_BaseSpriteProp& d) {
  delayDeadline = 0.0f;
  delayTimer = 0.0f;
  waitTime = 0.0f;
  entering = false;
  timer = 0.0f;
  held = false;
  boundarySide = -1;
  phase = 1.0f;
  // Stored documents rely on this draw coming right after the size factor's.
  phaseVelocity = d.m_PhaseSpeed * ((rand() & 1) ? -1.0f : 1.0f);
  color = d.SpriteColorFor(phase);
}

void DS_SpriteState::UpdateHalfSize(unsigned size) {
  const float c = sizeFactor * float(size) * 0.5f;
  if (aspect < 1.0f) {
    halfWidth = c;
    halfHeight = aspect * c;
  } else {
    halfHeight = c;
    halfWidth = c / aspect;
  }
}

D3DXVECTOR3 DS_SpriteState::GetCorner() const {
  return position - halfWidth * rightAxis - halfHeight * upAxis;
}

void DS_SpriteState::ClearTimers() {
  delayDeadline = 0.0f;
  delayTimer = 0.0f;
  waitTime = 0.0f;
  timer = 0.0f;
}

// ---------------------------------------------------------------------------------------
// The sprite batch

ParticleGeomArray::ParticleGeomArray() { m_CountBinder.SetTarget(this, false); }

ParticleGeomArray::~ParticleGeomArray() {
  // The listener leaves the count's list while the description it listens to may still
  // exist; the buffers and the frame follow with the bases.
  m_CountBinder.Clear();
}

void ParticleGeomArray::BindCount(MediaParamT<unsigned>& count) {
  auto* listener =
      new DS_FunLightCtrl<unsigned, ParticleGeomArray>(&count, &ParticleGeomArray::OnCountChanged, this);
  m_CountBinder.Add(listener);
  listener->OnChanged(nullptr);
}

void ParticleGeomArray::OnCountChanged(unsigned count) {
  if (count == 0) return;
  // 16-bit indices address 16384 quads; a larger count from a document would overflow them.
  const UINT n = CapQuadCount(count);
  vertexBuffer.Reset();
  CreateQuadListBuffers(*this, n);
  m_FillCount = 0;
  if (!m_Description) return;
  DS_BaseSpriteProp& d = *m_Description;
  if (m_Sprites.size() < n) m_Sprites.reserve(n);
  while (m_Sprites.size() < n) {
    DS_SpriteState sprite;
    // Stored documents rely on the draw order: size factor, phase sign, then InitSprite's.
    sprite.Init(d);
    sprite.ResetBoundary(d);
    m_Sprites.push_back(sprite);
    d.InitSprite(m_Sprites.back());
  }
}

void ParticleGeomArray::Update(float t) {
  if (!m_Description) return;
  DS_BaseSpriteProp& d = *m_Description;
  d.UpdateTiming(t);
  d.m_AnimationSpeed.Advance(t);
  d.UpdateSprites(m_Sprites.data(), m_Sprites.size());
}

void ParticleGeomArray::FillVertices(DS_BaseSpriteProp& d) {
  const UINT count = CapQuadCount(d.m_SpriteCount.Get());
  // Buffers made for another count (or none at all) are left alone.
  if (!vertexBuffer || count == 0 || BufferSprites() != count || m_Sprites.size() < count) return;
  void* p = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &p, 0)) || !p) return;
  WriteVertices(d, static_cast<DX_V::PCT*>(p), count);
  vertexBuffer->Unlock();
  ++m_FillCount;
}

void ParticleGeomArray::SetSpriteTexCoords(DX_V::PCT* quad, const float u[2], const float v[2]) {
  quad[0].u = u[0];
  quad[0].v = v[1];
  quad[1].u = u[0];
  quad[1].v = v[0];
  quad[2].u = u[1];
  quad[2].v = v[1];
  quad[3].u = u[1];
  quad[3].v = v[0];
}

namespace {

// How the blocks go out: anywhere, or to a 16-byte aligned array past the caches. Vertex
// buffers are written once and read by the device, not by us: streaming stores skip the
// reads that ordinary stores make of every line they fill (on a fill of many sprites that
// is a third of the memory traffic). An sfence at the end of the fill orders them.
struct UnalignedStore {
  static void Put(float* p, __m128 v) { _mm_storeu_ps(p, v); }
};
struct StreamingStore {
  static void Put(float* p, __m128 v) { _mm_stream_ps(p, v); }
};

// One quad: 4i + 0 bottom-left, + 1 top-left (the corner), + 2 bottom-right, + 3 top-right
// with the default axes. corner = position - hw right - hh up; the quad spans 2 hw right
// and 2 hh up. A fill of many sprites is bound by its stores, so each vertex goes out as
// one 16-byte store of x, y, z and the colour and one 8-byte store of u and v; the
// arithmetic is the scalar one, lane by lane, so the values are the same.
//   leftUv = (uL, vB, uL, vT): vertices 0 and 1; rightUv = (uR, vB, uR, vT): 2 and 3.
template <class Store>
inline void WriteQuad(DX_V::PCT* q, const DS_SpriteState& s, D3DCOLOR color, __m128 leftUv, __m128 rightUv) {
  static_assert(sizeof(DX_V::PCT) == 24 && offsetof(DX_V::PCT, color) == 12 && offsetof(DX_V::PCT, u) == 16 &&
                    offsetof(DX_V::PCT, v) == 20,
                "a vertex is x, y, z, colour, u, v");
  // Each load takes the three floats of a vector and the field after it; the mask keeps
  // the three (lane 3 becomes +0, so the colour can be or-ed into it).
  const __m128 xyz = _mm_castsi128_ps(_mm_set_epi32(0, -1, -1, -1));
  const __m128 position = _mm_and_ps(_mm_loadu_ps(&s.position.x), xyz);
  const __m128 right = _mm_and_ps(_mm_loadu_ps(&s.rightAxis.x), xyz);
  const __m128 up = _mm_and_ps(_mm_loadu_ps(&s.upAxis.x), xyz);
  const __m128 hwRight = _mm_mul_ps(_mm_set1_ps(s.halfWidth), right);
  const __m128 hhUp = _mm_mul_ps(_mm_set1_ps(s.halfHeight), up);
  const __m128 corner = _mm_sub_ps(_mm_sub_ps(position, hwRight), hhUp);
  const __m128 spanRight = _mm_add_ps(hwRight, hwRight);
  const __m128 spanUp = _mm_add_ps(hhUp, hhUp);
  const __m128 bottomLeft = _mm_add_ps(corner, spanUp);
  const __m128 colour = _mm_castsi128_ps(_mm_slli_si128(_mm_cvtsi32_si128(int(color)), 12));
  // The 96 bytes of the quad as six 16-byte blocks:
  //   x0 y0 z0 c0 | u0 v0 x1 y1 | z1 c1 u1 v1 | x2 y2 z2 c2 | u2 v2 x3 y3 | z3 c3 u3 v3
  const __m128 v0 = _mm_or_ps(bottomLeft, colour);
  const __m128 v1 = _mm_or_ps(corner, colour);
  const __m128 v2 = _mm_or_ps(_mm_add_ps(bottomLeft, spanRight), colour);
  const __m128 v3 = _mm_or_ps(_mm_add_ps(corner, spanRight), colour);
  auto* f = reinterpret_cast<float*>(q);
  Store::Put(f + 0, v0);
  Store::Put(f + 4, _mm_movelh_ps(leftUv, v1));
  Store::Put(f + 8, _mm_movehl_ps(leftUv, v1));
  Store::Put(f + 12, v2);
  Store::Put(f + 16, _mm_movelh_ps(rightUv, v3));
  Store::Put(f + 20, _mm_movehl_ps(rightUv, v3));
}

// The time line's alpha as DS_BaseSpriteProp applies it, taken once per fill. Sprites of
// one system often share a colour; the last result is kept for the next sprite.
struct PlainTimeLineAlpha {
  explicit PlainTimeLineAlpha(float a) : alpha(a), lastOut(Scale(0)) {}
  D3DCOLOR operator()(D3DCOLOR color) {
    if (color != lastIn) {
      lastIn = color;
      lastOut = Scale(color);
    }
    return lastOut;
  }
  D3DCOLOR Scale(D3DCOLOR color) const {
    return (D3DCOLOR(SaturateToByte(float(color >> 24) * alpha)) << 24) | (color & 0x00FFFFFFu);
  }
  float alpha;
  D3DCOLOR lastIn = 0;
  D3DCOLOR lastOut;
};

// A system's own rule (lighting, grass, flowers), asked per sprite.
struct OverriddenTimeLineAlpha {
  DS_BaseSpriteProp* d;
  D3DCOLOR operator()(D3DCOLOR color) const { return d->ApplyTimeLineAlpha(color); }
};

// Whether d applies the time line's alpha by the base's rule. Then the fill scales the
// alpha inline instead of making one virtual call per sprite. g++ resolves the override a
// virtual call would reach (its bound member function extension); elsewhere every sprite
// asks.
bool UsesBaseTimeLineAlpha(DS_BaseSpriteProp& d) {
#if defined(__GNUC__) && !defined(__clang__)
  using Fn = D3DCOLOR (*)(DS_BaseSpriteProp*, D3DCOLOR);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpmf-conversions"
  const Fn reached = (Fn)(d.*(&DS_BaseSpriteProp::ApplyTimeLineAlpha));
  const Fn base = (Fn)(&DS_BaseSpriteProp::ApplyTimeLineAlpha);
#pragma GCC diagnostic pop
  return reached == base;
#else
  (void)d;
  return false;
#endif
}

// Texture coordinates: one load takes vRange and uRange, which lie side by side:
// (vT, vB, uL, uR). A strip replaces the u range by its frame's.
static_assert(offsetof(DS_SpriteState, uRange) == offsetof(DS_SpriteState, vRange) + 2 * sizeof(float),
              "the v range is followed by the u range");

// Sprites with their own u ranges.
struct OwnURange {
  void BeforeSprite() {}
  __m128 Ranges(const DS_SpriteState& s) const { return _mm_loadu_ps(s.vRange); }
};

// A horizontal strip of frames: the switch test runs before every sprite; a switch moves
// the switch time to now, so within one fill only the first sprite can switch (a frame rate
// of 0 never does) and all sprites show the same frame.
struct StripURange {
  StripURange(ParticleGeomArray& g, DS_BaseSpriteProp& d)
      : g(g), d(d), a(d.AccumulatedTime()), frames(float(UsableFrameCount(d.m_FrameCount))) {
    SetFrame();
  }
  void BeforeSprite() {
    if (1.0f / d.m_FrameRate < a - g.m_StripSwitchTime) {
      g.m_StripFrame = d.NextFrame(g.m_StripFrame);
      g.m_StripSwitchTime = a;
      SetFrame();
    } else if (g.m_StripSwitchTime > a) {
      g.m_StripSwitchTime = 0.0f;  // the object time was reset
    }
  }
  __m128 Ranges(const DS_SpriteState& s) const { return _mm_movelh_ps(_mm_loadu_ps(s.vRange), u); }
  void SetFrame() {
    u = _mm_setr_ps(float(g.m_StripFrame) / frames, float(g.m_StripFrame + 1) / frames, 0.0f, 0.0f);
  }
  ParticleGeomArray& g;
  DS_BaseSpriteProp& d;
  float a, frames;
  __m128 u;
};

template <class Store, bool FlipH, bool FlipV, class Colour, class URange>
void WriteQuads(const DS_SpriteState* sprites, DX_V::PCT* out, UINT count, Colour colour, URange& uRange) {
  constexpr int vT = FlipV ? 1 : 0, vB = FlipV ? 0 : 1, uL = FlipH ? 3 : 2, uR = FlipH ? 2 : 3;
  for (UINT i = 0; i < count; ++i) {
    const DS_SpriteState& s = sprites[i];
    uRange.BeforeSprite();
    const __m128 ranges = uRange.Ranges(s);
    const __m128 leftUv = _mm_shuffle_ps(ranges, ranges, _MM_SHUFFLE(vT, uL, vB, uL));
    const __m128 rightUv = _mm_shuffle_ps(ranges, ranges, _MM_SHUFFLE(vT, uR, vB, uR));
    WriteQuad<Store>(out + size_t(i) * 4, s, colour(s.color), leftUv, rightUv);
  }
}

template <class Colour, class URange>
void WriteQuads(const DS_SpriteState* sprites, DX_V::PCT* out, UINT count, bool flipH, bool flipV, Colour colour,
                URange& uRange) {
  // A quad is 96 bytes, so an aligned array (locked buffers are) stays aligned.
  if (reinterpret_cast<std::uintptr_t>(out) % 16 != 0) {
    if (flipH) {
      if (flipV) WriteQuads<UnalignedStore, true, true>(sprites, out, count, colour, uRange);
      else WriteQuads<UnalignedStore, true, false>(sprites, out, count, colour, uRange);
    } else {
      if (flipV) WriteQuads<UnalignedStore, false, true>(sprites, out, count, colour, uRange);
      else WriteQuads<UnalignedStore, false, false>(sprites, out, count, colour, uRange);
    }
    return;
  }
  if (flipH) {
    if (flipV) WriteQuads<StreamingStore, true, true>(sprites, out, count, colour, uRange);
    else WriteQuads<StreamingStore, true, false>(sprites, out, count, colour, uRange);
  } else {
    if (flipV) WriteQuads<StreamingStore, false, true>(sprites, out, count, colour, uRange);
    else WriteQuads<StreamingStore, false, false>(sprites, out, count, colour, uRange);
  }
  _mm_sfence();
}

template <class URange>
void WriteQuads(DS_BaseSpriteProp& d, const DS_SpriteState* sprites, DX_V::PCT* out, UINT count, URange& uRange) {
  const bool flipV = d.m_FlipVertical.Get() != 0;
  const bool flipH = d.m_FlipHorizontal.Get() != 0;
  if (UsesBaseTimeLineAlpha(d))
    WriteQuads(sprites, out, count, flipH, flipV, PlainTimeLineAlpha(d.TimeLine().GetAlpha()), uRange);
  else
    WriteQuads(sprites, out, count, flipH, flipV, OverriddenTimeLineAlpha{&d}, uRange);
}

}  // namespace

void ParticleGeomArray::WriteVertices(DS_BaseSpriteProp& d, DX_V::PCT* out, UINT count) {
  if (!out) return;
  if (count > m_Sprites.size()) count = UINT(m_Sprites.size());
  d.BeginVertexFill();
  if (d.m_Strip) {
    StripURange strip(*this, d);
    WriteQuads(d, m_Sprites.data(), out, count, strip);
  } else {
    OwnURange own;
    WriteQuads(d, m_Sprites.data(), out, count, own);
  }
  d.EndVertexFill();
}
