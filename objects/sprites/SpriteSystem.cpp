#include "objects/sprites/SpriteSystem.h"

#include "core/document/DocResManager.h"
#include "core/params/Numeric.h"
#include "core/params/StoredParams.h"
#include "core/render/StageView.h"
#include "layers/RecordHead.h"
#include "objects/sprites/SpriteGeometry.h"
#include "objects/sprites/SpriteObjects.h"
#include "platform/effect/Effect.h"

#include <cmath>

namespace {

// The smallest stored DS_ResourceRecord: id, empty module name, size 0, empty name.
constexpr size_t kMinResourceRecordBytes = 4 + kMinStringBytes + 4 + kMinStringBytes;

}  // namespace

// =======================================================================================
// DS_BaseSpriteProp

DS_BaseSpriteProp::DS_BaseSpriteProp() = default;

DS_BaseSpriteProp::DS_BaseSpriteProp(const DS_BaseSpriteProp& other)
    : DS_ViewObjCtrl(other), m_SpriteCount(other.m_SpriteCount), m_SpriteSize(other.m_SpriteSize),
      m_Transparency(other.m_Transparency), m_BlendMode(other.m_BlendMode), m_Color(other.m_Color),
      m_PhaseSpeed(other.m_PhaseSpeed), m_PhaseMin(other.m_PhaseMin), m_PhaseMax(other.m_PhaseMax),
      m_SizeFactorMin(other.m_SizeFactorMin), m_SizeFactorMax(other.m_SizeFactorMax),
      m_SpriteImage(other.m_SpriteImage), m_SecondImage(other.m_SecondImage),
      m_ReservedCount(other.m_ReservedCount), m_ReservedValue(other.m_ReservedValue),
      m_FrameCount(other.m_FrameCount), m_FrameRate(other.m_FrameRate), m_Strip(other.m_Strip),
      m_ImageKind(other.m_ImageKind), m_FlipVertical(other.m_FlipVertical),
      m_FlipHorizontal(other.m_FlipHorizontal), m_RefreshOnFrame(other.m_RefreshOnFrame),
      m_LegacyFrameDelays(other.m_LegacyFrameDelays), m_LegacyFrames(other.m_LegacyFrames),
      m_LegacySecondImage(other.m_LegacySecondImage), m_AnimationSpeed(other.m_AnimationSpeed) {}

DS_BaseSpriteProp::~DS_BaseSpriteProp() = default;

DS_PreviewImage DS_BaseSpriteProp::GetPreviewImage() {
  DS_PreviewImage preview;
  preview.imageLink = &m_SpriteImage;
  preview.imageKind = m_ImageKind;
  preview.reserved = 0;
  preview.frameFraction = 1.0f / float(UsableFrameCount(m_FrameCount));
  return preview;
}

unsigned DS_BaseSpriteProp::NextFrame(unsigned index) { return (index + 1) % UsableFrameCount(m_FrameCount); }

unsigned DS_BaseSpriteProp::GetSpriteCount() { return m_SpriteCount.Get(); }

void DS_BaseSpriteProp::UpdateSprites(DS_SpriteState* sprites, size_t count) {
  for (size_t i = 0; i < count; ++i) UpdateSprite(sprites[i]);
}

void DS_BaseSpriteProp::BeginVertexFill() {
  m_FillAlpha = TimeLine().GetAlpha();
  m_FillAlphaHeld = true;
}

D3DCOLOR DS_BaseSpriteProp::ApplyTimeLineAlpha(D3DCOLOR color) {
  const float alpha = m_FillAlphaHeld ? m_FillAlpha : TimeLine().GetAlpha();
  const unsigned char a = SaturateToByte(float(color >> 24) * alpha);
  return (D3DCOLOR(a) << 24) | (color & 0x00FFFFFFu);
}

float DS_BaseSpriteProp::SpriteAspect() const {
  float aspect = 1.0f;
  if (g_DocResManager) {
    const float setAspect = m_SpriteImage.GetTextureSet(*g_DocResManager).aspect;
    if (std::isfinite(setAspect) && setAspect > 0.0f) aspect = setAspect;
  }
  if (m_Strip) aspect *= float(UsableFrameCount(m_FrameCount));
  return aspect;
}

