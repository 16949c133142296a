#include "layers/DS_SlideContainer.h"

#include "core/archive/ReaderRegistry.h"
#include "core/params/Numeric.h"

#include <cmath>

DS_REGISTER_SLIDE_READER(DS_SlideContainer);

namespace {

float TimeOrZero(float t) { return (std::isfinite(t) && t > 0.0f) ? t : 0.0f; }

void DeleteAll(std::list<DS_ABObj_Constructor*>& list) {
  for (DS_ABObj_Constructor* d : list) delete d;
  list.clear();
}

// Reads a counted list of scene-object records. A class that no registry knows gives no
// object and ends the list with the archive failed: records carry no length, so nothing
// after it can be found.
void ReadDescriptions(DS_IOF_Virtual& archive, std::list<DS_ABObj_Constructor*>& list) {
  ReadObjectList(archive, ReadSceneObject, [&](DS_ABObj_Constructor* d) { list.push_back(d); });
}

}  // namespace

DS_SlideContainer::DS_SlideContainer()
    : mode(0), fadeInTime(1.0f), fadeOutTime(1.0f), showTime(10.0f), spareValue(0), loopLength(1000u) {}

DS_SlideContainer::~DS_SlideContainer() {
  m_SoundObjects.clear();
  m_RuntimeObjects.clear();
  m_Layer.reset();
  DeleteAll(m_Descriptions);
  DeleteAll(m_SoundDescriptions);
}

bool DS_SlideContainer::ReadFields(DS_IOF_Virtual& archive, unsigned version) {
  if (version >= 5) {
    long m = mode.Get();
    archive.ReadLong(m);
    mode.Store(static_cast<int>(m));
    float fi = fadeInTime.Get(), fo = fadeOutTime.Get(), s = showTime.Get();
    archive.ReadFloat(fi);
    archive.ReadFloat(fo);
    archive.ReadFloat(s);
    fadeInTime.Store(fi);
    fadeOutTime.Store(fo);
    showTime.Store(s);
  } else {
    // Older documents stored whole seconds, unsigned.
    unsigned fi = 0, fo = 0, s = 0;
    int value = 0;
    archive.ReadInt(value), fi = static_cast<unsigned>(value);
    archive.ReadInt(value), fo = static_cast<unsigned>(value);
    archive.ReadInt(value), s = static_cast<unsigned>(value);
    if (!archive.Failed()) {
      fadeInTime.Store(float(fi));
      fadeOutTime.Store(float(fo));
      showTime.Store(float(s));
    }
  }
  long spare = spareValue.Get();
  archive.ReadLong(spare);
  spareValue.Store(static_cast<int>(spare));
  ds_string slideName = name.Get();
  archive.ReadString(slideName);
  name.Store(slideName);
  if (version >= 3) {
    int loop = static_cast<int>(loopLength.Get());
    archive.ReadInt(loop);
    loopLength.Set(static_cast<unsigned>(loop));
  }
  if (version < 4) {
    // Documents before version 4 stored the loop length in whole seconds.
    const unsigned hundredths = SaturateToUInt(double(loopLength.Get()) * 100.0);
    if (hundredths != loopLength.Get()) loopLength.Set(hundredths);
  }
  DS_2D_Light* layer = ReadLightObject(archive);
  // A layer class that no registry knows leaves its fields unread: nothing after it can
  // be found, and the slide has no picture to show.
  if (!layer) archive.MarkFailed();
  m_Layer = DS_SharedRef<DS_2D_Light>(layer);
  ReadDescriptions(archive, m_Descriptions);
  if (version >= 2) ReadDescriptions(archive, m_SoundDescriptions);
  return true;
}

