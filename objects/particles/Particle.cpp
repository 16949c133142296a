#include "objects/particles/Particle.h"

#include "core/params/CompositeParams.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>

// =======================================================================================
// BlockPool
//
// A frame walks every particle list from front to back, touching each node and its
// processes, so what matters most is that blocks next to each other in a list sit next
// to each other in memory. A plain free list hands freed blocks out again in whatever
// order particles died, and after a while a walk jumps all over the heap. Here each size
// class carves blocks from aligned chunks, and a chunk in use hands out its free blocks
// in address order (a bitmap and a cursor). A chunk whose blocks are all free starts again
// from its first block; particles of one generator mostly die in the order they were made,
// so chunks empty out whole and new particles are laid down one after the other again.

namespace {

constexpr size_t kBlockGranule = 16;
constexpr size_t kSizeClasses = BlockPool::kMaxBlockBytes / kBlockGranule;
constexpr size_t kChunkBytes = 64 * 1024;
constexpr size_t kBitmapWords = kChunkBytes / kBlockGranule / 64;

struct Chunk {
  enum State : unsigned char { kCurrent, kFull, kPartial, kEmpty };
  Chunk* prev = nullptr;
  Chunk* next = nullptr;
  size_t live = 0;
  size_t capacity = 0;
  size_t blockBytes = 0;
  size_t cursor = 0;  // the bitmap word the next search starts from
  State state = kCurrent;
  std::uint64_t freeBits[kBitmapWords] = {};  // a set bit is a free block

  static constexpr size_t kHeaderBytes = 640;

  unsigned char* Block(size_t i) { return reinterpret_cast<unsigned char*>(this) + kHeaderBytes + i * blockBytes; }
  size_t IndexOf(void* block) const {
    return size_t(static_cast<unsigned char*>(block) - reinterpret_cast<const unsigned char*>(this) - kHeaderBytes) /
           blockBytes;
  }
  // Every block free, handed out from the first.
  void Restart() {
    const size_t words = (capacity + 63) / 64;
    for (size_t w = 0; w < words; ++w) freeBits[w] = ~std::uint64_t(0);
    if (capacity % 64) freeBits[words - 1] = (std::uint64_t(1) << (capacity % 64)) - 1;
    cursor = 0;
  }
  // The next free block at or after the cursor, or null once the cursor has passed them.
  void* TakeNext() {
    const size_t words = (capacity + 63) / 64;
    for (; cursor < words; ++cursor) {
      std::uint64_t& bits = freeBits[cursor];
      if (!bits) continue;
      const size_t bit = size_t(__builtin_ctzll(bits));
      bits &= bits - 1;
      ++live;
      return Block(cursor * 64 + bit);
    }
    return nullptr;
  }
};
static_assert(sizeof(Chunk) <= Chunk::kHeaderBytes, "the chunk header fits before the first block");
static_assert(Chunk::kHeaderBytes % kBlockGranule == 0, "blocks stay aligned");

// A doubly linked list of chunks, so that a chunk leaves it in constant time.
struct ChunkList {
  Chunk* head = nullptr;
  void Push(Chunk* chunk) {
    chunk->prev = nullptr;
    chunk->next = head;
    if (head) head->prev = chunk;
    head = chunk;
  }
  void Remove(Chunk* chunk) {
    if (chunk->prev) chunk->prev->next = chunk->next;
    else head = chunk->next;
    if (chunk->next) chunk->next->prev = chunk->prev;
    chunk->prev = chunk->next = nullptr;
  }
  Chunk* Pop() {
    Chunk* chunk = head;
    if (chunk) Remove(chunk);
    return chunk;
  }
};

struct SizeClass {
  Chunk* current = nullptr;
  ChunkList partial;  // some blocks free, some in use
  ChunkList empty;    // every block free
  size_t live = 0;    // blocks in use
  size_t chunks = 0;
};

struct PoolState {
  SizeClass classes[kSizeClasses];
  size_t chunks = 0;
};

// Built on first use, so static constructors that make particles find it ready; never
// destroyed, so static destructors that free particles find it still there.
PoolState& Pools() {
  static PoolState* state = new PoolState();
  return *state;
}

size_t ClassIndex(size_t bytes) { return bytes == 0 ? 0 : (bytes - 1) / kBlockGranule; }

size_t ClassCapacity(size_t classIndex) {
  return (kChunkBytes - Chunk::kHeaderBytes) / ((classIndex + 1) * kBlockGranule);
}

Chunk* ChunkOf(void* block) {
  return reinterpret_cast<Chunk*>(reinterpret_cast<std::uintptr_t>(block) & ~std::uintptr_t(kChunkBytes - 1));
}

Chunk* NewChunk(PoolState& pools, SizeClass& sizeClass, size_t classIndex) {
  void* memory = ::operator new(kChunkBytes, std::align_val_t(kChunkBytes));
  ++pools.chunks;
  ++sizeClass.chunks;
  auto* chunk = new (memory) Chunk();
  chunk->blockBytes = (classIndex + 1) * kBlockGranule;
  chunk->capacity = ClassCapacity(classIndex);
  chunk->Restart();
  return chunk;
}

// The next chunk to hand out blocks from: a whole free one first. Failing that, a new
// one while the class holds less than twice the room its live blocks need: chunks with a
// few blocks freed inside them are left to empty out, rather than mixing new particles in
// among old ones, which would keep them from ever emptying. Past that bound the blocks
// freed inside a chunk are used again, in address order.
Chunk* NextCurrent(PoolState& pools, SizeClass& sizeClass, size_t classIndex) {
  Chunk* chunk = sizeClass.empty.Pop();
  if (chunk) {
    chunk->Restart();
  } else {
    if (sizeClass.chunks * ClassCapacity(classIndex) < 2 * sizeClass.live)
      chunk = NewChunk(pools, sizeClass, classIndex);
    if (!chunk) {
      chunk = sizeClass.partial.Pop();
      if (chunk) chunk->cursor = 0;
    }
    if (!chunk) chunk = NewChunk(pools, sizeClass, classIndex);
  }
  chunk->state = Chunk::kCurrent;
  return chunk;
}

}  // namespace

