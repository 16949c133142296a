#pragma once
// Particles and their processes. A particle carries a position, the position it had at the
// previous emission step, ten float channels and an ordered list of processes; each
// process advances one aspect of the particle by the generator's clock step and votes on
// whether it lives on. A generator removes a particle the first time the vote is false.
//
// Channels: 0 life fraction, 1 size, 2 opacity, 3 age (seconds), 4 angle (radians), 5..9
// further factors (defaults 0, 1, 1, 0, 0, 1, 1, 1, 1, 1).
//
// Steady state allocates nothing: list nodes (and the processes a particle cannot hold
// inline) come from fixed-size block pools whose blocks are reused once freed; a generator
// builds an emitted particle in place in its list.
//
// A frame walks tens of thousands of particles, so a particle keeps the built-in processes
// inside itself (a small arena after the channels) and runs them without a virtual call:
// the walk then reads one list node per particle instead of chasing a pointer per process.
#include <d3dx9math.h>
#include <cstddef>
#include <list>
#include <new>

// Fixed-size blocks for the particles' small objects (processes, list nodes, origin
// particles), by size class of 16 bytes up to kMaxBlockBytes. Freed blocks are handed
// out again, in address order within their chunk so that a list walk stays local;
// chunks are never returned to the heap. The scene runs on one thread; the pools are
// not locked.
class BlockPool {
public:
  static constexpr size_t kMaxBlockBytes = 256;
  // A block of at least `bytes`; larger requests go to the heap.
  static void* Allocate(size_t bytes);
  static void Free(void* block, size_t bytes) noexcept;
  // Chunks taken from the heap so far (a benchmark's steady state takes none).
  static size_t ChunkCount();
};

