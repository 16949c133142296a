#pragma once
// The discharge bolt: an electric discharge between two points, drawn as a chain of
// glowing segment sprites (one sprite per segment). Every 0.1 s of object time a new
// random zig-zag path is built from the start to the end point; between rebuilds each
// segment glides from the previous path towards the new one, and each segment's texture
// half and vertical flip change at random. Its runtime object is a DS_GlowingObj.
//
// The segment texture runs along u: its outer 0.195 at each end is a rounded cap (kept by
// the first and last segments only), and its upper and lower halves of v are two variants
// of the line.

#include "objects/sprites/SpriteSystem.h"
#include "platform/effect/Effect.h"

#include <d3dx9math.h>

#include <vector>

// One segment of a bolt path. Direction and normal are unit vectors when built (zero for
// a bolt without length); blended segments are not renormalised.
struct DS_BoltSegment {
  D3DXVECTOR3 midpoint{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 direction{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 normal{0.0f, 0.0f, 0.0f};
  float length = 0.0f;
};

// The most segments a bolt has: making a bolt of n segments draws about 4 n^2 random
// numbers (every new segment rebuilds both paths), about 40 ms at this count.
constexpr unsigned kMaxBoltSegments = 1024;

class DS_DischargeFXConstructor : public DS_GlowEffectCtrl {
public:
  DS_DischargeFXConstructor();
  DS_DischargeFXConstructor(const DS_DischargeFXConstructor& other);

  DS_ParticleSystemCtrl* Clone() override { return new DS_DischargeFXConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // The timing restarts at 0, and so does the path's rebuild clock.
  void Reset() override;

  // The effect, the default segment images, and for a new (unplaced) description start
  // and end points inside the placement area.
  void LoadResources() override;
  // The segment texture by texture kind (module picture 95 or 98), then the sprite and
  // glow textures from the sprite and second images (the segment picture glows when the
  // second image gives none).
  void SetDefaultImages();
  // Starts the frame at the first segment and rebuilds the path every 0.1 s.
  void PreUpdate() override;
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;
  // Nothing to draw when the start is the end: every segment would have no area.
  bool HasGeometryToDraw() const override;

  // Fills the path with a new random bolt from the start to the end point: each segment
  // heads for the end with a random bend and covers the remaining distance divided by the
  // remaining segments. Two rand draws per segment but the last.
  void BuildPath(std::vector<DS_BoltSegment>& path);
  // old[i] + t x (new[i] - old[i]), component by component. Index i must be within both
  // paths.
  DS_BoltSegment InterpolateSegment(size_t i, float t) const;
  // The sprite count as far as paths and sprite records go.
  unsigned SegmentCount() const;

  // The record "DS_DischargeFXConstructor", version 1, then the glow part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  static constexpr unsigned kVersion = 1;
  static constexpr float kRebuildInterval = 0.1f;
  // The texture ids of the resource module: the jagged and the smooth segment, the effect.
  static constexpr int kJaggedSegmentImage = 95;
  static constexpr int kSmoothSegmentImage = 98;
  static constexpr int kGlowEffect = 97;

  MediaParamT<D3DXVECTOR3> m_Start;
  MediaParamT<D3DXVECTOR3> m_End;
  UINTSclaleTo<float> m_Deviation{50u, 0.01f, 0.0f};
  MediaParamT<int> m_TextureKind{1};
  // Seconds between texture changes of a segment: 0.1 - 0.001 x value.
  UINTSclaleTo<float> m_Flicker{100u, -0.001f, 0.1f};
  // How fast a segment glides from the old path to the new one.
  UINTSclaleTo<float> m_GlideSpeed{50u, 0.1f, 0.0f};
  std::vector<DS_BoltSegment> m_OldPath;
  std::vector<DS_BoltSegment> m_NewPath;
  int m_SegmentIndex = 0;
  float m_LastRebuild = 0.0f;
};
