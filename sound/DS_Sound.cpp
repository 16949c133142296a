#include "sound/DS_Sound.h"

#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "core/document/ResourceModule.h"
#include "sound/DirectSound.h"
#include "sound/Music.h"
#include "sound/SoundVolume.h"
#include "sound/WaveFile.h"

#include <dsound.h>

#include <climits>

DS_REGISTER_OBJECT_READER(DS_WAV_Constructor);
DS_REGISTER_OBJECT_READER(DS_MP3_Constructor);

namespace {

std::unique_ptr<MediaGraph> CreateSoundGraph() {
  // An MP3 sound's graph posts no events: no window is notified.
  return CreateFilterGraph(nullptr, kMusicEventMessage);
}

SoundGraphFactory g_SoundGraphFactory = CreateSoundGraph;
std::wstring g_SoundTempFolder;

const wchar_t kSoundPrefix[] = L"Tarnwick_sound_";

// Old records give whole seconds; a value too large to become hundredths saturates
// instead of wrapping round to a short time.
unsigned SecondsToHundredths(int seconds) {
  unsigned value = static_cast<unsigned>(seconds);
  return value > UINT_MAX / 100 ? UINT_MAX : value * 100;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// DS_Sound_Ctrl

DS_Sound_Ctrl::DS_Sound_Ctrl() : m_Volume(100u), m_Balance(50u) {}

DS_Sound_Ctrl::DS_Sound_Ctrl(const DS_Sound_Ctrl& other)
    : DS_ABObj_Constructor(other), m_Volume(other.m_Volume.Get()), m_Balance(other.m_Balance.Get()) {}

DS_ImageFileLink* SoundPreviewImage() {
  static DS_ImageFileLink* link =
      new DS_ImageFileLink(DS_FileLink3(ModuleId::kSoundPreviewPicture, kResourceModuleName));
  return link;
}

DS_PreviewImage DS_Sound_Ctrl::GetPreviewImage() {
  DS_PreviewImage preview;
  preview.imageLink = SoundPreviewImage();
  preview.imageKind = 0;
  preview.reserved = 0;
  preview.frameFraction = 1.0f;
  return preview;
}

DS_ABObj* DS_Sound_Ctrl::CreateRuntimeObject() { return new DS_Sound(Clone()); }

void DS_Sound_Ctrl::ReadSoundPart(DS_IOF_Virtual& archive) {
  std::wstring className;
  unsigned version = 0;
  archive.ReadString(className);  // read, not compared
  archive.ReadUInt(version);
  ReadSoundFields(archive, version);
}

void DS_Sound_Ctrl::ReadSoundFields(DS_IOF_Virtual& archive, unsigned version) {
  int volume = static_cast<int>(m_Volume.Get());
  int balance = static_cast<int>(m_Balance.Get());
  archive.ReadInt(volume);
  archive.ReadInt(balance);
  m_Volume.Store(static_cast<unsigned>(volume));
  m_Balance.Store(static_cast<unsigned>(balance));
  if (version < 3) {
    // Older records kept the time line's mode and the hidden time here, in seconds.
    long mode = m_TimeLine->m_Mode.Get();
    int lo = 0, hi = 0;
    archive.ReadLong(mode);
    archive.ReadInt(lo);
    archive.ReadInt(hi);
    m_TimeLine->m_Mode.Store(static_cast<int>(mode));
    m_TimeLine->m_HiddenTime.minimum.Store(SecondsToHundredths(lo));
    m_TimeLine->m_HiddenTime.maximum.Store(SecondsToHundredths(hi));
  }
  ReadPart(archive);
}

void DS_Sound_Ctrl::WriteSoundPart(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_Sound_Ctrl");
  archive.WriteUInt(kVersion);
  archive.WriteInt(static_cast<int>(m_Volume.Get()));
  archive.WriteInt(static_cast<int>(m_Balance.Get()));
  WritePart(archive);
}

void DS_Sound_Ctrl::SetShownLength(unsigned hundredths) {
  m_TimeLine->m_ShownTime.minimum.Set(hundredths);
  m_TimeLine->m_ShownTime.maximum.Set(hundredths);
  m_TimeLine->m_FadeOutTime.Set(0u);
  m_TimeLine->m_FadeInTime.Set(0u);
}

// ---------------------------------------------------------------------------------------
// DS_WAV_Constructor

DS_WAV_Constructor::DS_WAV_Constructor() {
  m_TimeLine->m_Trailing[0] = 1;
  m_TimeLine->m_Trailing[1] = 1;
  m_TimeLine->m_Trailing[2] = 2;
}

DS_WAV_Constructor::DS_WAV_Constructor(const DS_WAV_Constructor& other)
    : DS_Sound_Ctrl(other), m_Link(other.m_Link), m_Extra(other.m_Extra), m_Buffer(other.m_Buffer) {}

DS_WAV_Constructor::~DS_WAV_Constructor() = default;

void DS_WAV_Constructor::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_WAV_Constructor");
  archive.WriteUInt(kVersion);
  WriteFileLink(archive, m_Link);
  WriteSoundPart(archive);
}

void DS_WAV_Constructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  ReadFileLink(archive, m_Link);
  ReadSoundPart(archive);
}

