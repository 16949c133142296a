// One frame of about 100,000 live particles: the list update that every generator runs
// (an age limit, a fade and a kinetic step per particle, the dead erased and as many
// emitted again in place), then the batch fill (ReserveQuads, LockBatch, one particle
// sprite per particle, UnlockBatch) over the seven batches that 100,000 quads need,
// against a memcpy of the same vertex bytes in the same run. Also counts the heap
// allocations of a frame once the generator runs in steady state.
//
// The batches are real managed vertex buffers when a device can be made (under Wine with
// a display); otherwise the fill writes the same quads into plain memory the way a locked
// batch is written.
//
// Prints ratios measured within this run; the goals are at most 2x the copy and no
// allocation per frame.
#include "core/render/Device.h"
#include "core/render/QuadList.h"
#include "objects/particles/ParticleGenerator.h"
#include "tests/support/TestDevice.h"

#include "bench/BenchSupport.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

namespace {

using bench::Median;
using bench::Now;
using tw_test::g_Allocations;
using tw_test::g_CountingAllocations;

constexpr size_t kParticles = 100000;
constexpr size_t kBatches = (kParticles + kMaxQuadsPerBuffer - 1) / kMaxQuadsPerBuffer;

// A generator whose particles live 2 s, fade out and drift; it keeps its count by
// emitting a new particle in place for every one that died.
class BenchGenerator : public DS_ParticleGenerator {
public:
  BenchGenerator() {
    m_Life.Set(2u);
    m_Speed.Set(80u);
  }
  BenchGenerator(const BenchGenerator& other) = default;
  DS_ParticleGenerator* Clone() override { return new BenchGenerator(*this); }
  void InitRuntime(DS_ParticlesObj& runtime) override { runtime.SetBatchCount(kBatches); }
  void Render(DS_ABRender&, DS_ParticlesObj&) override {}

  void Emit(size_t n, bool spreadAges) {
    for (size_t i = 0; i < n; ++i) {
      const float x = float(std::rand() % 1920), y = float(std::rand() % 1080);
      m_Live.emplace_back(x, y, 0.0f);
      Particle& p = m_Live.back();
      InitParticle(p, p);
      // The first particles' ages are spread over the life, so that about a 120th dies
      // every frame from the start.
      if (spreadAges) p.channels[Particle::kAge] = float(std::rand()) / 32767.0f * 1.9f;
    }
  }
};

// The fill of the real code path: every batch reserved, locked, written and unlocked.
// Without a device (or for the comparison without the buffers' lock and upload), each
// batch is pointed at plain memory instead of a locked buffer and written the same way.
void FillBatches(DS_ParticlesObj& runtime, const ParticleList& particles, const MediaColor& colour,
                 DX_V::PCT* plain) {
  auto it = particles.begin();
  size_t left = particles.size();
  for (size_t b = 0; b < kBatches; ++b) {
    const size_t n = std::min<size_t>(left, kMaxQuadsPerBuffer);
    left -= n;
    runtime.ReserveQuads(b, n);
    const UINT vertexCount = runtime.Batch(b).vertexCount;
    if (plain) {
      runtime.Batch(b).lockPointer = plain + b * kMaxQuadsPerBuffer * 4;
      runtime.Batch(b).vertexCount = UINT(n * 4);
    } else if (!runtime.LockBatch(b)) {
      std::advance(it, n);
      continue;
    }
    for (size_t slot = 0; slot < n; ++slot, ++it) BuildParticleSprite(runtime, colour, *it, b, slot, 24.0f, 1.0f);
    if (plain) {
      runtime.Batch(b).lockPointer = nullptr;
      runtime.Batch(b).vertexCount = vertexCount;
    } else {
      runtime.UnlockBatch(b);
    }
  }
}

}  // namespace

