#include "objects/sprites/Swimmers.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/CompositeParams.h"
#include "layers/RecordHead.h"
#include "objects/sprites/SpriteGeometry.h"

#include <cmath>
#include <cstdlib>
#include <typeinfo>

DS_REGISTER_OBJECT_READER(DS_FishConstructor);
DS_REGISTER_OBJECT_READER(DS_BirdConstructor);
DS_REGISTER_OBJECT_READER(DS_GhostConstructor);

// ---------------------------------------------------------------------------------------
// Fish

DS_FishConstructor::DS_FishConstructor(const DS_FishConstructor& other)
    : DS_ParticleSystemCtrl(other), m_MaxSpeedX(other.m_MaxSpeedX), m_MaxSpeedY(other.m_MaxSpeedY) {}

bool DS_FishConstructor::ReadPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);  // the nested part's version is not examined
  ReadFields(archive, kVersion);
  return !archive.Failed();
}

void DS_FishConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  archive.ReadFloat(m_MaxSpeedX);
  archive.ReadFloat(m_MaxSpeedY);
  DS_BaseSpriteProp::ReadPart(archive);
}

void DS_FishConstructor::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_FishConstructor");
  archive.WriteUInt(kVersion);
  archive.WriteFloat(m_MaxSpeedX);
  archive.WriteFloat(m_MaxSpeedY);
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_FishConstructor::InitSprite(DS_SpriteState& s) {
  // Stored documents look the same only with the draws in this order: x speed, y speed,
  // then the point (x, y).
  s.velocity.x = RandomFloat(-m_MaxSpeedX, m_MaxSpeedX);
  s.velocity.y = RandomFloat(-m_MaxSpeedY, m_MaxSpeedY);
  s.velocity.z = 0.0f;
  s.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.position = RandomPoint();
  s.UpdateHalfSize(m_SpriteSize.Get());
  SpriteColor(s);
  if (s.velocity.x < 0.0f) s.halfWidth = -s.halfWidth;
}

// Inline, so that the loop over a plain fish's records makes no call per sprite.
[[gnu::always_inline]] inline void DS_FishConstructor::Swim(DS_SpriteState& s, const float (&sideEdges)[4]) {
  const float step = FrameStep();
  s.position.x += step * s.velocity.x;
  s.position.y += step * s.velocity.y;

  // Sideways a fish swims out of sight before it turns; vertically it turns at the edge.
  if (s.IsOutside<2>(sideEdges[2])) {
    s.velocity.x = std::fabs(s.velocity.x);
    s.halfWidth = std::fabs(s.halfWidth);
  } else if (s.IsOutside<3>(sideEdges[3])) {
    s.velocity.x = -std::fabs(s.velocity.x);
    s.halfWidth = -std::fabs(s.halfWidth);
  }
  if (s.Crosses<0>(sideEdges[0])) {
    s.velocity.y = std::fabs(s.velocity.y);
  } else if (s.Crosses<1>(sideEdges[1])) {
    s.velocity.y = -std::fabs(s.velocity.y);
  }

  const float now = LastTime();
  if (now - s.timer > 1.0f) {
    s.timer = now;
    if (std::rand() & 1) {
      // A new speed keeps the old heading, so the mirroring stays right.
      s.velocity.x = std::copysign(RandomFloat(-m_MaxSpeedX, m_MaxSpeedX), s.velocity.x);
      s.velocity.y = RandomFloat(-m_MaxSpeedY, m_MaxSpeedY);
      s.velocity.z = 0.0f;
    }
  }
}

void DS_FishConstructor::UpdateSprite(DS_SpriteState& s) {
  const float sideEdges[4] = {TopPixels(), BottomPixels(), LeftPixels(), RightPixels()};
  Swim(s, sideEdges);
}

void DS_FishConstructor::UpdateSprites(DS_SpriteState* sprites, size_t count) {
  // A class derived from the fish may add to its rule in UpdateSprite.
  if (typeid(*this) != typeid(DS_FishConstructor)) {
    DS_ParticleSystemCtrl::UpdateSprites(sprites, count);
    return;
  }
  // The area's edges stay as they are for the whole frame: swimming changes only the sprite.
  const float sideEdges[4] = {TopPixels(), BottomPixels(), LeftPixels(), RightPixels()};
  for (size_t i = 0; i < count; ++i) Swim(sprites[i], sideEdges);
}

// ---------------------------------------------------------------------------------------
// Bird

void DS_BirdConstructor::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_BirdConstructor");
  archive.WriteUInt(kVersion);
  DS_FishConstructor::WritePart(archive);
}

void DS_BirdConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  DS_FishConstructor::ReadPart(archive);
}

void DS_BirdConstructor::UpdateSprite(DS_SpriteState& s) {
  DS_FishConstructor::UpdateSprite(s);
  const float floorY = 0.7f * m_MaxSpeedY;
  if (std::fabs(s.velocity.y) < floorY) s.velocity.y = floorY + s.velocity.y * 0.3f / 0.7f;
  const float floorX = 0.7f * m_MaxSpeedX;
  if (std::fabs(s.velocity.x) < floorX) {
    s.velocity.x = std::copysign(RandomFloat(floorX, m_MaxSpeedX), s.velocity.x);
  }
}

// ---------------------------------------------------------------------------------------
// Ghost

DS_GhostConstructor::DS_GhostConstructor() {
  m_MaxSpeedX = 50.0f;
  m_MaxSpeedY = 50.0f;
  m_PhaseSpeed = 0.66f;
  m_Transparency.Set(50u);
  m_SizeFactorMin = 1.0f;
  m_SizeFactorMax = 1.0f;
  TimeLine().m_FadeTarget.Set(DS_TimeLineControl::kFadeColorAlpha);
}

void DS_GhostConstructor::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_GhostConstructor");
  archive.WriteUInt(kVersion);
  DS_FishConstructor::WritePart(archive);
}

void DS_GhostConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  DS_FishConstructor::ReadPart(archive);
  if (version < 2) ApplyLegacyTimeLine();
}

void DS_GhostConstructor::ApplyLegacyTimeLine() {
  DS_TimeLineControl& line = TimeLine();
  line.m_Mode.Set(DS_TimeLineControl::kModeRandomCycle);
  line.m_ShownTime.maximum.Set(0u);
  line.m_ShownTime.minimum.Set(0u);
  line.m_HiddenTime.maximum.Set(0u);
  line.m_HiddenTime.minimum.Set(0u);
  line.m_FadeOutTime.Set(150u);
  line.m_FadeInTime.Set(150u);
}

void DS_GhostConstructor::InitSprite(DS_SpriteState& s) {
  DS_FishConstructor::InitSprite(s);
  s.phase = RandomFloat(0.0f, 1.0f);
}

void DS_GhostConstructor::UpdateSprite(DS_SpriteState& s) {
  DS_FishConstructor::UpdateSprite(s);
  // Re-placed every hidden frame, so each fade-in starts somewhere new.
  if (TimeLine().GetState() == kTimeLineInvisible) DS_GhostConstructor::InitSprite(s);
  s.phase = TimeLine().GetAlpha();
  SpriteColor(s);
}