void* BlockPool::Allocate(size_t bytes) {
  if (bytes > kMaxBlockBytes) return ::operator new(bytes);
  PoolState& pools = Pools();
  const size_t classIndex = ClassIndex(bytes);
  SizeClass& sizeClass = pools.classes[classIndex];
  for (;;) {
    if (Chunk* chunk = sizeClass.current) {
      if (void* block = chunk->TakeNext()) {
        ++sizeClass.live;
        return block;
      }
      // Passed over: blocks freed behind the cursor wait until it is current again.
      if (chunk->live < chunk->capacity) {
        chunk->state = Chunk::kPartial;
        sizeClass.partial.Push(chunk);
      } else {
        chunk->state = Chunk::kFull;
      }
    }
    sizeClass.current = NextCurrent(pools, sizeClass, classIndex);
  }
}

void BlockPool::Free(void* block, size_t bytes) noexcept {
  if (!block) return;
  if (bytes > kMaxBlockBytes) {
    ::operator delete(block);
    return;
  }
  SizeClass& sizeClass = Pools().classes[ClassIndex(bytes)];
  Chunk* chunk = ChunkOf(block);
  const size_t index = chunk->IndexOf(block);
  chunk->freeBits[index / 64] |= std::uint64_t(1) << (index % 64);
  --chunk->live;
  --sizeClass.live;
  if (chunk->live == 0) {
    // Nothing left in it: it starts again from its first block.
    chunk->Restart();
    if (chunk->state == Chunk::kCurrent) return;
    if (chunk->state == Chunk::kPartial) sizeClass.partial.Remove(chunk);
    chunk->state = Chunk::kEmpty;
    sizeClass.empty.Push(chunk);
    return;
  }
  if (chunk->state == Chunk::kFull) {
    chunk->state = Chunk::kPartial;
    sizeClass.partial.Push(chunk);
  }
}

size_t BlockPool::ChunkCount() { return Pools().chunks; }

// =======================================================================================
// Particle