bool DS_BaseSpriteProp::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_BaseSpriteProp::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  DS_ViewObjCtrl::ReadPart(archive);
  ReadStoredInt(archive, m_SpriteCount);
  // Older records kept the object's speed here.
  if (version < 3) ReadStoredInt(archive, m_Speed);
  ReadStoredInt(archive, m_SpriteSize);
  {
    int transparency = int(m_Transparency.Get());
    archive.ReadInt(transparency);
    // Through the setter, so the alpha byte follows.
    m_Transparency.Set(unsigned(transparency));
  }
  {
    long blend = m_BlendMode.Get();
    archive.ReadLong(blend);
    m_BlendMode.Store(int(blend));
  }
  {
    unsigned colour = unsigned(m_Color.Get());
    archive.ReadUInt(colour);
    m_Color.Store(colour);
  }
  archive.ReadFloat(m_PhaseSpeed);
  archive.ReadFloat(m_PhaseMin);
  archive.ReadFloat(m_PhaseMax);
  archive.ReadFloat(m_SizeFactorMin);
  archive.ReadFloat(m_SizeFactorMax);
  if (version == 1) {
    unsigned frames = 0;
    if (ReadListCount(archive, frames, kMinResourceRecordBytes)) {
      for (unsigned i = 0; i < frames && !archive.Failed(); ++i) {
        DS_ResourceRecord record;
        archive.ReadResourceRecord(record);
        if (archive.Failed()) break;
        m_LegacyFrames.push_back(record);
      }
    }
    archive.ReadResourceRecord(m_LegacySecondImage);
  } else {
    ReadFileLink(archive, m_SpriteImage);
    ReadFileLink(archive, m_SecondImage);
  }
  {
    int reserved = int(m_ReservedCount);
    archive.ReadInt(reserved);
    m_ReservedCount = unsigned(reserved);
  }
  archive.ReadFloat(m_ReservedValue);
  {
    int frames = int(m_FrameCount);
    archive.ReadInt(frames);
    m_FrameCount = unsigned(frames);
  }
  archive.ReadFloat(m_FrameRate);
  {
    unsigned char strip = m_Strip ? 1 : 0;
    archive.ReadByte(strip);
    m_Strip = strip != 0;
  }
  if (version == 1) {
    unsigned delays = 0;
    if (ReadListCount(archive, delays, 4)) {
      for (unsigned i = 0; i < delays; ++i) {
        float delay = 0.0f;
        archive.ReadFloat(delay);
        if (archive.Failed()) break;
        m_LegacyFrameDelays.push_back(delay);
      }
    }
    return;
  }
  if (version > 3) {
    long kind = m_ImageKind;
    archive.ReadLong(kind);
    m_ImageKind = int(kind);
  }
  if (version > 4) {
    long flipV = m_FlipVertical.Get();
    long flipH = m_FlipHorizontal.Get();
    archive.ReadLong(flipV);
    archive.ReadLong(flipH);
    m_FlipVertical.Store(int(flipV));
    m_FlipHorizontal.Store(int(flipH));
  }
  if (version > 5) {
    long refresh = m_RefreshOnFrame.Get();
    archive.ReadLong(refresh);
    m_RefreshOnFrame.Store(int(refresh));
  }
  if (version > 6) {
    int speed = int(m_AnimationSpeed.Get());
    archive.ReadInt(speed);
    // Through the setter, so the clock's factor follows.
    m_AnimationSpeed.Set(unsigned(speed));
  }
}

void DS_BaseSpriteProp::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_BaseSpriteProp");
  archive.WriteUInt(kVersion);
  WriteFields(archive);
}

