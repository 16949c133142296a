#pragma once
// What the benchmarks share: a wall clock, the median of timed runs, and a count of the
// heap allocations made while counting is on. Each benchmark is one source file that
// includes this header once: it replaces the program's global operator new and delete.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <vector>

namespace bench {

inline bool g_Counting = false;
inline size_t g_Allocations = 0;

inline void* Allocate(size_t n) {
  if (g_Counting) ++g_Allocations;
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

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

void* operator new(size_t n) { return bench::Allocate(n); }
void* operator new[](size_t n) { return bench::Allocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