void DS_SlideContainer::WriteFields(DS_IOF_Virtual& archive) {
  const long m = mode.Get();
  archive.WriteLong(m);
  archive.WriteFloat(fadeInTime.Get());
  archive.WriteFloat(fadeOutTime.Get());
  archive.WriteFloat(showTime.Get());
  const long spare = spareValue.Get();
  archive.WriteLong(spare);
  archive.WriteString(name.Get());
  const int loop = static_cast<int>(loopLength.Get());
  archive.WriteInt(loop);
  if (m_Layer) m_Layer->Write(archive);
  auto writeList = [&](const DS_RuntimeObjects& objects) {
    unsigned count = 0;
    for (const auto& o : objects) count += (o && o->Description()) ? 1 : 0;
    archive.WriteUInt(count);
    for (const auto& o : objects)
      if (o && o->Description()) o->Description()->Write(archive);
  };
  writeList(m_RuntimeObjects);
  writeList(m_SoundObjects);
}

void DS_SlideContainer::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_SlideContainer");
  const unsigned version = kVersion;
  archive.WriteUInt(version);
  WriteFields(archive);
}

void DS_SlideContainer::OnDeviceLost() {
  if (m_Layer) m_Layer->OnDeviceLost();
}

void DS_SlideContainer::BuildRuntimeObjects() {
  if (m_Layer) {
    m_Layer->CreateDeviceObjects();
    m_Layer->Resize(1, 1);
  }
  for (DS_ABObj_Constructor* d : m_Descriptions) {
    if (DS_ABObj* o = d->CreateRuntimeObject()) m_RuntimeObjects.emplace_back(o);
  }
  for (DS_ABObj_Constructor* d : m_SoundDescriptions) {
    if (DS_ABObj* o = d->CreateRuntimeObject()) m_SoundObjects.emplace_back(o);
  }
  DeleteAll(m_Descriptions);
  DeleteAll(m_SoundDescriptions);
}

float DS_SlideContainer::LoopedTime(float t) const {
  const float length = loopLength.Seconds();
  if (!(length > 0.0f)) return t;
  return std::fmod(t, length);
}

DS_SlideTiming DS_SlideContainer::Timing() const {
  DS_SlideTiming timing;
  timing.fadeIn = TimeOrZero(fadeInTime.Get());
  timing.show = TimeOrZero(showTime.Get());
  timing.fadeOut = TimeOrZero(fadeOutTime.Get());
  timing.mode = mode.Get();
  return timing;
}

void DS_SlideContainer::UpdateFrame(float t) {
  if (m_Layer) m_Layer->UpdateFrame(t);
  for (const auto& o : m_RuntimeObjects)
    if (o) o->AdvanceTime(t);
  for (const auto& o : m_SoundObjects)
    if (o) o->AdvanceTime(t);
  const float x = LoopedTime(t);
  for (const auto& o : m_RuntimeObjects)
    if (o) o->SetLoopTime(x);
}

unsigned DS_SlideContainer::CountSceneReaders() const {
  unsigned r = 0;
  for (const auto& o : m_RuntimeObjects)
    if (o && DS_2D_Light::ReadsScene(*o)) ++r;
  if (m_Layer && m_Layer->NeedsSceneTexture()) ++r;
  return r;
}

void DS_SlideContainer::Render(bool perMonitor) {
  if (!m_Layer) return;
  const unsigned r = CountSceneReaders();
  if (r > 0) m_Layer->BeginOffscreen();
  m_Layer->DrawPicture(perMonitor);
  m_Layer->RenderObjects(m_RuntimeObjects, r);
}

void DS_SlideContainer::FinishFrame(bool perMonitor) {
  if (m_Layer) m_Layer->FinishFrame(perMonitor);
}

void DS_SlideContainer::ResetObjects() {
  for (const auto& o : m_RuntimeObjects)
    if (o) o->Reset();
  if (m_Layer) m_Layer->OnDeviceReset();
}

void DS_SlideContainer::EnableSounds(bool enable) {
  for (const auto& o : m_SoundObjects)
    if (o) o->SetVisible(enable);
}

void DS_SlideContainer::Resize(unsigned width, unsigned height) {
  if (m_Layer) m_Layer->Resize(width, height);
}

void DS_SlideContainer::SetViewMode(int m) {
  if (m_Layer) m_Layer->SetViewMode(m);
}
