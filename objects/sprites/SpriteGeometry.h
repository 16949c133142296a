#pragma once
// Sprite geometry: the per-sprite record, the sprite batch that keeps one record per
// sprite and writes their quads (four XYZ|DIFFUSE|TEX1 vertices each) into one managed
// vertex buffer, and the batch with an animated texture set.
//
// The simulation works on the plain array of records; WriteVertices is plain code over
// a vertex array (tests and benchmarks call it without a device); FillVertices is the
// thin step that locks the buffer once and calls it.

#include "core/params/MediaParam.h"
#include "core/render/QuadList.h"
#include "core/render/SimpleMesh.h"
#include "core/render/TextureSet.h"
#include "core/render/Vertex.h"
#include "objects/DS_ViewObjCtrl.h"

#include <d3dx9math.h>

#include <cmath>
#include <vector>

class DS_BaseSpriteProp;

// One sprite. Coordinates are picture pixels (x right, y down).
struct DS_SpriteState {
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};  // per-axis direction signs (flow, boundary control)
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};   // pixels per second; systems reuse y and z
  D3DXVECTOR3 position{100.0f, 100.0f, 0.0f};
  float sizeFactor = 1.0f;
  D3DXMATRIX rotation;                      // fog only
  float vRange[2] = {0.0f, 1.0f};           // v at the top, v at the bottom
  float uRange[2] = {0.0f, 1.0f};           // u at the left, u at the right
  float halfWidth = 0.0f;                   // negative: mirrored
  float halfHeight = 0.0f;
  float aspect = 1.0f;                      // height / width of one frame of the image
  D3DXVECTOR3 rightAxis{1.0f, 0.0f, 0.0f};
  D3DXVECTOR3 upAxis{0.0f, 1.0f, 0.0f};     // points down the picture
  float phase = 1.0f;
  float timer = 0.0f;
  float waitTime = 0.0f;
  int boundarySide = -1;
  bool entering = false;
  float delayDeadline = 0.0f;
  float delayTimer = 0.0f;
  bool held = false;
  D3DCOLOR color = 0;
  float phaseVelocity = 0.0f;

  // Zeroes the motion, takes the aspect of d's sprite image, draws the size factor (one
  // rand) and sets the half size from d's sprite size.
  void Init(const DS_BaseSpriteProp& d);
  // Clears the boundary and timer state, phase 1, draws the phase velocity's sign (one
  // rand), then d's SpriteColor.
  void ResetBoundary(DS_BaseSpriteProp& d);
  // The longer side becomes size factor x size.
  void UpdateHalfSize(unsigned size);
  D3DXVECTOR3 GetCorner() const;
  void ClearTimers();

  bool IsOutsideLeft(const DS_ViewObjCtrl& d) const;
  bool IsOutsideRight(const DS_ViewObjCtrl& d) const;
  bool IsOutsideTop(const DS_ViewObjCtrl& d) const;
  bool IsOutsideBottom(const DS_ViewObjCtrl& d) const;
  bool CrossesLeftEdge(const DS_ViewObjCtrl& d) const;
  bool CrossesRightEdge(const DS_ViewObjCtrl& d) const;
  bool CrossesTopEdge(const DS_ViewObjCtrl& d) const;
  bool CrossesBottomEdge(const DS_ViewObjCtrl& d) const;
  // The same tests for side Side (0 top, 1 bottom, 2 left, 3 right) against that side's
  // edge in pixels, for callers that take the edges once for many sprites.
  template <int Side>
  bool IsOutside(float edge) const;
  template <int Side>
  bool Crosses(float edge) const;
};

