#include "objects/particles/Particle.h"

#include "core/params/CompositeParams.h"

#include <cmath>
#include <cstdlib>

// =======================================================================================
// BlockPool

namespace {

constexpr size_t kBlockGranule = 16;
constexpr size_t kSizeClasses = BlockPool::kMaxBlockBytes / kBlockGranule;
// Each chunk a class takes from the heap holds this many bytes of its blocks.
constexpr size_t kChunkBytes = 16 * 1024;

struct FreeBlock {
  FreeBlock* next;
};

struct PoolState {
  FreeBlock* freeLists[kSizeClasses] = {};
  size_t chunks = 0;
};

// Built on first use, so static constructors that make particles find it ready; never
// destroyed, so static destructors that free particles find it still there.
PoolState& Pools() {
  static PoolState* state = new PoolState();
  return *state;
}

size_t SizeClass(size_t bytes) { return bytes == 0 ? 0 : (bytes - 1) / kBlockGranule; }

void Refill(PoolState& pools, size_t sizeClass) {
  const size_t blockBytes = (sizeClass + 1) * kBlockGranule;
  const size_t blocks = kChunkBytes / blockBytes;
  auto* chunk = static_cast<unsigned char*>(::operator new(blocks * blockBytes));
  ++pools.chunks;
  // Threaded back to front, so that blocks are handed out in address order.
  for (size_t i = blocks; i-- > 0;) {
    auto* block = reinterpret_cast<FreeBlock*>(chunk + i * blockBytes);
    block->next = pools.freeLists[sizeClass];
    pools.freeLists[sizeClass] = block;
  }
}

}  // namespace

void* BlockPool::Allocate(size_t bytes) {
  if (bytes > kMaxBlockBytes) return ::operator new(bytes);
  PoolState& pools = Pools();
  const size_t sizeClass = SizeClass(bytes);
  if (!pools.freeLists[sizeClass]) Refill(pools, sizeClass);
  FreeBlock* block = pools.freeLists[sizeClass];
  pools.freeLists[sizeClass] = block->next;
  return block;
}

void BlockPool::Free(void* block, size_t bytes) noexcept {
  if (!block) return;
  if (bytes > kMaxBlockBytes) {
    ::operator delete(block);
    return;
  }
  PoolState& pools = Pools();
  const size_t sizeClass = SizeClass(bytes);
  auto* freed = static_cast<FreeBlock*>(block);
  freed->next = pools.freeLists[sizeClass];
  pools.freeLists[sizeClass] = freed;
}

size_t BlockPool::ChunkCount() { return Pools().chunks; }

// =======================================================================================
// Particle

Particle::Particle(const Particle& other)
    : position(other.position), previous(other.previous) {
  for (int i = 0; i < kChannels; ++i) channels[i] = other.channels[i];
  for (int i = 0; i < other.m_ProcessCount; ++i) AddProcess(other.m_Processes[i]->Clone());
}

Particle& Particle::operator=(const Particle& other) {
  if (this == &other) return *this;
  ClearProcesses();
  position = other.position;
  previous = other.previous;
  for (int i = 0; i < kChannels; ++i) channels[i] = other.channels[i];
  for (int i = 0; i < other.m_ProcessCount; ++i) AddProcess(other.m_Processes[i]->Clone());
  return *this;
}

bool Particle::RunProcesses(float dt) {
  bool alive = true;
  // Every process runs, also after one voted for the end: a dying particle still moves
  // on its last step.
  for (int i = 0; i < m_ProcessCount; ++i) alive = m_Processes[i]->Process(dt, *this) && alive;
  return alive;
}

void Particle::ClearProcesses() {
  for (int i = 0; i < m_ProcessCount; ++i) {
    delete m_Processes[i];
    m_Processes[i] = nullptr;
  }
  m_ProcessCount = 0;
}

void Particle::AddProcess(PProcess* process) {
  if (!process) return;
  if (m_ProcessCount >= kMaxProcesses) {
    delete process;
    return;
  }
  m_Processes[m_ProcessCount++] = process;
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
