#pragma once
// Counts the program's heap allocations while counting is on, so that a test or a
// benchmark sees whether a running frame allocates. Include it in exactly one source file
// of the program: it replaces the global operator new and delete.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tw_test {

inline bool g_CountingAllocations = false;
inline size_t g_Allocations = 0;

inline void* CountedAllocate(size_t n) {
  if (g_CountingAllocations) ++g_Allocations;
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

// Allocations made while `counting` runs.
template <class F>
size_t AllocationsDuring(F&& counting) {
  const bool was = g_CountingAllocations;
  const size_t before = g_Allocations;
  g_CountingAllocations = true;
  counting();
  g_CountingAllocations = was;
  return g_Allocations - before;
}

}  // namespace tw_test

void* operator new(size_t n) { return tw_test::CountedAllocate(n); }
void* operator new[](size_t n) { return tw_test::CountedAllocate(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
