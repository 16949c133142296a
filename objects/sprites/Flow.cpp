#include "objects/sprites/Flow.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/CompositeParams.h"
#include "core/params/Numeric.h"
#include "core/params/StoredParams.h"
#include "core/render/QuadList.h"
#include "layers/RecordHead.h"
#include "objects/sprites/SpriteGeometry.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <typeinfo>

DS_REGISTER_OBJECT_READER(DS_FlowConstructor);
DS_REGISTER_OBJECT_READER(DS_RainConstructor);

namespace {

constexpr float kPi = 3.1415927f;
// The further turn of a rain drop whose sprites follow the direction: 270 degrees.
constexpr float kRainTurn = 4.712389f;

}  // namespace

// ---------------------------------------------------------------------------------------
// Flow

DS_FlowConstructor::DS_FlowConstructor() {
  SetControlSides();
  TimeLine().m_FadeTarget.Set(DS_TimeLineControl::kFadeNone);
  BindDirection();
}

DS_FlowConstructor::DS_FlowConstructor(const DS_FlowConstructor& other)
    : DS_ParticleSystemCtrl(other),
      m_Direction(other.m_Direction),
      m_LateralSpeed(other.m_LateralSpeed),
      m_LateralRate(other.m_LateralRate),
      m_BaseSpeed(other.m_BaseSpeed),
      m_Orientation(other.m_Orientation) {
  m_TopControl.CopyValues(other.m_TopControl);
  m_BottomControl.CopyValues(other.m_BottomControl);
  m_LeftControl.CopyValues(other.m_LeftControl);
  m_RightControl.CopyValues(other.m_RightControl);
  // The source's listener and tests belong to the source.
  BindDirection();
  SetControlSides();
}

void DS_FlowConstructor::SetControlSides() {
  m_TopControl.SetSide(0);
  m_BottomControl.SetSide(1);
  m_LeftControl.SetSide(2);
  m_RightControl.SetSide(3);
}

DS_BoundControl& DS_FlowConstructor::Control(int side) {
  switch (side) {
    case 0: return m_TopControl;
    case 1: return m_BottomControl;
    case 2: return m_LeftControl;
    default: return m_RightControl;
  }
}

void DS_FlowConstructor::BindDirection() {
  m_DirectionBinder.Clear();
  m_DirectionBinder.SetTarget(this, false);
  auto* listener = new DS_FunLightCtrl<unsigned, DS_FlowConstructor>(&m_Direction, &DS_FlowConstructor::SetDirection, this);
  m_DirectionBinder.Add(listener);
  listener->OnChanged(nullptr);
}

void DS_FlowConstructor::SetDirection(unsigned degrees) {
  // Taken as signed so that a direction stored as a negative number turns the short way
  // rather than by a four-billion-degree angle.
  const float turn = float(360.0 - double(static_cast<std::int32_t>(degrees)));
  D3DXMatrixRotationZ(&m_DirectionMatrix, turn * kPi / 180.0f);
  const D3DXVECTOR3 along(m_BaseSpeed, 0.0f, 0.0f);
  const D3DXVECTOR3 across(0.0f, 1.0f, 0.0f);
  D3DXVec3Transform(&m_Velocity, &along, &m_DirectionMatrix);
  D3DXVec3Transform(&m_Cross, &across, &m_DirectionMatrix);
}

void DS_FlowConstructor::ApplyOrientation(DS_SpriteState& s) {
  s.UpdateHalfSize(m_SpriteSize.Get());
  SpriteColor(s);
  switch (m_Orientation.Get()) {
    case kTurned: {
      const D3DXVECTOR3 right(1.0f, 0.0f, 0.0f);
      const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
      D3DXVec3TransformCoord(&s.rightAxis, &right, &m_DirectionMatrix);
      D3DXVec3TransformCoord(&s.upAxis, &up, &m_DirectionMatrix);
      break;
    }
    case kUpright:
      s.rightAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
      s.upAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
      break;
    default:
      // The mirroring orientations set the axes as the sprite moves.
      break;
  }
}

