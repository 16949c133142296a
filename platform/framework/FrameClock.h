// The framework's clock as plain arithmetic over counter readings, so that it can be checked
// without waiting on real time. The framework feeds it the performance counter.
#pragma once

#include <cstdint>

class FrameClock {
 public:
  // Starts counting from zero at `now`, running.
  void Restart(int64_t now) {
    base_ = now;
    stopTick_ = now;
    stopped_ = false;
  }

  // Freezes the reading at `now`; a second stop keeps the first stop's reading.
  void Stop(int64_t now) {
    if (stopped_) return;
    stopTick_ = now;
    stopped_ = true;
  }

  // Runs again from the frozen reading: the time spent stopped never shows.
  void Start(int64_t now) {
    if (!stopped_) return;
    base_ += now - stopTick_;
    stopped_ = false;
  }

  bool IsStopped() const { return stopped_; }

  double Seconds(int64_t now, int64_t frequency) const {
    if (frequency <= 0) return -1.0;
    const int64_t at = stopped_ ? stopTick_ : now;
    return double(at - base_) / double(frequency);
  }

 private:
  int64_t base_ = 0;
  int64_t stopTick_ = 0;
  bool stopped_ = false;
};