void DS_BaseSpriteProp::WriteFields(DS_IOF_Virtual& archive) {
  DS_ViewObjCtrl::WritePart(archive);
  archive.WriteInt(int(m_SpriteCount.Get()));
  archive.WriteInt(int(m_SpriteSize.Get()));
  archive.WriteInt(int(m_Transparency.Get()));
  archive.WriteLong(long(m_BlendMode.Get()));
  archive.WriteUInt(unsigned(m_Color.Get()));
  archive.WriteFloat(m_PhaseSpeed);
  archive.WriteFloat(m_PhaseMin);
  archive.WriteFloat(m_PhaseMax);
  archive.WriteFloat(m_SizeFactorMin);
  archive.WriteFloat(m_SizeFactorMax);
  WriteFileLink(archive, m_SpriteImage);
  WriteFileLink(archive, m_SecondImage);
  archive.WriteInt(int(m_ReservedCount));
  archive.WriteFloat(m_ReservedValue);
  archive.WriteInt(int(m_FrameCount));
  archive.WriteFloat(m_FrameRate);
  archive.WriteByte(static_cast<unsigned char>(m_Strip ? 1 : 0));
  archive.WriteLong(long(m_ImageKind));
  archive.WriteLong(long(m_FlipVertical.Get()));
  archive.WriteLong(long(m_FlipHorizontal.Get()));
  archive.WriteLong(long(m_RefreshOnFrame.Get()));
  archive.WriteInt(int(m_AnimationSpeed.Get()));
}

void DS_BaseSpriteProp::ConvertLegacyImages() {
  if (!m_SpriteImage.Path().empty()) return;
  // Without the document's store the inline records have nowhere to become links.
  if (!g_DocResManager) return;
  DS_ImageFileLink link;
  g_DocResManager->MakeAnimatedImageLink(m_LegacyFrameDelays, m_LegacyFrames, link);
  m_SpriteImage.StoreKey(link.Path(), link.Stamp());
  if (m_LegacySecondImage.data && m_LegacySecondImage.size) {
    DS_ImageFileLink second;
    g_DocResManager->MakeImageLink(m_LegacySecondImage, second);
    m_SecondImage.StoreKey(second.Path(), second.Stamp());
  }
  m_LegacyFrames.clear();
  m_LegacyFrameDelays.clear();
}

// =======================================================================================
// DS_ParticleSystemCtrl

DS_ABObj* DS_ParticleSystemCtrl::CreateRuntimeObject() {
  ConvertLegacyImages();
  return new DS_SpriteArrayObj(Clone());
}

void DS_ParticleSystemCtrl::AdvancePhase(DS_SpriteState& sprite, bool respawn) {
  sprite.phase += FrameStep() * sprite.phaseVelocity;
  // Reaching a bound exactly does not reverse.
  if (sprite.phase < m_PhaseMin) {
    if (respawn) InitSprite(sprite);
    sprite.phase = m_PhaseMin;
    sprite.phaseVelocity = -sprite.phaseVelocity;
  } else if (sprite.phase > m_PhaseMax) {
    sprite.phase = m_PhaseMax;
    sprite.phaseVelocity = -sprite.phaseVelocity;
  }
}

// =======================================================================================
// DS_FXParticleSystemCtrl

DS_FXParticleSystemCtrl::DS_FXParticleSystemCtrl(const DS_FXParticleSystemCtrl& other)
    : DS_ParticleSystemCtrl(other), m_EffectLink(other.m_EffectLink), m_Effect(other.m_Effect) {}

DS_FXParticleSystemCtrl::~DS_FXParticleSystemCtrl() = default;

void DS_FXParticleSystemCtrl::LoadResources() {
  // GetEffect hands out a reference of the caller's own.
  m_Effect.Attach(g_DocResManager ? g_DocResManager->GetEffect(m_EffectLink.GetKey()) : nullptr);
}

bool DS_FXParticleSystemCtrl::ReadPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  ReadFileLink(archive, m_EffectLink);
  DS_BaseSpriteProp::ReadPart(archive);
  return !archive.Failed();
}

void DS_FXParticleSystemCtrl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_FXParticleSystemCtrl");
  archive.WriteUInt(1u);
  WriteFileLink(archive, m_EffectLink);
  DS_BaseSpriteProp::WritePart(archive);
}

// =======================================================================================
// DS_BaseFXCtrl

bool DS_BaseFXCtrl::ReadPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);
  DS_FXParticleSystemCtrl::ReadPart(archive);
  return !archive.Failed();
}