// The edge tests run for every sprite of every frame; here they inline into the updates.
// The outside tests take the half extents as magnitudes (a mirrored sprite has a negative
// half width); the crossing tests take them as stored.
template <int Side>
inline bool DS_SpriteState::IsOutside(float edge) const {
  static_assert(Side >= 0 && Side <= 3, "sides are 0 top, 1 bottom, 2 left, 3 right");
  if constexpr (Side == 0) return edge > position.y + std::fabs(halfHeight);
  else if constexpr (Side == 1) return edge < position.y - std::fabs(halfHeight);
  else if constexpr (Side == 2) return edge > position.x + std::fabs(halfWidth);
  else return edge < position.x - std::fabs(halfWidth);
}
template <int Side>
inline bool DS_SpriteState::Crosses(float edge) const {
  static_assert(Side >= 0 && Side <= 3, "sides are 0 top, 1 bottom, 2 left, 3 right");
  if constexpr (Side == 0) return edge > position.y - halfHeight;
  else if constexpr (Side == 1) return edge < position.y + halfHeight;
  else if constexpr (Side == 2) return edge > position.x - halfWidth;
  else return edge < position.x + halfWidth;
}
inline bool DS_SpriteState::IsOutsideTop(const DS_ViewObjCtrl& d) const { return IsOutside<0>(d.TopPixels()); }
inline bool DS_SpriteState::IsOutsideBottom(const DS_ViewObjCtrl& d) const { return IsOutside<1>(d.BottomPixels()); }
inline bool DS_SpriteState::IsOutsideLeft(const DS_ViewObjCtrl& d) const { return IsOutside<2>(d.LeftPixels()); }
inline bool DS_SpriteState::IsOutsideRight(const DS_ViewObjCtrl& d) const { return IsOutside<3>(d.RightPixels()); }
inline bool DS_SpriteState::CrossesTopEdge(const DS_ViewObjCtrl& d) const { return Crosses<0>(d.TopPixels()); }
inline bool DS_SpriteState::CrossesBottomEdge(const DS_ViewObjCtrl& d) const { return Crosses<1>(d.BottomPixels()); }
inline bool DS_SpriteState::CrossesLeftEdge(const DS_ViewObjCtrl& d) const { return Crosses<2>(d.LeftPixels()); }
inline bool DS_SpriteState::CrossesRightEdge(const DS_ViewObjCtrl& d) const { return Crosses<3>(d.RightPixels()); }

// The sprite batch of one sprite system.
class ParticleGeomArray : public DS_IndexedMesh<DX_V::PCT> {
public:
  ParticleGeomArray();
  ParticleGeomArray(const ParticleGeomArray&) = delete;
  ParticleGeomArray& operator=(const ParticleGeomArray&) = delete;
  // The count listener goes first, while the description it listens to still exists.
  ~ParticleGeomArray() override;

  // Listens to the description's sprite count and builds the sprites for its value now.
  void BindCount(MediaParamT<unsigned>& count);
  // Detaches the count listener (runtime objects call it before deleting the description).
  void UnbindCount() { m_CountBinder.Clear(); }
  // A count of 0 changes nothing. Otherwise the buffers are made for the count (capped
  // at kMaxQuadsPerBuffer) and records are added up to it; records are never removed.
  void OnCountChanged(unsigned count);
  // Timing, animation clock, then every record's UpdateSprite, in order.
  void Update(float t);
  // Locks the buffer once and writes the first count sprites. Nothing without a buffer,
  // or when the buffer does not hold the description's (capped) count.
  void FillVertices(DS_BaseSpriteProp& d);
  // The vertices of the first `count` sprites into out (4 x count vertices).
  void WriteVertices(DS_BaseSpriteProp& d, DX_V::PCT* out, UINT count);
  static void SetSpriteTexCoords(DX_V::PCT* quad, const float u[2], const float v[2]);
  // Sprites the buffers hold (vertex count / 4).
  UINT BufferSprites() const { return vertexCount / 4; }

  DS_BaseSpriteProp* m_Description = nullptr;  // not owned
  std::vector<DS_SpriteState> m_Sprites;       // in creation order
  DS_ParamBinder m_CountBinder;
  float m_StripSwitchTime = 0.0f;
  unsigned m_StripFrame = 0;
  // Fills that reached the current buffers (0 again when the buffers are remade), so an
  // object that refreshes only on texture frames still fills a still image once.
  unsigned m_FillCount = 0;
};

// A sprite batch with an animated texture set.
template <class Base>
class AnimatedTexture : public Base {
public:
  AnimatedTexture() = default;
  // With at least one delay: when c - last switch >= the current frame's delay, steps to
  // the next frame (modulo the frames that have both a texture and a delay) and returns
  // true. It never rewinds.
  bool AdvanceFrame(float c) {
    const size_t frames = m_TextureSet.delays.size() < m_TextureSet.textures.size()
                              ? m_TextureSet.delays.size()
                              : m_TextureSet.textures.size();
    if (frames == 0) return false;
    if (m_CurrentFrame >= frames) m_CurrentFrame = 0;
    if (c - m_LastSwitch >= m_TextureSet.delays[m_CurrentFrame]) {
      m_LastSwitch = c;
      m_CurrentFrame = unsigned((m_CurrentFrame + 1) % frames);
      return true;
    }
    return false;
  }
  // The current frame's texture (no reference added); null for an empty set.
  IDirect3DTexture9* CurrentFrameTexture() const {
    if (m_TextureSet.textures.empty()) return nullptr;
    const size_t i = m_CurrentFrame < m_TextureSet.textures.size() ? m_CurrentFrame : 0;
    return m_TextureSet.textures[i].Get();
  }

  DS_TextureSet m_TextureSet;
  unsigned m_CurrentFrame = 0;
  float m_LastSwitch = 0.0f;
};
