#include "objects/sprites/Drifters.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/CompositeParams.h"
#include "layers/RecordHead.h"

#include <cmath>
#include <cstdlib>

DS_REGISTER_OBJECT_READER(DS_GodRayConstructor);
DS_REGISTER_OBJECT_READER(DS_SparkleConstructor);
DS_REGISTER_OBJECT_READER(DS_FogConstructor);
DS_REGISTER_OBJECT_READER(DS_LightingConstructor);

namespace {

constexpr float kRandMax = 32767.0f;
constexpr float kPi = 3.1415927f;

float UnitDraw() { return float(rand()) / kRandMax; }

}  // namespace

// ---------------------------------------------------------------------------------------
// God rays

void DS_GodRayConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_GodRayConstructor", kVersion);
  archive.WriteInt(int(m_RayAngle.Get()));
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_GodRayConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  int angle = int(m_RayAngle.Get());
  archive.ReadInt(angle);
  m_RayAngle.Store(unsigned(angle));
  DS_BaseSpriteProp::ReadPart(archive);
}

float DS_GodRayConstructor::LeanForAngle(unsigned degrees) {
  // tan repeats every 180 degrees, so the angle may be taken modulo 360 without changing
  // the lean; the angle from the x axis is then in 1..180.
  const unsigned a = degrees % 360u;
  float theta = float(a < 180u ? 180u - a : 360u - a);
  // A ray along the x axis would lean without bound (1 / tan 0, or 1 / tan 180 which is
  // huge in float): keep it one degree off.
  if (theta > 179.0f) theta = 179.0f;
  return 1.0f / std::tan(theta * 2.0f * kPi / 360.0f);
}

void DS_GodRayConstructor::InitSprite(DS_SpriteState& s) {
  const float left = LeftPixels();
  const float x = left + UnitDraw() * (RightPixels() - left);
  s.velocity = D3DXVECTOR3(UnitDraw() * 20.0f - 10.0f, 0.0f, 0.0f);
  s.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  // Half the area's height measured from the picture's top, not the area's middle.
  s.position = D3DXVECTOR3(x, (BottomPixels() - TopPixels()) * 0.5f, 0.0f);
  // As tall as the picture whatever the image: size factor and aspect play no part.
  s.halfWidth = float(m_SpriteSize.Get()) * 0.5f;
  s.halfHeight = PictureHeight() * 0.5f;
  // The right axis stays (1, 0, 0): the quad is a parallelogram leaning by the angle.
  s.upAxis = D3DXVECTOR3(LeanForAngle(m_RayAngle.Get()), 1.0f, 0.0f);
  s.phase = RandomFloat(0.0f, 1.0f);
}

void DS_GodRayConstructor::UpdateSprite(DS_SpriteState& s) {
  if (AccumulatedTime() - s.timer > 0.25f) {
    s.timer = AccumulatedTime();
    if (rand() & 1) s.velocity = D3DXVECTOR3(RandomFloat(-10.0f, 10.0f), 0.0f, 0.0f);
  }
  s.position.x += FrameStep() * s.velocity.x;
  s.position.y += FrameStep() * s.velocity.y;
  AdvancePhase(s, true);
  SpriteColor(s);
}

// ---------------------------------------------------------------------------------------
// Sparkles

DS_SparkleConstructor::DS_SparkleConstructor() {
  m_ViewFlag = true;
  m_TimeLine->m_FadeTarget.StoreWithSnapshot(DS_TimeLineControl::kFadeNone);
}

void DS_SparkleConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_SparkleConstructor", kVersion);
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_SparkleConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) { DS_BaseSpriteProp::ReadPart(archive); }

void DS_SparkleConstructor::InitSprite(DS_SpriteState& s) {
  const float vx = UnitDraw() * 50.0f - 25.0f;
  const float vy = UnitDraw() * 50.0f - 25.0f;
  s.velocity = D3DXVECTOR3(vx, vy, 0.0f);
  s.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.position = RandomPoint();
  s.phase = RandomFloat(0.0f, 1.0f);
}

void DS_SparkleConstructor::UpdateSprite(DS_SpriteState& s) {
  s.position.x += FrameStep() * s.velocity.x;
  s.position.y += FrameStep() * s.velocity.y;
  AdvancePhase(s, true);
  SpriteColor(s);
  // Half size at phase 0, full size b on both axes at phase 1; the height follows the
  // new width, so it lags slightly in between. The image's aspect plays no part.
  const float b = float(m_SpriteSize.Get()) * s.sizeFactor * 0.5f;
  s.halfWidth = b / 2.0f * (1.0f + s.phase);
  s.halfHeight = b / 2.0f + s.phase * s.halfWidth / 2.0f;
}

// ---------------------------------------------------------------------------------------
// Fog

DS_FogConstructor::DS_FogConstructor() {
  m_PhaseMin = 0.2f;
  m_PhaseMax = 1.0f;
  m_Transparency.Set(50u);
  m_TimeLine->m_FadeTarget.StoreWithSnapshot(DS_TimeLineControl::kFadeColorAlpha);
}