void DS_BaseFXCtrl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_BaseFXCtrl");
  archive.WriteUInt(1u);
  DS_FXParticleSystemCtrl::WritePart(archive);
}

// =======================================================================================
// DS_StatBaseFXCtrl

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl() {
  m_Centre.StoreWithSnapshot(D3DXVECTOR3(PictureWidth() / 2.0f, PictureHeight() / 2.0f, 0.0f));
}

DS_StatBaseFXCtrl::DS_StatBaseFXCtrl(const DS_StatBaseFXCtrl& other)
    : DS_BaseFXCtrl(other), m_Centre(other.m_Centre), m_Height(other.m_Height), m_Width(other.m_Width) {}

DS_ABObj* DS_StatBaseFXCtrl::CreateRuntimeObject() {
  return new DS_FXObj(static_cast<DS_BaseFXCtrl*>(Clone()));
}

void DS_StatBaseFXCtrl::LoadResources() {
  DS_FXParticleSystemCtrl::LoadResources();
  // Descriptions read from a document are placed already; a new one centres itself.
  if (!m_Flag) {
    m_Centre.Store(D3DXVECTOR3(PictureWidth() / 2.0f, PictureHeight() / 2.0f, 0.0f));
    m_Flag = true;
  }
}

bool DS_StatBaseFXCtrl::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_StatBaseFXCtrl::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  D3DXVECTOR3 centre = m_Centre.Get();
  ReadVector3(archive, centre);
  m_Centre.Store(centre);
  if (version > 1) {
    ReadStoredInt(archive, m_Height);
    ReadStoredInt(archive, m_Width);
  }
  DS_BaseFXCtrl::ReadPart(archive);
}

void DS_StatBaseFXCtrl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_StatBaseFXCtrl");
  archive.WriteUInt(2u);
  WriteVector3(archive, m_Centre.Get());
  archive.WriteInt(int(m_Height.Get()));
  archive.WriteInt(int(m_Width.Get()));
  DS_BaseFXCtrl::WritePart(archive);
}

// =======================================================================================
// DS_GlowEffectCtrl

DS_GlowEffectCtrl::DS_GlowEffectCtrl(const DS_GlowEffectCtrl& other)
    : DS_FXParticleSystemCtrl(other), m_GlowColor(other.m_GlowColor), m_GlowStrength(other.m_GlowStrength),
      m_GlowTexture(other.m_GlowTexture), m_SpriteTexture(other.m_SpriteTexture) {}

DS_GlowEffectCtrl::~DS_GlowEffectCtrl() = default;

DS_ABObj* DS_GlowEffectCtrl::CreateRuntimeObject() {
  ConvertLegacyImages();
  return new DS_GlowingObj(static_cast<DS_GlowEffectCtrl*>(Clone()));
}

void DS_GlowEffectCtrl::LoadResources() {
  DS_FXParticleSystemCtrl::LoadResources();
  if (!g_DocResManager) {
    m_GlowTexture.Reset();
    m_SpriteTexture.Reset();
    return;
  }
  // An empty texture set gives no texture rather than a frame it does not have.
  m_GlowTexture.Assign(m_SecondImage.GetTextureSet(*g_DocResManager).CurrentTexture());
  m_SpriteTexture.Assign(m_SpriteImage.GetTextureSet(*g_DocResManager).CurrentTexture());
}

bool DS_GlowEffectCtrl::ReadPart(DS_IOF_Virtual& archive) {
  ReadFields(archive, ReadKnownRecordHead(archive));
  return !archive.Failed();
}

void DS_GlowEffectCtrl::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  unsigned colour = unsigned(m_GlowColor.Get());
  archive.ReadUInt(colour);
  m_GlowColor.Store(colour);
  int strength = int(m_GlowStrength.Get());
  archive.ReadInt(strength);
  // Through the setter, so the derived strength follows.
  m_GlowStrength.Set(unsigned(strength));
  DS_FXParticleSystemCtrl::ReadPart(archive);
}