// An allocator over the block pools, for the particle lists' nodes. Stateless: lists using
// it splice freely.
template <class T>
struct PoolAllocator {
  using value_type = T;
  PoolAllocator() = default;
  template <class U>
  PoolAllocator(const PoolAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    if (n == 1) return static_cast<T*>(BlockPool::Allocate(sizeof(T)));
    return static_cast<T*>(::operator new(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) noexcept {
    if (n == 1) BlockPool::Free(p, sizeof(T));
    else ::operator delete(p);
  }
  template <class U>
  bool operator==(const PoolAllocator<U>&) const noexcept { return true; }
  template <class U>
  bool operator!=(const PoolAllocator<U>&) const noexcept { return false; }
};

class Particle;

// A process: a small behaviour a particle runs every step.
class PProcess {
public:
  // The built-in processes, which a particle can hold inline and run without a virtual
  // call; every other process is kOther and lives in the block pools.
  enum Kind : unsigned char { kOther, kLifeConst, kAgeConst, kFade, kSteady, kTwinkle, kKinetic, kSpin, kBrownian };

  virtual ~PProcess() = default;
  // Advances the process on p by dt seconds; the result is its vote on whether p lives on.
  virtual bool Process(float dt, Particle& p) = 0;
  // A new copy with the same field values (state included).
  virtual PProcess* Clone() const = 0;
  virtual Kind KindOf() const { return kOther; }
  // Processes live in the block pools.
  static void* operator new(size_t bytes) { return BlockPool::Allocate(bytes); }
  static void operator delete(void* block, size_t bytes) noexcept { BlockPool::Free(block, bytes); }
};

class Particle {
public:
  static constexpr int kChannels = 10;
  // The most processes a particle holds; the generators attach at most five.
  static constexpr int kMaxProcesses = 8;
  enum Channel { kLife = 0, kSize = 1, kOpacity = 2, kAge = 3, kAngle = 4 };

  Particle() {}
  // Position and previous position both (x, y, z).
  Particle(float x, float y, float z) : position(x, y, z), previous(x, y, z) {}
  explicit Particle(const D3DXVECTOR3& at) : position(at), previous(at) {}
  // Copies position, previous position and channels, and clones every process in order.
  Particle(const Particle& other);
  Particle& operator=(const Particle& other);
  ~Particle() { ClearProcesses(); }

  // Process(dt, *this) on every process in list order, always on all of them; the AND of
  // the votes (true with no processes).
  bool RunProcesses(float dt);
  void ClearProcesses();
  void ResetPrevious() { previous = position; }
  // Appends a process the particle then owns. A particle that already holds kMaxProcesses
  // deletes it. A built-in process is moved into the particle (the pointer passed in is
  // deleted); any other is kept as it is. What ProcessAt returned before may move when
  // a process is added or the particle is copied into.
  void AddProcess(PProcess* process);
  int ProcessCount() const { return m_ProcessCount; }
  PProcess* ProcessAt(int i) const { return i >= 0 && i < m_ProcessCount ? SlotProcess(i) : nullptr; }

  D3DXVECTOR3 position{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 previous{0.0f, 0.0f, 0.0f};
  float channels[kChannels] = {0.0f, 1.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};

private:
  // Room for the processes the generators attach (at most 88 bytes of built-in processes
  // and a pointer); a list node is then three cache lines.
  static constexpr unsigned kInlineBytes = 96;
  static constexpr unsigned kInlineUnit = 8;

  // A slot: the process's kind in the high four bits (kOther: the arena holds a pointer to
  // a pooled process), its place in the arena in 8-byte units in the low four.
  static unsigned SlotKind(unsigned char slot) { return slot >> 4; }
  static unsigned SlotOffset(unsigned char slot) { return (slot & 15u) * kInlineUnit; }
  PProcess* SlotProcess(int i) const;
  // A copy of a built-in process into the arena; false (nothing done) for any other or
  // when the arena has no room for it.
  bool AppendInline(const PProcess& process);
  // What Clone would give, inline where it can be.
  void AppendCopyOf(const PProcess& process);
  void AppendPooled(PProcess* process);
  void MoveInlineToPool();

  unsigned char m_ProcessCount = 0;
  unsigned char m_InlineUsed = 0;  // in 8-byte units
  unsigned char m_Slots[kMaxProcesses] = {};
  alignas(8) unsigned char m_Inline[kInlineBytes];

  static_assert(kMaxProcesses * sizeof(PProcess*) <= kInlineBytes, "the arena holds a pointer for every slot");
  static_assert(kInlineBytes / kInlineUnit <= 16, "an offset fits in four bits");
};

using ParticleList = std::list<Particle, PoolAllocator<Particle>>;

// The particles of a list mostly lie one after another in memory, in list order (the pools
// hand out a list's nodes in address order), so a walk over tens of thousands of them asks
// for the memory a few nodes ahead before it gets there: the walk itself can only learn the
// next node's address from the current one. A guess that misses costs only the fetch (a
// prefetch never faults).
constexpr size_t kParticleNodeBytes = (sizeof(Particle) + 2 * sizeof(void*) + 15) / 16 * 16;
constexpr size_t kParticlePrefetchNodes = 8;

// The first cache line of the node kParticlePrefetchNodes ahead (what a sprite reads).
inline void PrefetchParticleAhead(const Particle& p) {
  __builtin_prefetch(reinterpret_cast<const char*>(&p) + kParticlePrefetchNodes * kParticleNodeBytes, 0);
}

// The whole node ahead, to be written (what an update step touches).
inline void PrefetchParticleNodeAhead(const Particle& p) {
  const char* ahead = reinterpret_cast<const char*>(&p) + kParticlePrefetchNodes * kParticleNodeBytes;
  for (size_t at = 0; at < kParticleNodeBytes; at += 64) __builtin_prefetch(ahead + at, 1);
}

// A channel index from outside (a constructor argument): outside 0..9 the process acts on
// nothing.
inline float* ParticleChannel(Particle& p, int channel) {
  return channel >= 0 && channel < Particle::kChannels ? &p.channels[channel] : nullptr;
}

// Channel 0 += rate x dt; alive while channel 0 < 1.
class PLifeConst final : public PProcess {
public:
  explicit PLifeConst(float rate) : rate(rate) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PLifeConst(*this); }
  Kind KindOf() const override { return kLifeConst; }
  float rate;
};

// Channel 3 += dt; alive while channel 3 < the maximum age.
class PAgeConst final : public PProcess {
public:
  explicit PAgeConst(float maxAge) : maxAge(maxAge) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PAgeConst(*this); }
  Kind KindOf() const override { return kAgeConst; }
  float maxAge;
};

// Moves a channel by a total change linearly over an age window, in steps.
class PFade final : public PProcess {
public:
  PFade(int channel, float startAge, float endAge, float change)
      : channel(channel), startAge(startAge), endAge(endAge), remaining(change) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PFade(*this); }
  Kind KindOf() const override { return kFade; }
  int channel;
  float startAge, endAge, remaining;
};

