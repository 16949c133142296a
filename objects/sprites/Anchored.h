#pragma once
// The anchored sprite systems: sprites that stay where they are put and move only by
// swaying or by animating their picture. Grass blades stand on the area's bottom edge and
// sway in a wave that runs across the picture; a stat-obj shows one picture (or copies of
// it) at a stored centre, turned by a stored angle, with bounds kept for hit tests; a
// flower is a stat-obj swaying about its bottom; a discharge is a stat-obj whose strip
// frames flicker in random order. All draw through DS_SpriteArrayObj.

#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteSystem.h"

// The x of an up axis leaning by `degrees` from upright (tan of the lean), as the sway
// computes it. Leans are held within 89 degrees of upright, where the tangent is finite;
// a lean that is not a number counts as upright.
float SwayLean(float degrees);

class DS_GrassConstructor : public DS_ParticleSystemCtrl {
public:
  DS_GrassConstructor();
  DS_GrassConstructor(const DS_GrassConstructor& other) = default;

  DS_GrassConstructor* Clone() override { return new DS_GrassConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // Sway, then the sprite part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Three draws: x, sway offset, mirror. The half size is the one Init set.
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;
  // Dimmed by the time line only when it fades the colour.
  D3DCOLOR ApplyTimeLineAlpha(D3DCOLOR color) override;

  static constexpr unsigned kVersion = 1;

  // Sprite fields the blades put to other uses.
  static float& SwayOffset(DS_SpriteState& s) { return s.velocity.y; }
  static float& RootX(DS_SpriteState& s) { return s.velocity.z; }

  float m_Sway = 3.0f;  // largest lean of a blade, degrees
};

class DS_StatObjConstructor : public DS_ParticleSystemCtrl {
public:
  DS_StatObjConstructor();
  DS_StatObjConstructor(const DS_StatObjConstructor& other) = default;

  DS_StatObjConstructor* Clone() override { return new DS_StatObjConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // Centres an unplaced description, then as every plain sprite system.
  DS_ABObj* CreateRuntimeObject() override;
  // The bounds' pixel edges.
  QuadVertices& GetScreenQuad(QuadVertices& out) override;
  bool HitTest(float x, float y) override;

  void InitSprite(DS_SpriteState& sprite) override { PlaceSprite(sprite); }
  // At the stored centre, turned by the stored angle; no draws.
  void PlaceSprite(DS_SpriteState& sprite);
  // The bounds become the box around the turned sprite (the centre stays).
  void UpdateBounds(const DS_SpriteState& sprite);

  // The part "DS_StatObjConstructor", versions 1 and 2 (2 written). Version 1 kept the
  // two flip values here, after the rotation.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  float CentreX() const { return float(m_Bounds.extra1.Get()); }
  float CentreY() const { return float(m_Bounds.extra2.Get()); }

  static constexpr unsigned kVersion = 2;

  MediaRectangle m_Bounds;  // left, right, top, bottom; extra 1 and 2: the centre x and y
  MediaParamT<unsigned> m_Rotation{0u};  // degrees, counter-clockwise on the screen
  D3DXMATRIX m_RotationMatrix;           // about z by -rotation
};

class DS_FlowerConstructor : public DS_StatObjConstructor {
public:
  DS_FlowerConstructor();
  DS_FlowerConstructor(const DS_FlowerConstructor& other) = default;

  DS_FlowerConstructor* Clone() override { return new DS_FlowerConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // Sway, then the stat-obj part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Sways about the picture's bottom with the animation clock; no draws.
  void UpdateSprite(DS_SpriteState& sprite) override;
  D3DCOLOR ApplyTimeLineAlpha(D3DCOLOR color) override;

  static constexpr unsigned kVersion = 1;

  float m_Sway = 1.5f;  // degrees
};

class DS_DischargeConstructor : public DS_StatObjConstructor {
public:
  DS_DischargeConstructor() = default;
  DS_DischargeConstructor(const DS_DischargeConstructor& other) = default;

  DS_DischargeConstructor* Clone() override { return new DS_DischargeConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // The stat-obj part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // A random strip frame other than `index`: draws until one differs. With a single
  // frame there is no other, and the frame stays without a draw.
  unsigned NextFrame(unsigned index) override;

  static constexpr unsigned kVersion = 1;
};
