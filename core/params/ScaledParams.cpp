#include "core/params/ScaledParams.h"

#include <cmath>

MediaSpeedParam& MediaSpeedParam::operator=(const MediaSpeedParam& other) {
  if (this == &other) return *this;
  StoreWithSnapshot(other.Get());
  m_Factor = other.m_Factor;
  m_Offset = other.m_Offset;
  MediaParam::NotifyChanged(nullptr);
  m_LastStep = other.m_LastStep;
  m_Accumulated = other.m_Accumulated;
  m_LastTime = other.m_LastTime;
  return *this;
}

void MediaSpeedParam::Advance(float now) {
  if (m_LastTime > now) m_LastTime = now;  // time ran backwards
  float step = now - m_LastTime;
  if (step > kMaxStep) step = kMaxStep;
  step = m_Derived * step;
  m_LastStep = step;
  m_Accumulated += step;
  m_LastTime = now;
}

unsigned PerSecondCounter::Count(float now) {
  const int n = SaturateToInt(double(m_Derived) * double(now - m_LastTime));
  if (n == 0) return 0;
  m_LastTime = now;
  return n > 0 ? unsigned(n) : 0u;
}