// Channel += rate x dt while lifeFrom < channel 0 < lifeTo.
class PSteady final : public PProcess {
public:
  PSteady(int channel, float lifeFrom, float lifeTo, float rate)
      : channel(channel), lifeFrom(lifeFrom), lifeTo(lifeTo), rate(rate) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PSteady(*this); }
  Kind KindOf() const override { return kSteady; }
  int channel;
  float lifeFrom, lifeTo, rate;
};

// A channel that rests at its base value and now and then flashes up to 1.5 times it.
class PTwinkle final : public PProcess {
public:
  PTwinkle(int channel, float timer, float base, float period)
      : channel(channel), timer(timer), base(base), period(period) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PTwinkle(*this); }
  Kind KindOf() const override { return kTwinkle; }
  int channel;
  float timer, base, period;
};

// position += v dt + a dt^2 / 2; v += a dt.
class PKinetic final : public PProcess {
public:
  PKinetic(const D3DXVECTOR3& velocity, const D3DXVECTOR3& acceleration)
      : velocity(velocity), acceleration(acceleration) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PKinetic(*this); }
  Kind KindOf() const override { return kKinetic; }
  D3DXVECTOR3 velocity, acceleration;
};

// Channel 4 += rate x dt.
class PSpin final : public PProcess {
public:
  explicit PSpin(float rate) : rate(rate) {}
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PSpin(*this); }
  Kind KindOf() const override { return kSpin; }
  float rate;
};

// What a wandering particle's owner supplies, read afresh at every step: the rectangle
// (x0, y0)-(x1, y1), the speed factor, the retarget period and the steering time (s).
struct BrownianSettings {
  float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
  float speed = 1.0f;
  float retargetPeriod = 1.0f;
  float steerTime = 1.0f;
};

// Random wandering inside the owner's rectangle.
class PBrownian final : public PProcess {
public:
  // Three draws: y velocity, x velocity, time to the first retarget.
  explicit PBrownian(const BrownianSettings* settings);
  bool Process(float dt, Particle& p) override;
  PProcess* Clone() const override { return new PBrownian(*this); }
  Kind KindOf() const override { return kBrownian; }
  // Steers towards the target velocity over the steering time; a steering time of 0 (or
  // less, or not a number) takes the target at once.
  void SetTarget(const D3DXVECTOR3& target);
  const BrownianSettings* settings;  // not owned
  D3DXVECTOR3 velocity{0.0f, 0.0f, 0.0f};
  D3DXVECTOR3 acceleration{0.0f, 0.0f, 0.0f};
  float accelerationTimeLeft = 0.0f;
  float retargetTimeLeft = 0.0f;
  unsigned char inside = 1;
};

// A copied owner re-points the wandering processes of its copied particles from the
// settings block they were copied with to its own.
void RepointBrownian(ParticleList& particles, const BrownianSettings* from, const BrownianSettings* to);
