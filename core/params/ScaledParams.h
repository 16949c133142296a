#pragma once
// Scaled parameters: an unsigned stored value with a derived value offset + factor x value
// kept up to date by listening to itself. Time, speed clocks, per-second rates and plain
// real quantities are all scaled parameters.

#include "core/params/MediaParam.h"
#include "core/params/Numeric.h"

// T is float or unsigned char. The derived value of the byte form is the low 8 bits of
// (offset + factor x value) truncated toward zero to a 32-bit integer.
template <class T>
class UINTSclaleTo : public MediaParamT<unsigned>, public MediaControlT<MediaParamT<unsigned>> {
public:
  UINTSclaleTo() : UINTSclaleTo(1.0f, 0.0f) {}
  UINTSclaleTo(float factor, float offset)
      : MediaParamT<unsigned>(0u), MediaControlT<MediaParamT<unsigned>>(this), m_Derived(),
        m_Factor(factor), m_Offset(offset) {
    Recompute();
  }
  UINTSclaleTo(unsigned value, float factor, float offset) : UINTSclaleTo(factor, offset) {
    StoreWithSnapshot(value);
    Recompute();
  }
  // Copies factor and offset, then the value, and notifies every listener.
  UINTSclaleTo(const UINTSclaleTo& other)
      : MediaParamT<unsigned>(), MediaControlT<MediaParamT<unsigned>>(this), m_Derived(),
        m_Factor(other.m_Factor), m_Offset(other.m_Offset) {
    this->m_Value = other.m_Value;
    MediaParam::NotifyChanged(nullptr);
  }
  UINTSclaleTo& operator=(const UINTSclaleTo& other) {
    m_Factor = other.m_Factor;
    m_Offset = other.m_Offset;
    this->m_Value = other.m_Value;
    MediaParam::NotifyChanged(nullptr);
    return *this;
  }

  // Recomputes the derived value.
  void OnChanged(MediaControl*) override { Recompute(); }

  const T& Derived() const { return m_Derived; }
  float Factor() const { return m_Factor; }
  float Offset() const { return m_Offset; }
  // Changes the scale and recomputes the derived value.
  void SetScale(float factor, float offset) {
    m_Factor = factor;
    m_Offset = offset;
    Recompute();
  }
  void SetFactor(float factor) { SetScale(factor, m_Offset); }
  void SetOffset(float offset) { SetScale(m_Factor, offset); }

  // Name clashes between the two bases resolve to the parameter side.
  using MediaParamT<unsigned>::Get;
  using MediaParamT<unsigned>::Set;

protected:
  void Recompute() {
    const double scaled = double(m_Offset) + double(m_Factor) * double(this->m_Value);
    if constexpr (sizeof(T) == 1) {
      // Truncated to 32 bits first, saturating, then the low byte.
      m_Derived = static_cast<T>(static_cast<unsigned>(SaturateToInt(scaled)) & 0xFFu);
    } else {
      m_Derived = static_cast<T>(float(m_Offset + m_Factor * float(this->m_Value)));
    }
  }

  T m_Derived;
  float m_Factor;
  float m_Offset;
};

// Seconds from stored hundredths of a second.
class TimeParam : public UINTSclaleTo<float> {
public:
  TimeParam() : UINTSclaleTo<float>(0.01f, 0.0f) {}
  explicit TimeParam(unsigned hundredths) : UINTSclaleTo<float>(hundredths, 0.01f, 0.0f) {}
  float Seconds() const { return m_Derived; }
};

// The speed of an accumulating clock. Each step is the elapsed time, clamped to 0.2 s,
// times the speed, so a stall of any length moves the clock by at most 0.2 x speed.
class MediaSpeedParam : public UINTSclaleTo<float> {
public:
  MediaSpeedParam() = default;
  MediaSpeedParam(unsigned value, float factor, float offset = 0.0f)
      : UINTSclaleTo<float>(value, factor, offset) {}
  MediaSpeedParam(const MediaSpeedParam& other)
      : UINTSclaleTo<float>(other), m_LastStep(other.m_LastStep),
        m_Accumulated(other.m_Accumulated), m_LastTime(other.m_LastTime) {}
  MediaSpeedParam& operator=(const MediaSpeedParam& other);

  // Advances the clock to the absolute time now (seconds).
  void Advance(float now);

  float LastStep() const { return m_LastStep; }
  float Time() const { return m_Accumulated; }
  float LastTime() const { return m_LastTime; }
  void ResetClock(float time = 0.0f) {
    m_LastStep = 0.0f;
    m_Accumulated = time;
    m_LastTime = 0.0f;
  }

  static constexpr float kMaxStep = 0.2f;

private:
  float m_LastStep = 0.0f;
  float m_Accumulated = 0.0f;
  float m_LastTime = 0.0f;
};

// A rate per second; Count tells how many events are due.
class PerSecondCounter : public UINTSclaleTo<float> {
public:
  PerSecondCounter() = default;
  PerSecondCounter(unsigned value, float factor, float offset = 0.0f)
      : UINTSclaleTo<float>(value, factor, offset) {}
  PerSecondCounter(const PerSecondCounter& other) = default;

  // n = (rate x (now - last time)) truncated toward zero; when n is not 0 the last time
  // becomes now. A negative n (the clock ran backwards) resynchronises and yields 0, so
  // callers never see a negative or wrapped count.
  unsigned Count(float now);

  float LastTime() const { return m_LastTime; }
  void SetLastTime(float time) { m_LastTime = time; }

private:
  float m_LastTime = 0.0f;
};

// The falling-star emitters' rate: the same as its base, a class of its own.
class PerSecondCounterRnd : public PerSecondCounter {
public:
  using PerSecondCounter::PerSecondCounter;
};

// A real quantity of the flow systems.
template <class T>
class MediaFloat : public UINTSclaleTo<float> {
public:
  MediaFloat() = default;
  MediaFloat(unsigned value, float factor, float offset = 0.0f)
      : UINTSclaleTo<float>(value, factor, offset) {}
};