DS_PreviewImage DS_WAV_Constructor::GetPreviewImage(bool play) {
  if (play) {
    if (!m_Buffer) LoadBuffer();
    Play(false);
  }
  return DS_Sound_Ctrl::GetPreviewImage();
}

bool DS_WAV_Constructor::LoadBuffer() {
  const DS_ResourceRecord* record = g_DocResManager ? g_DocResManager->GetResourceRecord(m_Link.GetKey()) : nullptr;
  if (!record || !record->data) return false;
  WaveData wave;
  if (!ParseWave(record->data, record->size, wave)) return false;
  SetShownLength(WaveDurationHundredths(wave.sampleBytes, wave.Format().nAvgBytesPerSec));
  m_Buffer.reset();
  // Without DirectSound there is nothing to fill: the sound stays silent.
  if (!g_DirectSound) return false;
  // A buffer holds whole sample frames.
  DWORD size = wave.sampleBytes - wave.sampleBytes % wave.Format().nBlockAlign;
  m_Buffer = g_DirectSound->CreateBuffer(g_SoundFocusFlags | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME, wave.Format(),
                                         wave.samples, size);
  return m_Buffer != nullptr;
}

bool DS_WAV_Constructor::LoadResources() {
  if (!m_Buffer) LoadBuffer();
  if (!m_Buffer) return false;
  m_Buffer->SetVolume(WavVolume(m_Volume.Get()));
  m_Buffer->SetPan(WavPan(m_Balance.Get()));
  return true;
}

void DS_WAV_Constructor::Play(bool loop) {
  if (m_Buffer && m_Buffer->SetCurrentPosition(0)) m_Buffer->Play(loop ? DSBPLAY_LOOPING : 0);
}

void DS_WAV_Constructor::UpdateFrame(float) {
  if (!m_Buffer) return;
  DWORD status = 0;
  if (!m_Buffer->GetStatus(&status)) return;
  int state = m_TimeLine->GetState();
  if (status & DSBSTATUS_PLAYING) {
    // A sound that plays once runs to its end.
    if (state == kTimeLineInvisible && (status & DSBSTATUS_LOOPING)) m_Buffer->Stop();
  } else if (state == kTimeLineVisible) {
    Play(m_TimeLine->m_Mode.Get() == DS_TimeLineControl::kModeAlways);
  }
}

void DS_WAV_Constructor::Stop() {
  if (m_Buffer) m_Buffer->Stop();
}

// ---------------------------------------------------------------------------------------
// DS_MP3_Constructor

SoundGraphFactory SetSoundGraphFactory(SoundGraphFactory factory) {
  SoundGraphFactory previous = g_SoundGraphFactory;
  g_SoundGraphFactory = factory ? factory : CreateSoundGraph;
  return previous;
}

void SetSoundTempFolder(const std::wstring& folder) { g_SoundTempFolder = folder; }

DS_MP3_Constructor::DS_MP3_Constructor(const DS_MP3_Constructor& other)
    : DS_Sound_Ctrl(other), m_Bytes(other.m_Bytes), m_Playback(other.m_Playback) {}