void DS_FlowConstructor::InitSprite(DS_SpriteState& s) {
  // Stored documents look the same only with the draws in this order: the sideways
  // factor, then the point (x, y).
  s.velocity.z = float(std::rand()) / 32767.0f * 2.0f - 1.0f;
  s.position = RandomPoint();
  s.direction = D3DXVECTOR3(1.0f, 1.0f, 0.0f);
  s.velocity.x = 0.0f;
  s.velocity.y = 0.0f;
  ApplyOrientation(s);
}

// Inline, so that the loop over a plain flow's records makes no call per sprite.
template <bool OwnSides>
[[gnu::always_inline]] inline void DS_FlowConstructor::Move(DS_SpriteState& s, const float* sideEdges) {
  const float lateral = m_LateralSpeed.Derived();
  const float sideways = s.velocity.z;
  const float size = s.sizeFactor;
  // The direction signs are the boundary controls': a bounce reverses the main motion
  // across its side and leaves the sideways part alone.
  const float vx = (m_Cross.x * sideways * lateral + m_Velocity.x * s.direction.x) * size;
  const float vy = size * (m_Velocity.y * s.direction.y + lateral * sideways * m_Cross.y);
  if (!s.held) {
    const float step = FrameStep();
    s.position.x += step * vx;
    s.position.y += step * vy;
  }

  if constexpr (OwnSides) {
    if (!m_TopControl.ProcessOwnSide<0>(s, *this, sideEdges[0]) &&
        !m_BottomControl.ProcessOwnSide<1>(s, *this, sideEdges[1]) &&
        !m_LeftControl.ProcessOwnSide<2>(s, *this, sideEdges[2])) {
      m_RightControl.ProcessOwnSide<3>(s, *this, sideEdges[3]);
    }
  } else {
    if (!m_TopControl.Process(s, *this) && !m_BottomControl.Process(s, *this) &&
        !m_LeftControl.Process(s, *this)) {
      m_RightControl.Process(s, *this);
    }
  }

  if (m_Orientation.Get() == kMirrorToMotionX) {
    s.rightAxis = D3DXVECTOR3(std::copysign(1.0f, vx), 0.0f, 0.0f);
    s.upAxis = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
  } else if (m_Orientation.Get() == kMirrorToMotionY) {
    s.rightAxis = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
    s.upAxis = D3DXVECTOR3(0.0f, std::copysign(1.0f, vy), 0.0f);
  }

  // A rate of 0 never changes the factor (its period would be 1 / 0).
  const float rate = m_LateralRate.Derived();
  const float now = AccumulatedTime();
  if (rate > 0.0f && 1.0f / rate < now - s.timer) {
    s.timer = now;
    if (std::rand() & 1) s.velocity.z = RandomFloat(-1.0f, 1.0f);
  }

  SpriteColor(s);
}

void DS_FlowConstructor::UpdateSprite(DS_SpriteState& s) { Move<false>(s, nullptr); }

void DS_FlowConstructor::UpdateSprites(DS_SpriteState* sprites, size_t count) {
  // A class derived from the flow may add to its rule in UpdateSprite.
  if (typeid(*this) != typeid(DS_FlowConstructor)) {
    DS_ParticleSystemCtrl::UpdateSprites(sprites, count);
    return;
  }
  // The controls' tests and the area's edges stay as they are for the whole frame: moving
  // a sprite changes only the sprite.
  if (m_TopControl.HasSideTests(0) && m_BottomControl.HasSideTests(1) && m_LeftControl.HasSideTests(2) &&
      m_RightControl.HasSideTests(3)) {
    const float sideEdges[4] = {TopPixels(), BottomPixels(), LeftPixels(), RightPixels()};
    for (size_t i = 0; i < count; ++i) Move<true>(sprites[i], sideEdges);
  } else {
    for (size_t i = 0; i < count; ++i) Move<false>(sprites[i], nullptr);
  }
}

