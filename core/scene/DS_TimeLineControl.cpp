#include "core/scene/DS_TimeLineControl.h"

#include <cmath>

// ---------------------------------------------------------------------------------------
// Intervals

bool DS_TimeInterval::IsOrderable() const {
  // An infinite bound would make a fade infinite over infinite: a NaN alpha.
  if (!std::isfinite(start) || !std::isfinite(end) || !std::isfinite(fadeInEnd) || !std::isfinite(fadeOutStart))
    return false;
  return start <= end;
}

float DS_TimeInterval::GetAlpha(float x) const {
  if (x < start || x > end) return 0.0f;
  if (x < fadeInEnd) return (x - start) / (fadeInEnd - start);
  if (x < fadeOutStart) return 1.0f;
  // A fade-out that ends where it starts would divide zero by zero at its one instant.
  if (end - fadeOutStart <= 0.0f) return 0.0f;
  return 1.0f - (x - fadeOutStart) / (end - fadeOutStart);
}

int DS_TimeInterval::GetState(float x) const {
  if (x < start || x > end) return kTimeLineInvisible;
  if (x < fadeInEnd) return kTimeLineFadeIn;
  if (x < fadeOutStart) return kTimeLineVisible;
  return kTimeLineFadeOut;
}

// ---------------------------------------------------------------------------------------
// Cycle states

void AnimationState::Begin(float t, const DS_TimeLineControl& timeLine) {
  end = t + RandomRangeSeconds(timeLine.m_ShownTime);
}

void AnimationState_Invisible::Begin(float t, const DS_TimeLineControl& timeLine) {
  end = t + RandomRangeSeconds(timeLine.m_HiddenTime);
}

void AnimationState_FadeIn::Begin(float t, const DS_TimeLineControl& timeLine) {
  start = t;
  end = t + timeLine.m_FadeInTime.Seconds();
}

float AnimationState_FadeIn::GetAlpha(float t) const {
  // A zero-length fade-in is complete at once (0 / 0 would give NaN).
  if (!(end > start)) return 1.0f;
  return (t - start) / (end - start);
}

void AnimationState_FadeOut::Begin(float t, const DS_TimeLineControl& timeLine) {
  start = t;
  end = t + timeLine.m_FadeOutTime.Seconds();
}

float AnimationState_FadeOut::GetAlpha(float t) const {
  // A zero-length fade-out is complete at once (0 / 0 would give NaN).
  if (!(end > start)) return 0.0f;
  return 1.0f - (t - start) / (end - start);
}

// ---------------------------------------------------------------------------------------
// The cycle

DS_AnimationStateCycle::DS_AnimationStateCycle() {
  m_States.push_back(new AnimationState_Invisible());
  m_States.push_back(new AnimationState_FadeIn());
  m_States.push_back(new AnimationState());
  m_States.push_back(new AnimationState_FadeOut());
  m_Current = m_States.begin();
}

DS_AnimationStateCycle::~DS_AnimationStateCycle() {
  for (AnimationState* state : m_States) delete state;
}

void DS_AnimationStateCycle::Reset() {
  m_Clock = 0.0f;
  m_PreviousTime = 0.0f;
  for (AnimationState* state : m_States) state->end = 0.0f;
  m_Current = m_States.begin();
}

float DS_AnimationStateCycle::Update(float t, const DS_TimeLineControl& timeLine) {
  const float previous = m_PreviousTime;
  m_PreviousTime = t;
  const int mode = timeLine.m_Mode.Get();
  if (mode == DS_TimeLineControl::kModeRandomCycle && t > (*m_Current)->end) {
    // One step per update: a state whose end passed long ago is left on the next frame.
    if (++m_Current == m_States.end()) m_Current = m_States.begin();
    (*m_Current)->Begin(t, timeLine);
  }
  float dt = t - previous;
  if (timeLine.m_FadeTarget.Get() == DS_TimeLineControl::kFadeClock) {
    if (mode == DS_TimeLineControl::kModeAlways) {
      // full speed
    } else if (mode == DS_TimeLineControl::kModeIntervals) {
      // The cycle never runs in this mode (its hidden state would stop the clock for
      // good); the clock follows the interval's alpha instead.
      dt *= timeLine.GetAlpha();
    } else {
      dt *= (*m_Current)->GetAlpha(t);
    }
  }
  m_Clock += dt;
  return m_Clock;
}

// ---------------------------------------------------------------------------------------
// The time line

DS_TimeLineControl::DS_TimeLineControl()
    : m_Mode(0), m_FadeTarget(0), m_FadeInTime(50u), m_FadeOutTime(50u), m_Cycle(new DS_AnimationStateCycle()) {}

