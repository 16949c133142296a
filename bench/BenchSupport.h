#pragma once
// What the benchmarks share: a wall clock, the median of timed runs, and the count of
// heap allocations. Each benchmark is one source file that includes this header once.
#include "tests/support/AllocationCounter.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace bench {

inline double Now() {
  LARGE_INTEGER c, f;
  QueryPerformanceCounter(&c);
  QueryPerformanceFrequency(&f);
  return double(c.QuadPart) / double(f.QuadPart);
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace bench