void DS_GlowEffectCtrl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_GlowEffectCtrl");
  archive.WriteUInt(1u);
  archive.WriteUInt(unsigned(m_GlowColor.Get()));
  archive.WriteInt(int(m_GlowStrength.Get()));
  DS_FXParticleSystemCtrl::WritePart(archive);
}

// =======================================================================================
// DS_BoundControl

void DS_BoundControl::SetSide(int side) {
  m_Side = side;
  switch (side) {
    case 0:
      m_OutsideTest = &DS_SpriteState::IsOutsideTop;
      m_CrossingTest = &DS_SpriteState::CrossesTopEdge;
      break;
    case 1:
      m_OutsideTest = &DS_SpriteState::IsOutsideBottom;
      m_CrossingTest = &DS_SpriteState::CrossesBottomEdge;
      break;
    case 2:
      m_OutsideTest = &DS_SpriteState::IsOutsideLeft;
      m_CrossingTest = &DS_SpriteState::CrossesLeftEdge;
      break;
    case 3:
      m_OutsideTest = &DS_SpriteState::IsOutsideRight;
      m_CrossingTest = &DS_SpriteState::CrossesRightEdge;
      break;
    default:
      m_OutsideTest = nullptr;
      m_CrossingTest = nullptr;
      break;
  }
}

bool DS_BoundControl::HasSideTests(int side) const {
  if (m_Side != side) return false;
  switch (side) {
    case 0:
      return m_OutsideTest == &DS_SpriteState::IsOutsideTop && m_CrossingTest == &DS_SpriteState::CrossesTopEdge;
    case 1:
      return m_OutsideTest == &DS_SpriteState::IsOutsideBottom && m_CrossingTest == &DS_SpriteState::CrossesBottomEdge;
    case 2:
      return m_OutsideTest == &DS_SpriteState::IsOutsideLeft && m_CrossingTest == &DS_SpriteState::CrossesLeftEdge;
    case 3:
      return m_OutsideTest == &DS_SpriteState::IsOutsideRight && m_CrossingTest == &DS_SpriteState::CrossesRightEdge;
    default:
      return false;
  }
}

bool DS_BoundControl::Enter(DS_SpriteState& s, DS_ViewObjCtrl& d) {
  if (!(s.phase > 0.0f)) {
    // Already invisible: wrap to the opposite side, just inside it.
    switch (m_Side) {
      case 0:
        s.position.y = d.BottomPixels() + s.halfHeight - 1.0f;
        s.position.x = RandomFloat(d.LeftPixels(), d.RightPixels());
        break;
      case 1:
        s.position.y = d.TopPixels() - s.halfHeight + 1.0f;
        s.position.x = RandomFloat(d.LeftPixels(), d.RightPixels());
        break;
      case 2:
        s.position.x = d.RightPixels() + s.halfWidth - 1.0f;
        s.position.y = RandomFloat(d.TopPixels(), d.BottomPixels());
        break;
      case 3:
        s.position.x = d.LeftPixels() - s.halfWidth + 1.0f;
        s.position.y = RandomFloat(d.TopPixels(), d.BottomPixels());
        break;
    }
    s.entering = true;
  }
  s.boundarySide = m_Side;
  return true;
}

namespace {

void ReverseAcrossSide(DS_SpriteState& s, int side) {
  if (side == 0 || side == 1) s.direction.y = -s.direction.y;
  else s.direction.x = -s.direction.x;
}

}  // namespace

bool DS_BoundControl::BeginBounce(DS_SpriteState& s, DS_ViewObjCtrl& d) {
  ReverseAcrossSide(s, m_Side);
  s.boundarySide = m_Side;
  return true;
}

bool DS_BoundControl::BeginReturn(DS_SpriteState& s, DS_ViewObjCtrl& d) {
  ReverseAcrossSide(s, m_Side);
  const float now = d.AccumulatedTime();
  s.delayDeadline = now + RandomFloat(float(m_DelayMin.Get()) * 0.001f, float(m_DelayMax.Get()) * 0.001f);
  s.held = true;
  s.delayTimer = now;
  s.boundarySide = m_Side;
  return true;
}