unsigned DS_FlowConstructor::GetSpriteCount() {
  const unsigned count = CapQuadCount(m_SpriteCount.Get());
  if (count < 2) return count;
  // The flow fades by drawing fewer sprites.
  return SaturateToUInt(double(TimeLine().GetAlpha() * float(count)));
}

bool DS_FlowConstructor::ReadPart(DS_IOF_Virtual& archive) {
  DS_FlowConstructor::ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_FlowConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  ReadStoredInt(archive, m_Direction);
  ReadStoredInt(archive, m_LateralSpeed);
  ReadStoredInt(archive, m_LateralRate);
  archive.ReadFloat(m_BaseSpeed);
  if (version == 2) {
    // This version stored only whether the sprites turn with the direction.
    long turned = m_Orientation.Get();
    archive.ReadLong(turned);
    m_Orientation.Store(turned != 0 ? kTurned : kUpright);
  } else if (version > 2) {
    long orientation = m_Orientation.Get();
    archive.ReadLong(orientation);
    m_Orientation.Store(static_cast<int>(orientation));
  }
  if (version > 3) {
    m_TopControl.ReadPart(archive);
    m_BottomControl.ReadPart(archive);
    m_LeftControl.ReadPart(archive);
    m_RightControl.ReadPart(archive);
  }
  DS_BaseSpriteProp::ReadPart(archive);
}

void DS_FlowConstructor::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_FlowConstructor");
  archive.WriteUInt(kVersion);
  WriteStoredInt(archive, m_Direction.Get());
  WriteStoredInt(archive, m_LateralSpeed.Get());
  WriteStoredInt(archive, m_LateralRate.Get());
  archive.WriteFloat(m_BaseSpeed);
  const long orientation = m_Orientation.Get();
  archive.WriteLong(orientation);
  m_TopControl.WritePart(archive);
  m_BottomControl.WritePart(archive);
  m_LeftControl.WritePart(archive);
  m_RightControl.WritePart(archive);
  DS_BaseSpriteProp::WritePart(archive);
}

// ---------------------------------------------------------------------------------------
// Rain

DS_RainConstructor::DS_RainConstructor() {
  D3DXMatrixRotationZ(&m_RainMatrix, kRainTurn);
  // The base speed first: the direction's listener turns it into the velocity.
  m_BaseSpeed = 2000.0f;
  m_LateralSpeed.Set(0u);
  m_SizeFactorMin = 0.5f;
  m_SizeFactorMax = 1.0f;
  m_Orientation.Set(kTurned);
  m_Direction.Set(270u);
}

void DS_RainConstructor::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_RainConstructor");
  archive.WriteUInt(kVersion);
  DS_FlowConstructor::WritePart(archive);
}

void DS_RainConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  DS_FlowConstructor::ReadPart(archive);
}

void DS_RainConstructor::InitSprite(DS_SpriteState& s) {
  // A drop can respawn while a boundary control holds it (waiting out a delay); the new
  // drop must not inherit that, or it would hang where it appeared.
  s.held = false;
  s.entering = false;
  s.boundarySide = -1;
  s.ClearTimers();
  DS_FlowConstructor::InitSprite(s);
  s.phase = RandomFloat(0.0f, 1.0f);
  ApplyOrientation(s);
  if (m_Orientation.Get() == kTurned) {
    const D3DXVECTOR3 right = s.rightAxis;
    const D3DXVECTOR3 up = s.upAxis;
    D3DXVec3TransformCoord(&s.rightAxis, &right, &m_RainMatrix);
    D3DXVec3TransformCoord(&s.upAxis, &up, &m_RainMatrix);
  }
}

void DS_RainConstructor::UpdateSprite(DS_SpriteState& s) {
  // Boundary control sees a fully visible drop; its fades are not the drop's.
  const float phase = s.phase;
  s.phase = 1.0f;
  DS_FlowConstructor::UpdateSprite(s);
  s.phase = phase;
  AdvancePhase(s, true);
  SpriteColor(s);
}