void DS_FogConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_FogConstructor", kVersion);
  archive.WriteFloat(m_MaxSpeedX);
  archive.WriteFloat(m_MaxSpeedY);
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_FogConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  archive.ReadFloat(m_MaxSpeedX);
  archive.ReadFloat(m_MaxSpeedY);
  DS_BaseSpriteProp::ReadPart(archive);
}

void DS_FogConstructor::InitSprite(DS_SpriteState& s) {
  s.position = RandomPoint();
  const float vx = RandomFloat(-m_MaxSpeedX, m_MaxSpeedX);
  const float vy = RandomFloat(-m_MaxSpeedY, m_MaxSpeedY);
  s.velocity.x = vx;
  s.velocity.y = vy;
  s.phase = RandomFloat(0.0f, 1.0f);
  D3DXMatrixRotationZ(&s.rotation, UnitDraw() * 0.008f - 0.004f);
}

void DS_FogConstructor::UpdateSprite(DS_SpriteState& s) {
  s.position.x += FrameStep() * s.velocity.x;
  s.position.y += FrameStep() * s.velocity.y;

  s.phase += FrameStep() * s.phaseVelocity;
  if (s.phase < m_PhaseMin) {
    s.phase = m_PhaseMin;
    s.phaseVelocity = -s.phaseVelocity;
  } else if (s.phase > m_PhaseMax) {
    s.phase = m_PhaseMax;
    s.phaseVelocity = -s.phaseVelocity;
  }

  // Past an edge by any amount, the patch heads back in the same frame.
  if (s.position.y > BottomPixels()) s.velocity.y = -std::fabs(s.velocity.y);
  if (s.position.y < TopPixels()) s.velocity.y = std::fabs(s.velocity.y);
  if (s.position.x < LeftPixels()) s.velocity.x = std::fabs(s.velocity.x);
  if (s.position.x > RightPixels()) s.velocity.x = -std::fabs(s.velocity.x);

  // The small turn is applied once per frame, so the turning speed follows the frame rate.
  D3DXVECTOR3 turned;
  D3DXVec3TransformCoord(&turned, &s.rightAxis, &s.rotation);
  s.rightAxis = turned;
  D3DXVec3TransformCoord(&turned, &s.upAxis, &s.rotation);
  s.upAxis = turned;

  SpriteColor(s);
}

// ---------------------------------------------------------------------------------------
// Lighting

DS_LightingConstructor::DS_LightingConstructor() {
  m_BlendMode.StoreWithSnapshot(1);
  m_ViewFlag = true;
  DS_TimeLineControl& timeLine = *m_TimeLine;
  timeLine.m_Mode.StoreWithSnapshot(DS_TimeLineControl::kModeRandomCycle);
  timeLine.m_FadeTarget.StoreWithSnapshot(DS_TimeLineControl::kFadeNone);
  timeLine.m_HiddenTime.minimum.StoreWithSnapshot(100u);
  timeLine.m_HiddenTime.maximum.StoreWithSnapshot(500u);
}

void DS_LightingConstructor::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_LightingConstructor", kVersion);
  DS_BaseSpriteProp::WritePart(archive);
}

void DS_LightingConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) { DS_BaseSpriteProp::ReadPart(archive); }

void DS_LightingConstructor::InitSprite(DS_SpriteState& s) {
  s.UpdateHalfSize(m_SpriteSize.Get());
  s.position = RandomPointInside(s);
  D3DXMATRIX turn;
  D3DXMatrixRotationZ(&turn, UnitDraw() * 0.7853982f - 0.3926991f);
  const float mirror = (rand() & 1) ? -1.0f : 1.0f;
  const D3DXVECTOR3 right(mirror, 0.0f, 0.0f);
  const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
  D3DXVec3TransformCoord(&s.rightAxis, &right, &turn);
  D3DXVec3TransformCoord(&s.upAxis, &up, &turn);
  s.phase = 0.0f;
}

void DS_LightingConstructor::UpdateSprite(DS_SpriteState& s) {
  if (s.phase != 0.0f) {
    // A flash fades within 1/6 s of object time and may flare up again every 0.15 s.
    s.phase -= FrameStep() * 6.0f;
    if (AccumulatedTime() - s.timer > 0.15f) {
      s.timer = AccumulatedTime();
      if (rand() & 1) s.phase = 1.0f;
    }
  } else if (s.waitTime < LastTime() - s.timer) {
    // The pause is measured on the time-line clock, the flicker on the object clock.
    s.timer = LastTime();
    InitSprite(s);
    s.phase = 1.0f;
    s.timer = AccumulatedTime();
  }
  if (s.phase < 0.0f) {
    s.phase = 0.0f;
    s.timer = LastTime();
    s.waitTime = RandomRangeSeconds(m_TimeLine->m_HiddenTime);
  }
  SpriteColor(s);
}