bool DS_BoundControl::Continue(DS_SpriteState& s, DS_ViewObjCtrl& d) {
  const bool vertical = m_Side == 0 || m_Side == 1;
  float& coordinate = vertical ? s.position.y : s.position.x;
  const float half = vertical ? s.halfHeight : s.halfWidth;
  const float low = vertical ? d.TopPixels() : d.LeftPixels();
  const float high = vertical ? d.BottomPixels() : d.RightPixels();
  const float step = d.FrameStep();
  switch (m_Mode.Get()) {
    case 1:
      // Bounce: the centre stays inside while the sprite still touches the edge.
      if (coordinate > high - half) coordinate = high - half - 1.0f;
      if (coordinate < low + half) coordinate = low + half + 1.0f;
      if (!Passes<-1>(true, s, d, 0.0f)) s.boundarySide = -1;
      return true;
    case 2:
      // Return after a delay: held at the side, overlapping the edge by a pixel at most.
      if (coordinate > high + half) coordinate = high + half - 1.0f;
      if (coordinate < low - half) coordinate = low - half + 1.0f;
      s.delayTimer += step;
      if (s.delayDeadline < s.delayTimer) {
        s.held = false;
        if (!Passes<-1>(false, s, d, 0.0f)) s.boundarySide = -1;
      }
      return true;
    case 0:
      if (s.entering) {
        s.delayTimer += step;
        if (s.delayDeadline < s.delayTimer) {
          s.held = false;
          if (s.phase < 1.0f) {
            // A zero fade-in time would divide by zero: the sprite appears at once.
            const unsigned fadeIn = m_FadeInTime.Get();
            s.phase = fadeIn == 0 ? 1.0f : s.phase + step * (1000.0f / float(fadeIn));
            if (s.phase > 1.0f) s.phase = 1.0f;
          } else {
            s.boundarySide = -1;
            s.entering = false;
          }
        }
        return true;
      }
      if (s.phase > 0.0f) {
        const unsigned fadeOut = m_FadeOutTime.Get();
        s.phase = fadeOut == 0 ? 0.0f : s.phase - step * (1000.0f / float(fadeOut));
        if (s.phase < 0.0f) s.phase = 0.0f;
      }
      if (s.phase <= 0.0f) {
        s.boundarySide = -1;
        const float now = d.AccumulatedTime();
        s.delayDeadline =
            now + RandomFloat(float(m_DelayMin.Get()) * 0.001f, float(m_DelayMax.Get()) * 0.001f);
        s.held = true;
        s.delayTimer = now;
      }
      return true;
    default:
      return true;
  }
}

void DS_BoundControl::CopyValues(const DS_BoundControl& source) {
  m_Side = source.m_Side;
  m_OutsideTest = source.m_OutsideTest;
  m_CrossingTest = source.m_CrossingTest;
  m_Mode = source.m_Mode;
  m_FadeOutTime = source.m_FadeOutTime;
  m_FadeInTime = source.m_FadeInTime;
  m_DelayMin = source.m_DelayMin;
  m_DelayMax = source.m_DelayMax;
}

bool DS_BoundControl::ReadPart(DS_IOF_Virtual& archive) {
  ReadKnownRecordHead(archive);  // the version is not examined
  ReadFields(archive);
  return !archive.Failed();
}

void DS_BoundControl::ReadFields(DS_IOF_Virtual& archive) {
  long mode = m_Mode.Get();
  archive.ReadLong(mode);
  m_Mode.Store(int(mode));
  ReadStoredInt(archive, m_FadeOutTime);
  ReadStoredInt(archive, m_FadeInTime);
  ReadStoredInt(archive, m_DelayMin);
  ReadStoredInt(archive, m_DelayMax);
}

void DS_BoundControl::WritePart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_BoundControl");
  archive.WriteUInt(1u);
  archive.WriteLong(long(m_Mode.Get()));
  archive.WriteInt(int(m_FadeOutTime.Get()));
  archive.WriteInt(int(m_FadeInTime.Get()));
  archive.WriteInt(int(m_DelayMin.Get()));
  archive.WriteInt(int(m_DelayMax.Get()));
}
