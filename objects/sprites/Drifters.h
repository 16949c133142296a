#pragma once
// The drifting and flashing sprite systems: god rays (slanted rays as tall as the picture,
// drifting sideways and pulsing), sparkles (drifting, swelling and shrinking with their
// phase), fog (drifting patches that bounce inside the area and turn slowly) and lighting
// (flashes at random places that flicker, fade and wait for the time line's hidden time).
// All draw through DS_SpriteArrayObj.
//
// Random draws use the C runtime's rand in a fixed order: stored scenes that reseed it
// look the same only when every draw comes in that order.

#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteSystem.h"

class DS_GodRayConstructor : public DS_ParticleSystemCtrl {
public:
  DS_GodRayConstructor() = default;
  DS_GodRayConstructor(const DS_GodRayConstructor& other) = default;

  DS_GodRayConstructor* Clone() override { return new DS_GodRayConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // Ray angle, then the sprite part. One stored version.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Three draws: x, sideways velocity, phase.
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;

  // The x of the up axis (1 / tan of the angle between the ray and the picture's x
  // axis): 0 for upright rays, negative for rays whose bottom lies left of their top.
  // Angles along the x axis (multiples of 180) are held one degree off it.
  static float LeanForAngle(unsigned degrees);

  static constexpr unsigned kVersion = 1;

  MediaParamT<unsigned> m_RayAngle{80u};
};

class DS_SparkleConstructor : public DS_ParticleSystemCtrl {
public:
  DS_SparkleConstructor();
  DS_SparkleConstructor(const DS_SparkleConstructor& other) = default;

  DS_SparkleConstructor* Clone() override { return new DS_SparkleConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Five draws: velocity x, velocity y, the point (x, y), phase.
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;

  static constexpr unsigned kVersion = 1;
};

class DS_FogConstructor : public DS_ParticleSystemCtrl {
public:
  DS_FogConstructor();
  DS_FogConstructor(const DS_FogConstructor& other) = default;

  DS_FogConstructor* Clone() override { return new DS_FogConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  // Maximum speeds x and y, then the sprite part.
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Six draws: the point (x, y), velocity x, velocity y, phase, turn.
  void InitSprite(DS_SpriteState& sprite) override;
  // No draws: fog patches never respawn, they bounce.
  void UpdateSprite(DS_SpriteState& sprite) override;

  static constexpr unsigned kVersion = 1;

  float m_MaxSpeedX = 40.0f;  // pixels per second of object time
  float m_MaxSpeedY = 40.0f;
};

class DS_LightingConstructor : public DS_ParticleSystemCtrl {
public:
  DS_LightingConstructor();
  DS_LightingConstructor(const DS_LightingConstructor& other) = default;

  DS_LightingConstructor* Clone() override { return new DS_LightingConstructor(*this); }
  void Write(DS_IOF_Virtual& archive) override;
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  // Four draws: the point inside (x, y), tilt, mirror. The sprite waits (phase 0).
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;
  // Flashes are not dimmed: their time line only gives the pause between flashes.
  D3DCOLOR ApplyTimeLineAlpha(D3DCOLOR color) override { return color; }

  static constexpr unsigned kVersion = 1;
};
