#include "objects/sprites/DischargeBolt.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "core/params/CompositeParams.h"
#include "core/params/StoredParams.h"
#include "core/render/QuadList.h"
#include "objects/sprites/SpriteGeometry.h"

#include <cmath>
#include <cstdlib>
#include <string>

DS_REGISTER_OBJECT_READER(DS_DischargeFXConstructor);

namespace {

// A bolt whose start is its end has nothing to normalise: its segments get zero vectors
// instead of a division by zero.
D3DXVECTOR3 NormalizedOrZero(const D3DXVECTOR3& v) {
  const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(length > 0.0f) || !std::isfinite(length)) return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  return D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
}

bool IsFinite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

D3DXVECTOR3 Lerp(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float t) {
  return D3DXVECTOR3(a.x + t * (b.x - a.x), a.y + t * (b.y - a.y), a.z + t * (b.z - a.z));
}

}  // namespace

DS_DischargeFXConstructor::DS_DischargeFXConstructor() {
  m_EffectLink.StoreKey(kResourceModuleName, kGlowEffect);
  m_SpriteSize.StoreWithSnapshot(50u);
  m_BlendMode.StoreWithSnapshot(1);  // the glow is screened over the picture
  m_Color.StoreWithSnapshot(0xFFFFCCul);
  m_GlowColor.StoreWithSnapshot(0xFF9900ul);
}

DS_DischargeFXConstructor::DS_DischargeFXConstructor(const DS_DischargeFXConstructor& other)
    : DS_GlowEffectCtrl(other), m_Start(other.m_Start), m_End(other.m_End), m_Deviation(other.m_Deviation),
      m_TextureKind(other.m_TextureKind), m_Flicker(other.m_Flicker), m_GlideSpeed(other.m_GlideSpeed),
      m_OldPath(other.m_OldPath), m_NewPath(other.m_NewPath), m_SegmentIndex(other.m_SegmentIndex),
      m_LastRebuild(other.m_LastRebuild) {}

void DS_DischargeFXConstructor::Reset() {
  DS_GlowEffectCtrl::Reset();
  // The object time starts again at 0; a rebuild time left from before would hold the
  // path still (and glide it backwards) until the clock caught up with it.
  m_LastRebuild = 0.0f;
  m_SegmentIndex = 0;
}

void DS_DischargeFXConstructor::LoadResources() {
  DS_FXParticleSystemCtrl::LoadResources();
  SetDefaultImages();
  // Descriptions read from a document are placed already; a new one spans its area.
  if (!m_Flag) {
    m_Start.Store(D3DXVECTOR3(100.0f, 100.0f, 0.0f));
    m_End.Store(D3DXVECTOR3(RightPixels() - 100.0f, BottomPixels() - 100.0f, 0.0f));
    m_Flag = true;
  }
}

void DS_DischargeFXConstructor::SetDefaultImages() {
  // The texture kind chooses the segment picture whatever image the document names.
  m_SpriteImage.StoreKey(kResourceModuleName, m_TextureKind.Get() ? kJaggedSegmentImage : kSmoothSegmentImage);
  if (!g_DocResManager) {
    m_GlowTexture.Reset();
    m_SpriteTexture.Reset();
    return;
  }
  m_SpriteTexture.Assign(m_SpriteImage.GetTextureSet(*g_DocResManager).CurrentTexture());
  // Without a glow picture the segments glow by themselves: an unbound texture reads as
  // opaque black, which the normal blend would lay over the picture as a dark band.
  IDirect3DTexture9* glow = m_SecondImage.GetTextureSet(*g_DocResManager).CurrentTexture();
  m_GlowTexture.Assign(glow ? glow : m_SpriteTexture.Get());
}

unsigned DS_DischargeFXConstructor::SegmentCount() const {
  const unsigned count = m_SpriteCount.Get();
  return count > kMaxBoltSegments ? kMaxBoltSegments : count;
}

bool DS_DischargeFXConstructor::HasGeometryToDraw() const {
  const D3DXVECTOR3& s = m_Start.Get();
  const D3DXVECTOR3& e = m_End.Get();
  return IsFinite(s) && IsFinite(e) && !(s.x == e.x && s.y == e.y && s.z == e.z);
}

void DS_DischargeFXConstructor::PreUpdate() {
  m_SegmentIndex = 0;
  const float now = AccumulatedTime();
  if (now - m_LastRebuild > kRebuildInterval) {
    m_LastRebuild = now;
    // Both paths always have the same size: the copy reuses the old path's storage.
    m_OldPath = m_NewPath;
    BuildPath(m_NewPath);
  }
}

void DS_DischargeFXConstructor::InitSprite(DS_SpriteState&) {
  const unsigned n = SegmentCount();
  m_OldPath.resize(n);
  m_NewPath.resize(n);
  BuildPath(m_OldPath);
  BuildPath(m_NewPath);
}

