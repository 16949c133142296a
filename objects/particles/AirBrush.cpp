#include "objects/particles/AirBrush.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "layers/RecordHead.h"

#include <algorithm>

DS_REGISTER_OBJECT_READER(DS_CustomAirBrush);

namespace {

// Entries a painted particle's record may name: from version 3 an entry carries channel k
// and channel k + 5, so five fill all ten channels; version 2 entries carry one channel.
constexpr int kEntriesV3 = Particle::kChannels / 2;
constexpr int kEntriesV2 = Particle::kChannels;
constexpr size_t kPositionBytes = 3 * 4;

// Reads and drops `floats` floats, failing the archive at once when it has fewer bytes
// left, so that a hostile entry count costs no long loop.
bool SkipFloats(DS_IOF_Virtual& archive, unsigned long long floats) {
  if (floats > archive.RemainingBytes() / 4) {
    archive.MarkFailed();
    return false;
  }
  float ignored = 0.0f;
  for (unsigned long long i = 0; i < floats && !archive.Failed(); ++i) archive.ReadFloat(ignored);
  return !archive.Failed();
}

}  // namespace

// =======================================================================================
// DS_AirBrush

DS_AirBrush::DS_AirBrush(const DS_AirBrush& other)
    : DS_TexParticleGenerator(other), m_BrushSize(other.m_BrushSize), m_Aspect(other.m_Aspect),
      m_Painted(other.m_Painted) {}

void DS_AirBrush::Render(DS_ABRender& context, DS_ParticlesObj&) { DrawSingleBatch(context, FrameTexture(0)); }

void DS_AirBrush::InitRuntime(DS_ParticlesObj& runtime) {
  DS_TexParticleGenerator::InitRuntime(runtime);
  runtime.SetBatchCount(1);
  // With an effect the batch is drawn through the mask, which needs its target.
  if (m_Effect) AcquireRenderTarget();
}

void DS_AirBrush::AddParticleAt(const D3DXVECTOR3& point, float, float, float, float) {
  if (!HasRoom()) return;
  m_Painted.emplace_back(point);
  FillSprites();
}

void DS_AirBrush::FillSprites() {
  if (!m_Runtime) return;
  DS_ParticlesObj& runtime = *m_Runtime;
  const size_t n = std::min(m_Painted.size(), kMaxParticlesPerList);
  runtime.ReserveQuads(0, n);
  if (!runtime.LockBatch(0)) return;
  const float width = float(m_BrushSize.Get());
  const float height = m_Aspect * width;
  size_t slot = 0;
  for (const Particle& p : m_Painted) {
    if (slot == n) break;
    BuildRotatedParticleSprite(runtime, m_Color1, p, slot++, width, height, 1.0f);
  }
  runtime.UnlockBatch(0);
}

bool DS_AirBrush::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

bool DS_AirBrush::ReadPainted(DS_IOF_Virtual& archive, unsigned version, Particle& p) {
  ReadVector3(archive, p.position);
  if (version <= 1) return !archive.Failed();
  int n = 0;
  archive.ReadInt(n);
  if (archive.Failed()) return false;
  // A count of no entries (or a negative one) leaves every channel at its default.
  const int stored = std::max(n, 0);
  const bool paired = version > 2;
  const int used = std::min(stored, paired ? kEntriesV3 : kEntriesV2);
  for (int k = 0; k < used; ++k) {
    archive.ReadFloat(p.channels[k]);
    if (paired) archive.ReadFloat(p.channels[k + kEntriesV3]);
  }
  // Entries beyond the ten channels name nothing: their floats are passed over.
  const unsigned long long surplus = (unsigned long long)(stored - used) * (paired ? 2u : 1u);
  if (surplus != 0 && !SkipFloats(archive, surplus)) return false;
  if (version == 2) p.channels[9] = 0.0f;
  return !archive.Failed();
}

void DS_AirBrush::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  int size = int(m_BrushSize.Get());
  archive.ReadInt(size);
  m_BrushSize.Store(unsigned(size));

  unsigned count = 0;
  const size_t minBytes = kPositionBytes + (version > 1 ? 4 : 0);
  if (ReadListCount(archive, count, minBytes)) {
    Particle surplus;
    for (unsigned i = 0; i < count && !archive.Failed(); ++i) {
      // Particles beyond what a batch can draw are read past and dropped.
      if (!HasRoom()) {
        if (!ReadPainted(archive, version, surplus)) break;
        continue;
      }
      // A painted particle keeps (0, 0, 0) as its previous position.
      m_Painted.emplace_back();
      if (!ReadPainted(archive, version, m_Painted.back())) break;
    }
  }
  DS_TexParticleGenerator::ReadPart(archive);
}

void DS_AirBrush::WritePart(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_AirBrush", kVersion);
  archive.WriteInt(int(m_BrushSize.Get()));
  archive.WriteUInt(unsigned(m_Painted.size()));
  for (const Particle& p : m_Painted) {
    WriteVector3(archive, p.position);
    archive.WriteInt(kEntriesV3);
    for (int k = 0; k < kEntriesV3; ++k) {
      archive.WriteFloat(p.channels[k]);
      archive.WriteFloat(p.channels[k + kEntriesV3]);
    }
  }
  DS_TexParticleGenerator::WritePart(archive);
}

// =======================================================================================
// DS_CustomAirBrush

void DS_CustomAirBrush::Render(DS_ABRender& context, DS_ParticlesObj&) {
  DrawSingleBatch(context, m_PictureFrames.CurrentTexture());
}

void DS_CustomAirBrush::UpdateFrame(float time, DS_ParticlesObj&) {
  m_PictureClock.Advance(time);
  m_PictureFrames.AdvanceFrame(m_PictureClock.Time());
}

void DS_CustomAirBrush::InitRuntime(DS_ParticlesObj& runtime) {
  DS_AirBrush::InitRuntime(runtime);
  if (g_DocResManager) {
    m_PictureFrames = m_Picture.GetTextureSet(*g_DocResManager);
    m_Aspect = m_PictureFrames.aspect;
  }
  FillSprites();
}

void DS_CustomAirBrush::Write(DS_IOF_Virtual& archive) {
  WriteRecordHead(archive, L"DS_CustomAirBrush", kVersion);
  WriteFileLink(archive, m_Picture);
  archive.WriteInt(int(m_PictureClock.Get()));
  DS_AirBrush::WritePart(archive);
}

void DS_CustomAirBrush::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadFileLink(archive, m_Picture);
  int clock = int(m_PictureClock.Get());
  archive.ReadInt(clock);
  m_PictureClock.Set(unsigned(clock));
  DS_AirBrush::ReadPart(archive);
}
