#include "objects/sprites/SpriteGeometry.h"

#include "objects/sprites/SpriteSystem.h"

#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------------------
// One sprite

void DS_SpriteState::Init(const DS_BaseSpriteProp& d) {
  direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  sizeFactor = 0.0f;
  uRange[0] = uRange[1] = 0.0f;
  vRange[0] = vRange[1] = 0.0f;
  aspect = d.SpriteAspect();
  rightAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  upAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  position = D3DXVECTOR3(100.0f, 100.0f, 0.0f);
  // Only the fog system uses the rotation; a defined value keeps copies comparable.
  D3DXMatrixIdentity(&rotation);
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

// The outside tests take the half extents as magnitudes (a mirrored sprite has a negative
// half width); the crossing tests take them as stored.
bool DS_SpriteState::IsOutsideLeft(const DS_ViewObjCtrl& d) const {
  return d.LeftPixels() > position.x + std::fabs(halfWidth);
}
bool DS_SpriteState::IsOutsideRight(const DS_ViewObjCtrl& d) const {
  return d.RightPixels() < position.x - std::fabs(halfWidth);
}
bool DS_SpriteState::IsOutsideTop(const DS_ViewObjCtrl& d) const {
  return d.TopPixels() > position.y + std::fabs(halfHeight);
}
bool DS_SpriteState::IsOutsideBottom(const DS_ViewObjCtrl& d) const {
  return d.BottomPixels() < position.y - std::fabs(halfHeight);
}
bool DS_SpriteState::CrossesLeftEdge(const DS_ViewObjCtrl& d) const {
  return d.LeftPixels() > position.x - halfWidth;
}
bool DS_SpriteState::CrossesRightEdge(const DS_ViewObjCtrl& d) const {
  return d.RightPixels() < position.x + halfWidth;
}
bool DS_SpriteState::CrossesTopEdge(const DS_ViewObjCtrl& d) const {
  return d.TopPixels() > position.y - halfHeight;
}
bool DS_SpriteState::CrossesBottomEdge(const DS_ViewObjCtrl& d) const {
  return d.BottomPixels() < position.y + halfHeight;
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
  for (DS_SpriteState& sprite : m_Sprites) d.UpdateSprite(sprite);
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

// One quad: 4i + 0 bottom-left, + 1 top-left (the corner), + 2 bottom-right, + 3 top-right
// with the default axes. Written field by field in address order, so the stores stream.
inline void WriteQuad(DX_V::PCT* q, const DS_SpriteState& s, D3DCOLOR color, const float u[2], const float v[2]) {
  const float rx = 2.0f * s.halfWidth * s.rightAxis.x;
  const float ry = 2.0f * s.halfWidth * s.rightAxis.y;
  const float rz = 2.0f * s.halfWidth * s.rightAxis.z;
  const float ux = 2.0f * s.halfHeight * s.upAxis.x;
  const float uy = 2.0f * s.halfHeight * s.upAxis.y;
  const float uz = 2.0f * s.halfHeight * s.upAxis.z;
  const float cx = s.position.x - s.halfWidth * s.rightAxis.x - s.halfHeight * s.upAxis.x;
  const float cy = s.position.y - s.halfWidth * s.rightAxis.y - s.halfHeight * s.upAxis.y;
  const float cz = s.position.z - s.halfWidth * s.rightAxis.z - s.halfHeight * s.upAxis.z;
  q[0] = DX_V::PCT{cx + ux, cy + uy, cz + uz, color, u[0], v[1]};
  q[1] = DX_V::PCT{cx, cy, cz, color, u[0], v[0]};
  q[2] = DX_V::PCT{cx + ux + rx, cy + uy + ry, cz + uz + rz, color, u[1], v[1]};
  q[3] = DX_V::PCT{cx + rx, cy + ry, cz + rz, color, u[1], v[0]};
}

}  // namespace

void ParticleGeomArray::WriteVertices(DS_BaseSpriteProp& d, DX_V::PCT* out, UINT count) {
  if (!out) return;
  if (count > m_Sprites.size()) count = UINT(m_Sprites.size());
  const bool flipV = d.m_FlipVertical.Get() != 0;
  const bool flipH = d.m_FlipHorizontal.Get() != 0;
  const DS_SpriteState* sprites = m_Sprites.data();
  d.BeginVertexFill();
  if (!d.m_Strip) {
    for (UINT i = 0; i < count; ++i) {
      const DS_SpriteState& s = sprites[i];
      const float u[2] = {flipH ? s.uRange[1] : s.uRange[0], flipH ? s.uRange[0] : s.uRange[1]};
      const float v[2] = {flipV ? s.vRange[1] : s.vRange[0], flipV ? s.vRange[0] : s.vRange[1]};
      WriteQuad(out + size_t(i) * 4, s, d.ApplyTimeLineAlpha(s.color), u, v);
    }
  } else {
    const float frames = float(UsableFrameCount(d.m_FrameCount));
    const float a = d.AccumulatedTime();
    for (UINT i = 0; i < count; ++i) {
      const DS_SpriteState& s = sprites[i];
      // The switch test runs before every sprite; a switch moves the switch time to now,
      // so within one fill only the first sprite can switch (frame rate 0 never does).
      if (1.0f / d.m_FrameRate < a - m_StripSwitchTime) {
        m_StripFrame = d.NextFrame(m_StripFrame);
        m_StripSwitchTime = a;
      } else if (m_StripSwitchTime > a) {
        m_StripSwitchTime = 0.0f;  // the object time was reset
      }
      const float u0 = float(m_StripFrame) / frames;
      const float u1 = float(m_StripFrame + 1) / frames;
      const float u[2] = {flipH ? u1 : u0, flipH ? u0 : u1};
      const float v[2] = {flipV ? s.vRange[1] : s.vRange[0], flipV ? s.vRange[0] : s.vRange[1]};
      WriteQuad(out + size_t(i) * 4, s, d.ApplyTimeLineAlpha(s.color), u, v);
    }
  }
  d.EndVertexFill();
}
