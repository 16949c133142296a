#pragma once
// The swimming and flying sprite systems: sprites that wander freely inside the placement
// area like animals.
//   DS_FishConstructor   random speeds that change now and then; a fish faces its
//                        horizontal direction (a left-moving fish is drawn mirrored);
//   DS_BirdConstructor   a fish whose speeds never stay small;
//   DS_GhostConstructor  a fish that appears and vanishes with its time line and jumps to
//                        a new place while it is hidden.
// All three draw through DS_SpriteArrayObj.

#include "objects/sprites/SpriteSystem.h"

class DS_FishConstructor : public DS_ParticleSystemCtrl {
public:
  DS_FishConstructor() = default;
  DS_FishConstructor(const DS_FishConstructor& other);

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  DS_ParticleSystemCtrl* Clone() override { return new DS_FishConstructor(*this); }
  // Draws velocity x, velocity y, then the start point (x, y); a fish moving left faces
  // left.
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;
  // A plain fish swims every record itself; birds and ghosts go through UpdateSprite.
  void UpdateSprites(DS_SpriteState* sprites, size_t count) override;

  // The record "DS_FishConstructor", version 1: the two maximum speeds, then the sprite
  // part. The fish's reader reads the fields directly; the bird and the ghost nest the
  // whole part and read it with ReadPart.
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  static constexpr unsigned kVersion = 1;

  float m_MaxSpeedX = 100.0f;
  float m_MaxSpeedY = 50.0f;

private:
  // The fish's motion of one sprite (UpdateSprite), with the area's pixel edges by side
  // (top, bottom, left, right).
  void Swim(DS_SpriteState& sprite, const float (&sideEdges)[4]);
};

class DS_BirdConstructor : public DS_FishConstructor {
public:
  DS_BirdConstructor() = default;
  DS_BirdConstructor(const DS_BirdConstructor& other) = default;

  // "DS_BirdConstructor", version 1, then the fish part.
  void Write(DS_IOF_Virtual& archive) override;
  DS_ParticleSystemCtrl* Clone() override { return new DS_BirdConstructor(*this); }
  // The fish's motion; then a small vertical speed becomes a downward one and a slow
  // horizontal speed a fast one in the same direction.
  void UpdateSprite(DS_SpriteState& sprite) override;

  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  static constexpr unsigned kVersion = 1;
};

class DS_GhostConstructor : public DS_FishConstructor {
public:
  // Slower than a fish, half transparent, one size, fading through its colour alpha.
  DS_GhostConstructor();
  DS_GhostConstructor(const DS_GhostConstructor& other) = default;

  // "DS_GhostConstructor", version 2, then the fish part.
  void Write(DS_IOF_Virtual& archive) override;
  DS_ParticleSystemCtrl* Clone() override { return new DS_GhostConstructor(*this); }
  // The fish's set-up, then a random phase.
  void InitSprite(DS_SpriteState& sprite) override;
  // The fish's motion; while the time line is hidden, a new place, speed and phase every
  // frame; then the phase follows the time line's alpha.
  void UpdateSprite(DS_SpriteState& sprite) override;

  // Version 1 records carried no time line of their own worth keeping: they played in a
  // random cycle without pauses and with 1.5 s fades.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void ApplyLegacyTimeLine();

  static constexpr unsigned kVersion = 2;
};