int main() {
  std::srand(1);
  tw_test::TestDevice device;
  const bool haveDevice = device.Create(64, 64);
  g_Device = haveDevice ? device.device : nullptr;

  BenchGenerator description;
  DS_ParticlesObj runtime(description.Clone());
  auto& generator = *static_cast<BenchGenerator*>(runtime.Generator());
  generator.Emit(kParticles, true);
  // Plain memory for the batches without a device: written once, so that first writes to
  // fresh pages weigh on no frame.
  std::vector<DX_V::PCT> plain(kBatches * kMaxQuadsPerBuffer * 4, DX_V::PCT{});
  const MediaColor colour(0x40C0FF, 10);

  const size_t bytes = kParticles * 4 * sizeof(DX_V::PCT);
  std::vector<unsigned char> copySource(bytes, 0x5A), copyTarget(bytes, 0xA5);

  const float dt = 1.0f / 60.0f;
  auto update = [&]() {
    DS_ParticleGenerator::UpdateParticleList(generator.m_Live, dt);
    generator.Emit(kParticles - generator.m_Live.size(), false);
  };
  auto fill = [&]() {
    FillBatches(runtime, generator.m_Live, colour, haveDevice ? nullptr : plain.data());
  };
  // Warm up for longer than a particle lives: buffers made, pools filled, every lazy
  // allocation done, and the first particles' random ages replaced by the running
  // generator's order of births and deaths.
  for (int i = 0; i < 180; ++i) {
    update();
    fill();
  }

  const int kFrames = 60;
  std::vector<double> frameTimes, updateTimes, fillTimes, copyTimes;
  frameTimes.reserve(kFrames);
  updateTimes.reserve(kFrames);
  fillTimes.reserve(kFrames);
  copyTimes.reserve(kFrames);
  const size_t chunksBefore = BlockPool::ChunkCount();
  g_Allocations = 0;
  g_CountingAllocations = true;
  for (int i = 0; i < kFrames; ++i) {
    const double a = Now();
    update();
    const double b = Now();
    fill();
    const double c = Now();
    frameTimes.push_back(c - a);
    updateTimes.push_back(b - a);
    fillTimes.push_back(c - b);
  }
  g_CountingAllocations = false;
  const size_t allocations = g_Allocations;
  // The same quads into plain memory: the fill without the buffers' lock and upload.
  std::vector<double> plainTimes;
  for (int i = 0; i < kFrames; ++i) {
    const double a = Now();
    FillBatches(runtime, generator.m_Live, colour, plain.data());
    plainTimes.push_back(Now() - a);
  }
  for (int i = 0; i < kFrames; ++i) {
    copySource[size_t(i)] ^= 1;  // the copy is not optimised away
    const double a = Now();
    std::memcpy(copyTarget.data(), copySource.data(), bytes);
    copyTimes.push_back(Now() - a);
  }
  volatile unsigned char sink = copyTarget[size_t(kFrames) / 2];
  (void)sink;

  const double frame = Median(frameTimes) * 1000.0, copy = Median(copyTimes) * 1000.0;
  std::printf("particles: %zu live in %zu batches (at most %u quads each), %zu vertex bytes per frame\n",
              generator.m_Live.size(), kBatches, kMaxQuadsPerBuffer, bytes);
  std::printf("batches: %s\n", haveDevice ? "managed vertex buffers on a device" : "plain memory (no device)");
  std::printf("update + batch fill: %.3f ms per frame (median of %d)\n", frame, kFrames);
  std::printf("memcpy of the same bytes: %.3f ms\n", copy);
  std::printf("ratio update+fill / memcpy: %.2f (goal: at most 2)\n", frame / copy);
  std::printf("  update alone / memcpy: %.2f, batch fill alone / memcpy: %.2f\n", Median(updateTimes) * 1000.0 / copy,
              Median(fillTimes) * 1000.0 / copy);
  if (haveDevice)
    std::printf("  the same quads into plain memory / memcpy: %.2f\n", Median(plainTimes) * 1000.0 / copy);
  std::printf("heap allocations per frame in steady state: %.2f (goal: 0)\n", double(allocations) / kFrames);
  std::printf("pool chunks taken while measuring: %zu (of %zu)\n", BlockPool::ChunkCount() - chunksBefore,
              BlockPool::ChunkCount());
  g_Device = nullptr;
  return 0;
}