DS_MP3_Constructor::~DS_MP3_Constructor() = default;

void DS_MP3_Constructor::Write(DS_IOF_Virtual& archive) {
  archive.WriteString(L"DS_MP3_Constructor");
  archive.WriteUInt(kVersion);
  archive.WriteBuffer(m_Bytes);
  WriteSoundPart(archive);
}

void DS_MP3_Constructor::ReadFields(DS_IOF_Virtual& archive, unsigned) {
  archive.ReadBuffer(m_Bytes);
  ReadSoundPart(archive);
}

std::wstring DS_MP3_Constructor::TempPath() const {
  return m_Playback && m_Playback->file ? m_Playback->file->Path() : std::wstring();
}

bool DS_MP3_Constructor::LoadResources() {
  m_Playback.reset();
  std::unique_ptr<MediaGraph> graph = g_SoundGraphFactory();
  // Without a graph there is nothing to play the file with: no file is written.
  if (!graph) return false;
  std::wstring folder = g_SoundTempFolder.empty() ? GetTempFolder() : g_SoundTempFolder;
  if (folder.empty()) return false;
  // A file of the sound's own, whatever its name: two sounds from files of the same
  // name, and the music, each have theirs, and no file already there is touched.
  std::wstring name = TempFileNameOf(m_Bytes.name);
  if (name.empty()) name = L"sound.mp3";
  std::wstring path = m_Bytes.data ? CreateUniqueFile(folder, kSoundPrefix, name, m_Bytes.data, m_Bytes.size)
                                   : CopyToUniqueFile(folder, kSoundPrefix, name, m_Bytes.name);
  if (path.empty()) return false;
  auto playback = std::make_shared<Mp3Playback>();
  playback->file = std::make_unique<OwnedTempFile>(path);
  playback->graph = std::move(graph);
  m_Playback = playback;

  MediaGraph& g = *m_Playback->graph;
  if (!g.AddSourceFilter(path)) return false;
  Restart();
  LONGLONG duration = 0;
  if (g.GetDuration(&duration) && duration > 0) {
    // Whole seconds, as hundredths.
    long long seconds = duration / 10000000;
    SetShownLength(seconds * 100 > UINT_MAX ? UINT_MAX : static_cast<unsigned>(seconds * 100));
  }
  Stop();
  return true;
}

bool DS_MP3_Constructor::Restart() {
  MediaGraph* g = Graph();
  return g && g->Restart();
}

void DS_MP3_Constructor::ApplyVolume() {
  if (MediaGraph* g = Graph()) g->PutVolume(Mp3Volume(m_Volume.Get()));
}

void DS_MP3_Constructor::ApplyBalance() {
  if (MediaGraph* g = Graph()) g->PutBalance(Mp3Balance(m_Balance.Get()));
}

void DS_MP3_Constructor::UpdateFrame(float) {
  MediaGraph* g = Graph();
  if (!g) return;
  int state = m_TimeLine->GetState();
  if (g->IsStopped() && state == kTimeLineVisible) {
    Restart();
    ApplyVolume();
    ApplyBalance();
  }
  LONGLONG current = 0, stop = 0;
  bool ended = g->GetPositions(&current, &stop) && current >= stop;
  if (ended || state == kTimeLineInvisible) Stop();
}

void DS_MP3_Constructor::Stop() {
  if (MediaGraph* g = Graph()) g->Stop();
}

// ---------------------------------------------------------------------------------------
// DS_Sound

DS_Sound::DS_Sound(DS_Sound_Ctrl* clone) : DS_ABObj(clone), m_Sound(clone) {
  if (m_Sound) m_Sound->LoadResources();
}

void DS_Sound::SetVisible(bool visible) {
  if (!visible && m_Sound) m_Sound->Stop();
  m_Enabled = visible;
  DS_ABObj::SetVisible(visible);
}

void DS_Sound::UpdateFrame(float objectTime) {
  if (m_Enabled && m_Sound) m_Sound->UpdateFrame(objectTime);
}