namespace {

// What the particle needs to hold each built-in kind inline. The switches below list the
// kinds in the order of PProcess::Kind.
template <class T>
T* InlineAt(unsigned char* at) {
  return std::launder(reinterpret_cast<T*>(at));
}

unsigned InlineSize(unsigned kind) {
  switch (kind) {
    case PProcess::kLifeConst: return sizeof(PLifeConst);
    case PProcess::kAgeConst: return sizeof(PAgeConst);
    case PProcess::kFade: return sizeof(PFade);
    case PProcess::kSteady: return sizeof(PSteady);
    case PProcess::kTwinkle: return sizeof(PTwinkle);
    case PProcess::kKinetic: return sizeof(PKinetic);
    case PProcess::kSpin: return sizeof(PSpin);
    case PProcess::kBrownian: return sizeof(PBrownian);
    default: return 0;
  }
}

// A copy of `from` (of the given kind) built at `at`: what its Clone would build.
PProcess* CopyInline(unsigned kind, const PProcess& from, unsigned char* at) {
  switch (kind) {
    case PProcess::kLifeConst: return ::new (at) PLifeConst(static_cast<const PLifeConst&>(from));
    case PProcess::kAgeConst: return ::new (at) PAgeConst(static_cast<const PAgeConst&>(from));
    case PProcess::kFade: return ::new (at) PFade(static_cast<const PFade&>(from));
    case PProcess::kSteady: return ::new (at) PSteady(static_cast<const PSteady&>(from));
    case PProcess::kTwinkle: return ::new (at) PTwinkle(static_cast<const PTwinkle&>(from));
    case PProcess::kKinetic: return ::new (at) PKinetic(static_cast<const PKinetic&>(from));
    case PProcess::kSpin: return ::new (at) PSpin(static_cast<const PSpin&>(from));
    case PProcess::kBrownian: return ::new (at) PBrownian(static_cast<const PBrownian&>(from));
    default: return nullptr;
  }
}

constexpr unsigned char MakeSlot(unsigned kind, unsigned units) { return static_cast<unsigned char>(kind << 4 | units); }

}  // namespace

Particle::Particle(const Particle& other)
    : position(other.position), previous(other.previous) {
  for (int i = 0; i < kChannels; ++i) channels[i] = other.channels[i];
  for (int i = 0; i < other.m_ProcessCount; ++i) AppendCopyOf(*other.SlotProcess(i));
}

Particle& Particle::operator=(const Particle& other) {
  if (this == &other) return *this;
  ClearProcesses();
  position = other.position;
  previous = other.previous;
  for (int i = 0; i < kChannels; ++i) channels[i] = other.channels[i];
  for (int i = 0; i < other.m_ProcessCount; ++i) AppendCopyOf(*other.SlotProcess(i));
  return *this;
}

PProcess* Particle::SlotProcess(int i) const {
  const unsigned char slot = m_Slots[i];
  unsigned char* at = const_cast<unsigned char*>(m_Inline) + SlotOffset(slot);
  if (SlotKind(slot) == PProcess::kOther) return *InlineAt<PProcess*>(at);
  return InlineAt<PProcess>(at);
}

bool Particle::RunProcesses(float dt) {
  bool alive = true;
  // Every process runs, also after one voted for the end: a dying particle still moves
  // on its last step. The built-in kinds are final, so these calls are direct (and
  // inlined); they do exactly what the virtual call would.
  for (int i = 0; i < m_ProcessCount; ++i) {
    const unsigned char slot = m_Slots[i];
    unsigned char* at = m_Inline + SlotOffset(slot);
    bool vote;
    switch (SlotKind(slot)) {
      case PProcess::kLifeConst: vote = InlineAt<PLifeConst>(at)->Process(dt, *this); break;
      case PProcess::kAgeConst: vote = InlineAt<PAgeConst>(at)->Process(dt, *this); break;
      case PProcess::kFade: vote = InlineAt<PFade>(at)->Process(dt, *this); break;
      case PProcess::kSteady: vote = InlineAt<PSteady>(at)->Process(dt, *this); break;
      case PProcess::kTwinkle: vote = InlineAt<PTwinkle>(at)->Process(dt, *this); break;
      case PProcess::kKinetic: vote = InlineAt<PKinetic>(at)->Process(dt, *this); break;
      case PProcess::kSpin: vote = InlineAt<PSpin>(at)->Process(dt, *this); break;
      case PProcess::kBrownian: vote = InlineAt<PBrownian>(at)->Process(dt, *this); break;
      default: vote = (*InlineAt<PProcess*>(at))->Process(dt, *this); break;
    }
    alive = vote && alive;
  }
  return alive;
}