void DS_DischargeFXConstructor::BuildPath(std::vector<DS_BoltSegment>& path) {
  if (path.empty()) return;
  const unsigned n = SegmentCount();
  const D3DXVECTOR3 start = m_Start.Get();
  const D3DXVECTOR3 end = m_End.Get();
  const float deviation = m_Deviation.Derived();
  const D3DXVECTOR3 line = end - start;
  // Every segment shares the normal of the straight line from start to end.
  const D3DXVECTOR3 normal = NormalizedOrZero(D3DXVECTOR3(line.y, -line.x, 0.0f));
  D3DXVECTOR3 cur = start;
  for (size_t g = 0; g < path.size(); ++g) {
    const D3DXVECTOR3 toEnd = end - cur;
    const float length = std::sqrt(toEnd.x * toEnd.x + toEnd.y * toEnd.y + toEnd.z * toEnd.z);
    // The remaining segments, as unsigned: a path longer than the count (the count fell)
    // gets vanishing steps past it, and the one segment at the count none at all.
    const unsigned remaining = n - unsigned(g);
    const float step = remaining ? length / float(remaining) : 0.0f;
    D3DXVECTOR3 heading = toEnd;
    // The last segment is not bent, so the bolt ends at the end point.
    if (g + 1 != n) {
      const float o1 = RandomFloat(-deviation, deviation);
      const float o2 = RandomFloat(-deviation, deviation);
      heading = D3DXVECTOR3(toEnd.x + o1 * toEnd.y, toEnd.y + o2 * toEnd.x, 2.0f * toEnd.z);
    }
    DS_BoltSegment& segment = path[g];
    segment.direction = NormalizedOrZero(heading);
    segment.normal = normal;
    const D3DXVECTOR3 next = cur + step * segment.direction;
    segment.midpoint = (cur + next) * 0.5f;
    segment.length = step;
    cur = next;
  }
}

DS_BoltSegment DS_DischargeFXConstructor::InterpolateSegment(size_t i, float t) const {
  const DS_BoltSegment& a = m_OldPath[i];
  const DS_BoltSegment& b = m_NewPath[i];
  DS_BoltSegment s;
  s.midpoint = Lerp(a.midpoint, b.midpoint, t);
  s.direction = Lerp(a.direction, b.direction, t);
  s.normal = Lerp(a.normal, b.normal, t);
  s.length = a.length + t * (b.length - a.length);
  return s;
}

void DS_DischargeFXConstructor::UpdateSprite(DS_SpriteState& s) {
  const size_t i = size_t(m_SegmentIndex);
  ++m_SegmentIndex;
  // A record without a segment (more records than the paths hold) keeps what it has; it
  // is beyond the drawn count.
  if (i >= m_OldPath.size() || i >= m_NewPath.size()) return;

  const float t = (AccumulatedTime() - m_LastRebuild) * m_GlideSpeed.Derived();
  const DS_BoltSegment seg = InterpolateSegment(i, t);
  s.rightAxis = seg.direction;
  s.halfWidth = seg.length * 0.5f;
  s.upAxis = seg.normal;
  s.halfHeight = float(m_SpriteSize.Get()) * 0.5f;
  s.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  s.position = seg.midpoint;

  // Each segment shows the lower or the upper half of the texture, upright or flipped.
  const float now = LastTime();
  if (m_Flicker.Derived() < now - s.timer) {
    s.timer = now;
    if (std::rand() % 2 == 0) {
      s.vRange[0] = 0.5f;
      s.vRange[1] = 1.0f;
    } else {
      s.vRange[0] = 0.0f;
      s.vRange[1] = 0.5f;
    }
    if (std::rand() % 2 != 0) std::swap(s.vRange[0], s.vRange[1]);
  }

  // Inner segments use the middle of the texture; the first and last keep its caps.
  const unsigned count = SegmentCount();
  s.uRange[0] = i == 0 ? 0.0f : 0.195f;
  s.uRange[1] = i + 1 == count ? 1.0f : 0.805f;
  SpriteColor(s);
}

void DS_DischargeFXConstructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadStoredVector(archive, m_Start);
  ReadStoredVector(archive, m_End);
  int deviation = int(m_Deviation.Get());
  archive.ReadInt(deviation);
  long kind = m_TextureKind.Get();
  archive.ReadLong(kind);
  int flicker = int(m_Flicker.Get());
  archive.ReadInt(flicker);
  int speed = int(m_GlideSpeed.Get());
  archive.ReadInt(speed);
  // Through the setters, so the derived values follow.
  m_Deviation.Set(unsigned(deviation));
  m_TextureKind.Store(int(kind));
  m_Flicker.Set(unsigned(flicker));
  m_GlideSpeed.Set(unsigned(speed));
  DS_GlowEffectCtrl::ReadPart(archive);
  // Every new segment rebuilds both whole paths (the order of rand draws depends on it), so
  // making a bolt costs the square of its segments: a count from the document is held to
  // what starts in a moment.
  if (m_SpriteCount.Get() > kMaxBoltSegments) m_SpriteCount.Store(kMaxBoltSegments);
}

void DS_DischargeFXConstructor::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_DischargeFXConstructor");
  archive.WriteUInt(kVersion);
  WriteStoredVector(archive, m_Start);
  WriteStoredVector(archive, m_End);
  archive.WriteInt(int(m_Deviation.Get()));
  archive.WriteLong(long(m_TextureKind.Get()));
  archive.WriteInt(int(m_Flicker.Get()));
  archive.WriteInt(int(m_GlideSpeed.Get()));
  DS_GlowEffectCtrl::WritePart(archive);
}
