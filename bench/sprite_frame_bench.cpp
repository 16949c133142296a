// One frame of 100,000 sprites: every sprite's update plus the vertex fill, for sprite
// systems of at most 16,384 sprites each (one vertex buffer each), against a memcpy of the
// same vertex bytes into memory that has already been written. Also counts the heap
// allocations of a frame once the systems run in steady state.
//
// Prints ratios measured within this run; the goals are at most 1.5x the copy and no
// allocation per frame.
#include "core/render/QuadList.h"
#include "core/render/StageView.h"
#include "objects/sprites/Flow.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/Swimmers.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace {

using bench::Median;
using bench::Now;
using tw_test::g_Allocations;
using tw_test::g_CountingAllocations;

// A system under test: its description, its geometry and the vertex array it fills.
struct System {
  std::unique_ptr<DS_ParticleSystemCtrl> description;
  std::unique_ptr<ParticleGeomArray> geometry;
  std::vector<DX_V::PCT> vertices;
  UINT count = 0;
};

}  // namespace

int main() {
  g_ScreenLayout.pictureWidth = 1920;
  g_ScreenLayout.pictureHeight = 1080;
  srand(1);

  const UINT kTotal = 100000;
  std::vector<System> systems;
  for (UINT left = kTotal, k = 0; left > 0; ++k) {
    System s;
    s.count = std::min<UINT>(left, kMaxQuadsPerBuffer);
    left -= s.count;
    // Fish and flows in turn: a wandering system and one with boundary control.
    if (k % 2 == 0) {
      auto* fish = new DS_FishConstructor();
      s.description.reset(fish);
    } else {
      auto* flow = new DS_FlowConstructor();
      flow->m_BaseSpeed = 120.0f;
      s.description.reset(flow);
    }
    s.description->m_SpriteSize.Store(24);
    s.description->m_SpriteCount.Store(s.count);
    s.geometry.reset(new ParticleGeomArray());
    s.geometry->m_Description = s.description.get();
    s.geometry->BindCount(s.description->m_SpriteCount);
    s.vertices.assign(size_t(s.count) * 4, DX_V::PCT{});
    systems.push_back(std::move(s));
  }

  const size_t bytes = size_t(kTotal) * 4 * sizeof(DX_V::PCT);
  std::vector<unsigned char> copySource(bytes, 0x5A), copyTarget(bytes, 0xA5);

  float t = 0.0f;
  auto frame = [&]() {
    t += 1.0f / 60.0f;
    for (System& s : systems) {
      s.geometry->Update(t);
      s.geometry->WriteVertices(*s.description, s.vertices.data(), s.count);
    }
  };
  // Warm up: the first frames set the timing and make every lazy allocation.
  for (int i = 0; i < 20; ++i) frame();

  const int kFrames = 60;
  std::vector<double> frameTimes, copyTimes;
  frameTimes.reserve(kFrames);  // the measurement itself allocates nothing while it counts
  g_Allocations = 0;
  g_CountingAllocations = true;
  for (int i = 0; i < kFrames; ++i) {
    const double a = Now();
    frame();
    frameTimes.push_back(Now() - a);
  }
  g_CountingAllocations = false;
  const size_t allocations = g_Allocations;
  // The two halves apart: where the time goes.
  std::vector<double> updateTimes, fillTimes;
  for (int i = 0; i < kFrames; ++i) {
    t += 1.0f / 60.0f;
    const double a = Now();
    for (System& s : systems) s.geometry->Update(t);
    const double b = Now();
    for (System& s : systems) s.geometry->WriteVertices(*s.description, s.vertices.data(), s.count);
    updateTimes.push_back(b - a);
    fillTimes.push_back(Now() - b);
  }
  for (int i = 0; i < kFrames; ++i) {
    copySource[size_t(i)] ^= 1;  // the copy is not optimised away
    const double a = Now();
    std::memcpy(copyTarget.data(), copySource.data(), bytes);
    copyTimes.push_back(Now() - a);
  }
  volatile unsigned char sink = copyTarget[size_t(kFrames) / 2];
  (void)sink;

  const double update = Median(frameTimes) * 1000.0, copy = Median(copyTimes) * 1000.0;
  std::printf("sprites: %u in %zu systems (at most %u each), %zu vertex bytes per frame\n", kTotal, systems.size(),
              kMaxQuadsPerBuffer, bytes);
  std::printf("update + vertex fill: %.3f ms per frame (median of %d)\n", update, kFrames);
  std::printf("memcpy of the same bytes: %.3f ms\n", copy);
  std::printf("ratio update+fill / memcpy: %.2f (goal: at most 1.5)\n", update / copy);
  std::printf("  update alone / memcpy: %.2f, vertex fill alone / memcpy: %.2f\n", Median(updateTimes) * 1000.0 / copy,
              Median(fillTimes) * 1000.0 / copy);
  std::printf("heap allocations per frame in steady state: %.2f (goal: 0)\n", double(allocations) / kFrames);
  return 0;
}