void Particle::ClearProcesses() {
  for (int i = 0; i < m_ProcessCount; ++i) {
    const unsigned char slot = m_Slots[i];
    unsigned char* at = m_Inline + SlotOffset(slot);
    if (SlotKind(slot) == PProcess::kOther) delete *InlineAt<PProcess*>(at);
    else InlineAt<PProcess>(at)->~PProcess();
  }
  m_ProcessCount = 0;
  m_InlineUsed = 0;
}

void Particle::AddProcess(PProcess* process) {
  if (!process) return;
  if (m_ProcessCount >= kMaxProcesses) {
    delete process;
    return;
  }
  if (AppendInline(*process)) delete process;
  else AppendPooled(process);
}

void Particle::AppendCopyOf(const PProcess& process) {
  if (m_ProcessCount >= kMaxProcesses) return;
  if (!AppendInline(process)) AppendPooled(process.Clone());
}

bool Particle::AppendInline(const PProcess& process) {
  const unsigned kind = process.KindOf();
  const unsigned units = (InlineSize(kind) + kInlineUnit - 1) / kInlineUnit;
  if (units == 0 || (m_InlineUsed + units) * kInlineUnit > kInlineBytes) return false;
  CopyInline(kind, process, m_Inline + m_InlineUsed * kInlineUnit);
  m_Slots[m_ProcessCount++] = MakeSlot(kind, m_InlineUsed);
  m_InlineUsed = static_cast<unsigned char>(m_InlineUsed + units);
  return true;
}

void Particle::AppendPooled(PProcess* process) {
  constexpr unsigned units = sizeof(PProcess*) / kInlineUnit;
  // A full arena gives its processes over to the pool, so that every slot has room for a
  // pointer (the arena holds kMaxProcesses of them).
  if ((m_InlineUsed + units) * kInlineUnit > kInlineBytes) MoveInlineToPool();
  new (m_Inline + m_InlineUsed * kInlineUnit) PProcess*(process);
  m_Slots[m_ProcessCount++] = MakeSlot(PProcess::kOther, m_InlineUsed);
  m_InlineUsed = static_cast<unsigned char>(m_InlineUsed + units);
}

void Particle::MoveInlineToPool() {
  PProcess* processes[kMaxProcesses];
  const int count = m_ProcessCount;
  for (int i = 0; i < count; ++i) {
    const unsigned char slot = m_Slots[i];
    unsigned char* at = m_Inline + SlotOffset(slot);
    if (SlotKind(slot) == PProcess::kOther) {
      processes[i] = *InlineAt<PProcess*>(at);
    } else {
      PProcess* inlined = InlineAt<PProcess>(at);
      processes[i] = inlined->Clone();
      inlined->~PProcess();
    }
  }
  m_ProcessCount = 0;
  m_InlineUsed = 0;
  for (int i = 0; i < count; ++i) {
    new (m_Inline + i * sizeof(PProcess*)) PProcess*(processes[i]);
    m_Slots[m_ProcessCount++] = MakeSlot(PProcess::kOther, unsigned(i * sizeof(PProcess*) / kInlineUnit));
  }
  m_InlineUsed = static_cast<unsigned char>(count * sizeof(PProcess*) / kInlineUnit);
}

// =======================================================================================
// Processes

bool PLifeConst::Process(float dt, Particle& p) {
  p.channels[Particle::kLife] += rate * dt;
  return p.channels[Particle::kLife] < 1.0f;
}

bool PAgeConst::Process(float dt, Particle& p) {
  p.channels[Particle::kAge] += dt;
  return p.channels[Particle::kAge] < maxAge;
}

bool PFade::Process(float, Particle& p) {
  if (remaining == 0.0f) return true;
  const float age = p.channels[Particle::kAge];
  if (startAge > age) return true;
  float* value = ParticleChannel(p, channel);
  // Past the end the whole remaining change is added, so a window of no length (end at
  // or before start) never divides.
  if (age >= endAge) {
    if (value) *value += remaining;
    remaining = 0.0f;
    return true;
  }
  const float step = remaining * (age - startAge) / (endAge - startAge);
  if (value) *value += step;
  remaining -= step;
  startAge = age;
  return true;
}

bool PSteady::Process(float dt, Particle& p) {
  const float life = p.channels[Particle::kLife];
  if (lifeFrom < life && life < lifeTo) {
    if (float* value = ParticleChannel(p, channel)) *value += rate * dt;
  }
  return true;
}