DS_TimeLineControl::DS_TimeLineControl(const DS_TimeLineControl& other)
    : DS_IOF_Item(), m_Mode(other.m_Mode.Get()), m_FadeTarget(other.m_FadeTarget.Get()),
      m_HiddenTime(other.m_HiddenTime.minimum.Get(), other.m_HiddenTime.maximum.Get(), other.m_HiddenTime.random),
      m_ShownTime(other.m_ShownTime.minimum.Get(), other.m_ShownTime.maximum.Get(), other.m_ShownTime.random),
      m_FadeInTime(other.m_FadeInTime), m_FadeOutTime(other.m_FadeOutTime), m_Intervals(other.m_Intervals),
      m_LoopedTime(0.0f), m_Cycle(new DS_AnimationStateCycle()) {
  for (int i = 0; i < 3; ++i) m_Trailing[i] = other.m_Trailing[i];
}

DS_TimeLineControl::~DS_TimeLineControl() { delete m_Cycle; }

void DS_TimeLineControl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_TimeLineControl");
  archive.WriteUInt(kVersion);
  WriteFields(archive);
}

void DS_TimeLineControl::WriteFields(DS_IOF_Virtual& archive) {
  archive.WriteLong(m_Mode.Get());
  archive.WriteLong(m_FadeTarget.Get());
  archive.WriteInt(int(m_HiddenTime.minimum.Get()));
  archive.WriteInt(int(m_HiddenTime.maximum.Get()));
  archive.WriteInt(int(m_ShownTime.minimum.Get()));
  archive.WriteInt(int(m_ShownTime.maximum.Get()));
  archive.WriteInt(int(m_FadeInTime.Get()));
  archive.WriteInt(int(m_FadeOutTime.Get()));
  const unsigned count = unsigned(m_Intervals.size());
  archive.WriteUInt(count);
  for (const DS_TimeInterval& interval : m_Intervals) {
    archive.WriteFloat(interval.start);
    archive.WriteFloat(interval.end);
    archive.WriteFloat(interval.fadeInEnd);
    archive.WriteFloat(interval.fadeOutStart);
  }
}

void DS_TimeLineControl::ReadPart(DS_IOF_Virtual& archive) {
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);
  archive.ReadUInt(version);
  ReadFields(archive, version);
}

void DS_TimeLineControl::ReadFields(DS_IOF_Virtual& archive, unsigned /*version*/) {
  auto readLong = [&](MediaParamT<int>& field) {
    long value = field.Get();
    archive.ReadLong(value);
    field.Store(int(value));
  };
  auto readUnsigned = [&](MediaParamT<unsigned>& field) {
    int value = int(field.Get());
    archive.ReadInt(value);
    field.Store(unsigned(value));
  };
  readLong(m_Mode);
  readLong(m_FadeTarget);
  readUnsigned(m_HiddenTime.minimum);
  readUnsigned(m_HiddenTime.maximum);
  readUnsigned(m_ShownTime.minimum);
  readUnsigned(m_ShownTime.maximum);
  int fadeIn = int(m_FadeInTime.Get());
  archive.ReadInt(fadeIn);
  m_FadeInTime.Set(unsigned(fadeIn));
  int fadeOut = int(m_FadeOutTime.Get());
  archive.ReadInt(fadeOut);
  m_FadeOutTime.Set(unsigned(fadeOut));
  unsigned count = 0;
  if (!ReadListCount(archive, count, 16)) return;
  for (unsigned i = 0; i < count; ++i) {
    float values[4] = {0, 0, 0, 0};
    for (float& value : values) archive.ReadFloat(value);
    if (archive.Failed()) return;
    AddInterval(DS_TimeInterval{values[0], values[1], values[2], values[3]});
  }
}

bool DS_TimeLineControl::AddInterval(const DS_TimeInterval& interval) {
  if (!interval.IsOrderable()) return false;
  return m_Intervals.insert(interval).second;
}

const DS_TimeInterval* DS_TimeLineControl::FindInterval(float x) const {
  if (std::isnan(x)) return nullptr;
  // The first interval whose end is not below x.
  const auto found = m_Intervals.lower_bound(DS_TimeInterval{x, x, x, x});
  if (found == m_Intervals.end() || found->start > x + 3.0f) return nullptr;
  return &*found;
}

float DS_TimeLineControl::GetAlpha() const {
  const int mode = m_Mode.Get();
  if (mode == kModeIntervals) {
    const DS_TimeInterval* interval = FindInterval(m_LoopedTime);
    return interval ? interval->GetAlpha(m_LoopedTime) : 0.0f;
  }
  if (mode == kModeAlways) return 1.0f;
  return m_Cycle->Current().GetAlpha(m_Cycle->PreviousTime());
}

int DS_TimeLineControl::GetState() const {
  const int mode = m_Mode.Get();
  if (mode == kModeIntervals) {
    const DS_TimeInterval* interval = FindInterval(m_LoopedTime);
    return interval ? interval->GetState(m_LoopedTime) : kTimeLineInvisible;
  }
  if (mode == kModeAlways) return kTimeLineVisible;
  return m_Cycle->Current().GetStateCode();
}

float DS_TimeLineControl::GetLength() const {
  if (m_Mode.Get() == kModeIntervals) {
    if (const DS_TimeInterval* interval = FindInterval(m_LoopedTime)) return interval->end - interval->start;
  }
  return m_FadeOutTime.Seconds() + m_FadeInTime.Seconds() + 0.01f * float(m_ShownTime.minimum.Get());
}
