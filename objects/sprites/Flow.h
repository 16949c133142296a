#pragma once
// The flowing sprite systems: every sprite moves in one direction, with a random sideways
// part that changes now and then, and four boundary controls (top, bottom, left, right)
// decide what a sprite does at each side of the area: wrap with a fade, bounce, or come
// back after a pause.
//   DS_FlowConstructor  the flow; it fades in and out by drawing fewer sprites;
//   DS_RainConstructor  a flow whose drops run the phase cycle and respawn when it ends.
// Both draw through DS_SpriteArrayObj.

#include "core/params/ScaledParams.h"
#include "objects/sprites/SpriteSystem.h"

#include <d3dx9math.h>

class DS_FlowConstructor : public DS_ParticleSystemCtrl {
public:
  enum Orientation : int {
    kUpright = 0,          // sprites stay upright
    kTurned = 1,           // sprites turn with the direction
    kMirrorToMotionX = 2,  // mirrored left-right to face their horizontal motion
    kMirrorToMotionY = 3,  // mirrored top-bottom to face their vertical motion
  };

  DS_FlowConstructor();
  // The copy's direction listener and boundary sides point at the copy, not the source.
  DS_FlowConstructor(const DS_FlowConstructor& other);

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  DS_ParticleSystemCtrl* Clone() override { return new DS_FlowConstructor(*this); }
  // Draws the sideways factor, then the start point (x, y).
  void InitSprite(DS_SpriteState& sprite) override;
  void UpdateSprite(DS_SpriteState& sprite) override;
  // A plain flow moves every record itself; rain goes through UpdateSprite.
  void UpdateSprites(DS_SpriteState* sprites, size_t count) override;
  // Below two sprites the count; otherwise the count times the time line's alpha.
  unsigned GetSpriteCount() override;

  // The part "DS_FlowConstructor", versions 1 to 4 (4 written).
  bool ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);
  void WritePart(DS_IOF_Virtual& archive);

  // Attaches the listener that keeps the vectors in step with the direction, and runs it.
  void BindDirection();
  // Rotates the base speed and the sideways axis to the angle (degrees; 0 right, 90 up).
  void SetDirection(unsigned degrees);
  // Size, colour and, by orientation, the sprite's axes.
  void ApplyOrientation(DS_SpriteState& sprite);

  DS_BoundControl& Control(int side);

  static constexpr unsigned kVersion = 4;

  MediaParamT<unsigned> m_Direction{0u};
  MediaFloat<unsigned> m_LateralSpeed{0u, 3.0f, 0.0f};
  MediaFloat<unsigned> m_LateralRate{0u, 0.25f, 0.0f};
  float m_BaseSpeed = 0.0f;
  MediaParamT<int> m_Orientation{0};
  DS_BoundControl m_TopControl;
  DS_BoundControl m_BottomControl;
  DS_BoundControl m_LeftControl;
  DS_BoundControl m_RightControl;
  DS_ParamBinder m_DirectionBinder;
  D3DXVECTOR4 m_Velocity{0.0f, 0.0f, 0.0f, 1.0f};
  D3DXVECTOR4 m_Cross{0.0f, 1.0f, 0.0f, 1.0f};
  D3DXMATRIX m_DirectionMatrix;

private:
  void SetControlSides();
  // The flow's motion of one sprite (UpdateSprite). OwnSides: every control has the tests
  // SetControlSides gave it, and sideEdges holds the pixel edges by side (top, bottom,
  // left, right); otherwise it is not read.
  template <bool OwnSides>
  void Move(DS_SpriteState& sprite, const float* sideEdges);
};

class DS_RainConstructor : public DS_FlowConstructor {
public:
  // Falling straight down, fast, drops turned with the direction.
  DS_RainConstructor();
  DS_RainConstructor(const DS_RainConstructor& other) = default;

  // "DS_RainConstructor", version 1, then the flow part.
  void Write(DS_IOF_Virtual& archive) override;
  DS_ParticleSystemCtrl* Clone() override { return new DS_RainConstructor(*this); }
  // The flow's set-up, then a random phase; a drop turned with the direction turns a
  // further 270 degrees. A drop that respawns starts free of any boundary action.
  void InitSprite(DS_SpriteState& sprite) override;
  // The flow's motion with the drop seen as fully visible, then the drop's own phase
  // cycle; a drop whose phase runs out respawns.
  void UpdateSprite(DS_SpriteState& sprite) override;

  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  static constexpr unsigned kVersion = 1;

  D3DXMATRIX m_RainMatrix;
};