bool PTwinkle::Process(float dt, Particle& p) {
  timer += dt;
  if (timer > period) {
    float* value = ParticleChannel(p, channel);
    // Stored documents rely on this order of draws.
    if (std::rand() % 3 == 0) {
      const float flash = base * RandomFloat(1.0f, 1.5f);
      if (value) *value = flash;
      period = 0.2f;
    } else {
      if (value) *value = base;
      period = RandomFloat(0.2f, 2.5f);
    }
    timer = 0.0f;
  }
  return true;
}

bool PKinetic::Process(float dt, Particle& p) {
  const float half = dt * dt * 0.5f;
  p.position.x += velocity.x * dt + acceleration.x * half;
  p.position.y += velocity.y * dt + acceleration.y * half;
  p.position.z += velocity.z * dt + acceleration.z * half;
  velocity.x += acceleration.x * dt;
  velocity.y += acceleration.y * dt;
  velocity.z += acceleration.z * dt;
  return true;
}

bool PSpin::Process(float dt, Particle& p) {
  p.channels[Particle::kAngle] += rate * dt;
  return true;
}

namespace {

float UnitDraw() { return float(std::rand()) / 32767.0f; }

}  // namespace

PBrownian::PBrownian(const BrownianSettings* settings) : settings(settings) {
  // Stored documents rely on this order of draws: y, x, then the retarget time.
  velocity.y = UnitDraw() * 200.0f - 100.0f;
  velocity.x = UnitDraw() * 200.0f - 100.0f;
  velocity.z = 0.0f;
  retargetTimeLeft = 1.0f + UnitDraw() * 4.0f;
  inside = 1;
}

void PBrownian::SetTarget(const D3DXVECTOR3& target) {
  const float steer = settings ? settings->steerTime : 0.0f;
  // A steering time of zero would divide by zero (and a negative one steer away): the
  // target velocity is taken at once instead.
  if (!(steer > 0.0f) || !std::isfinite(steer)) {
    velocity = target;
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    accelerationTimeLeft = 0.0f;
    return;
  }
  acceleration = (target - velocity) / steer;
  accelerationTimeLeft = steer;
}

bool PBrownian::Process(float dt, Particle& p) {
  if (!settings) return true;
  const BrownianSettings& s = *settings;
  const bool within = s.x0 <= p.position.x && p.position.x <= s.x1 && s.y0 <= p.position.y && p.position.y <= s.y1;
  if (!within) {
    const bool still = acceleration.x == 0.0f && acceleration.y == 0.0f && acceleration.z == 0.0f;
    if (inside || still) {
      const D3DXVECTOR3 centre((s.x0 + s.x1) * 0.5f, (s.y0 + s.y1) * 0.5f, 0.0f);
      D3DXVECTOR3 toCentre = centre - p.position;
      const float length =
          std::sqrt(toCentre.x * toCentre.x + toCentre.y * toCentre.y + toCentre.z * toCentre.z);
      // A particle exactly at the centre of a rectangle it is outside of (an inverted
      // rectangle) has no direction to go: it stops.
      toCentre = length > 0.0f ? toCentre * (100.0f / length) : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
      SetTarget(toCentre);
    }
    inside = 0;
  } else {
    inside = 1;
  }

  retargetTimeLeft -= dt;
  if (retargetTimeLeft < 0.0f) {
    retargetTimeLeft = s.retargetPeriod * (0.5f + UnitDraw());
    if (inside) {
      const float x = RandomFloat(-100.0f, 100.0f);
      const float y = RandomFloat(-100.0f, 100.0f);
      SetTarget(D3DXVECTOR3(x, y, 0.0f));
    }
  }

  accelerationTimeLeft -= dt;
  if (accelerationTimeLeft < 0.0f) {
    acceleration = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    accelerationTimeLeft = 0.0f;
  }

  const float half = dt * dt * 0.5f;
  p.position += s.speed * (velocity * dt + acceleration * half);
  velocity += acceleration * dt;
  return true;
}

void RepointBrownian(ParticleList& particles, const BrownianSettings* from, const BrownianSettings* to) {
  for (Particle& particle : particles) {
    for (int i = 0; i < particle.ProcessCount(); ++i) {
      auto* brownian = dynamic_cast<PBrownian*>(particle.ProcessAt(i));
      if (brownian && brownian->settings == from) brownian->settings = to;
    }
  }
}
