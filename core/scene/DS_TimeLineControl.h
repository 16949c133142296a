#pragma once
// The object time line: when and how visibly a scene object is shown (always, in a
// random cycle of hidden / fading in / shown / fading out, or in explicit intervals of the
// slide's looped time), and the object's own clock.

#include "core/params/CompositeParams.h"
#include "core/params/ScaledParams.h"
#include "core/scene/DS_IOF_Item.h"

#include <list>
#include <set>

class DS_TimeLineControl;

// State codes that objects see.
enum DS_TimeLineState : int {
  kTimeLineVisible = 0,
  kTimeLineInvisible = 1,
  kTimeLineFadeIn = 2,
  kTimeLineFadeOut = 3,
};

// Start, end, fade-in end, fade-out start, in seconds of the looped time.
struct DS_TimeInterval {
  float start = 0.0f;
  float end = 0.0f;
  float fadeInEnd = 0.0f;
  float fadeOutStart = 0.0f;

  float GetAlpha(float x) const;
  int GetState(float x) const;
  // Intervals the ordered set can hold: finite values and start <= end. Others would
  // break the set's ordering (an interval could sort both before and after another) or
  // give NaN alphas.
  bool IsOrderable() const;
};

// a comes before b when a ends before b starts; overlapping or touching intervals are
// equivalent, so the set keeps only the first of them.
struct DS_TimeIntervalLess {
  bool operator()(const DS_TimeInterval& a, const DS_TimeInterval& b) const { return a.end < b.start; }
};

using DS_TimeIntervalSet = std::set<DS_TimeInterval, DS_TimeIntervalLess>;

// The shown state and the base of the others.
class AnimationState {
public:
  virtual ~AnimationState() = default;
  virtual float GetAlpha(float t) const { return 1.0f; }
  virtual void Begin(float t, const DS_TimeLineControl& timeLine);
  virtual int GetStateCode() const { return kTimeLineVisible; }

  float end = 0.0f;
};

class AnimationState_Invisible : public AnimationState {
public:
  float GetAlpha(float t) const override { return 0.0f; }
  void Begin(float t, const DS_TimeLineControl& timeLine) override;
  int GetStateCode() const override { return kTimeLineInvisible; }
};

class AnimationState_FadeIn : public AnimationState {
public:
  float GetAlpha(float t) const override;
  void Begin(float t, const DS_TimeLineControl& timeLine) override;
  int GetStateCode() const override { return kTimeLineFadeIn; }

  float start = 0.0f;
};

class AnimationState_FadeOut : public AnimationState {
public:
  float GetAlpha(float t) const override;
  void Begin(float t, const DS_TimeLineControl& timeLine) override;
  int GetStateCode() const override { return kTimeLineFadeOut; }

  float start = 0.0f;
};

// The state machine of the random cycle and the object clock.
class DS_AnimationStateCycle {
public:
  DS_AnimationStateCycle();
  DS_AnimationStateCycle(const DS_AnimationStateCycle&) = delete;
  DS_AnimationStateCycle& operator=(const DS_AnimationStateCycle&) = delete;
  ~DS_AnimationStateCycle();

  // Advances to the absolute time t and returns the object clock.
  float Update(float t, const DS_TimeLineControl& timeLine);
  // Clock and previous time 0, every state's end 0, the hidden state current.
  void Reset();

  AnimationState& Current() const { return **m_Current; }
  float PreviousTime() const { return m_PreviousTime; }
  float Clock() const { return m_Clock; }

private:
  float m_PreviousTime = 0.0f;
  float m_Clock = 0.0f;
  std::list<AnimationState*> m_States;
  std::list<AnimationState*>::iterator m_Current;
};

class DS_TimeLineControl : public DS_IOF_Item {
public:
  enum Mode : int { kModeAlways = 0, kModeRandomCycle = 1, kModeIntervals = 2 };
  enum FadeTarget : int { kFadeNone = 0, kFadeColorAlpha = 1, kFadeClock = 2 };

  DS_TimeLineControl();
  DS_TimeLineControl(const DS_TimeLineControl& other);
  DS_TimeLineControl& operator=(const DS_TimeLineControl&) = delete;
  ~DS_TimeLineControl() override;

  void Write(DS_IOF_Virtual& archive) override { WritePart(archive); }
  // The complete record: class name, version, fields.
  void WritePart(DS_IOF_Virtual& archive);
  void WriteFields(DS_IOF_Virtual& archive);
  // Reads a complete record (the class name is not compared, the version not tested).
  void ReadPart(DS_IOF_Virtual& archive);
  void ReadFields(DS_IOF_Virtual& archive, unsigned version);

  float GetAlpha() const;
  int GetState() const;
  float GetLength() const;

  // The interval of the looped time x (MODE 2), or null.
  const DS_TimeInterval* FindInterval(float x) const;
  // Adds an interval unless it overlaps or touches one already held, or cannot be
  // ordered. Returns whether it was added.
  bool AddInterval(const DS_TimeInterval& interval);

  void SetLoopTime(float seconds) { m_LoopedTime = seconds; }
  float LoopTime() const { return m_LoopedTime; }
  DS_AnimationStateCycle& Cycle() const { return *m_Cycle; }
  const DS_TimeIntervalSet& Intervals() const { return m_Intervals; }

  static constexpr unsigned kVersion = 1;

  MediaParamT<int> m_Mode;
  MediaParamT<int> m_FadeTarget;
  DS_RandomTimeRange m_HiddenTime;
  DS_RandomTimeRange m_ShownTime;
  TimeParam m_FadeInTime;
  TimeParam m_FadeOutTime;
  DS_TimeIntervalSet m_Intervals;
  float m_LoopedTime = 0.0f;
  DS_AnimationStateCycle* m_Cycle;
  int m_Trailing[3] = {0, 0, 0};
};
