// The WAV and MP3 sound objects: their records, loading, volume and pan, the state
// machines that start and stop them on their time lines (against recording doubles), and
// their temporary files.

#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/document/DocResManager.h"
#include "sound/DS_Sound.h"
#include "sound/DirectSound.h"
#include "tests/sound/SoundDoubles.h"
#include "tests/sound/TestFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const wchar_t kWavPath[] = L"C:\\Sounds\\ding.wav";
constexpr long long kWavStamp = 7;

// A PCM WAV of 176,400 data bytes at 44,100 bytes a second (11025 Hz, 16-bit stereo).
std::vector<unsigned char> FourSecondWave() {
  std::vector<unsigned char> w = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                  1,   0,   2,   0,   0x11, 0x2B, 0, 0, 0x44, 0xAC, 0, 0, 4, 0, 16, 0,
                                  'd', 'a', 't', 'a'};
  DWORD size = 176400;
  w.insert(w.end(), reinterpret_cast<unsigned char*>(&size), reinterpret_cast<unsigned char*>(&size) + 4);
  w.resize(w.size() + size, 0x10);
  DWORD riff = DWORD(w.size() - 8);
  std::memcpy(&w[4], &riff, 4);
  return w;
}

// ---------------------------------------------------------------------------------------
// Records

// "DS_Sound_Ctrl" at a version, then the base part of version 3 with a time line.
void WriteSoundCtrl(DS_IOF_W& w, unsigned version, int volume, int balance) {
  w.WriteString(L"DS_Sound_Ctrl");
  w.WriteUInt(version);
  w.WriteInt(volume);
  w.WriteInt(balance);
  if (version < 3) {
    w.WriteLong(1);  // MODE
    w.WriteInt(3);   // hidden time, whole seconds
    w.WriteInt(9);
  }
  w.WriteString(L"DS_ABObj_Constructor");
  w.WriteUInt(3);
  w.WriteString(L"bell");
  w.WriteInt(80);
  w.WriteString(L"DS_TimeLineControl");
  w.WriteUInt(1);
  for (long v : {2L, 0L}) w.WriteLong(v);           // MODE 2, FADE TARGET 0
  for (int v : {100, 100, 100, 100, 50, 50}) w.WriteInt(v);
  w.WriteUInt(1);
  for (float f : {2.0f, 8.0f, 2.0f, 8.0f}) w.WriteFloat(f);
}

template <class T>
std::unique_ptr<T> ReadBack(const DS_IOF_W& w) {
  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  DS_ABObj_Constructor* object = ReadSceneObject(archive);
  EXPECT_EQ(source.Remaining(), 0u);
  return std::unique_ptr<T>(dynamic_cast<T*>(object));
}

TEST(SoundRecords, WavAndMp3ReadThroughTheObjectRegistry) {
  DS_IOF_W w;
  w.WriteString(L"DS_WAV_Constructor");
  w.WriteUInt(1);
  w.WriteString(kWavPath);
  w.WriteInt64(kWavStamp);
  WriteSoundCtrl(w, 3, 40, 70);
  auto wav = ReadBack<DS_WAV_Constructor>(w);
  ASSERT_NE(wav, nullptr);
  EXPECT_EQ(wav->m_Link.Path(), kWavPath);
  EXPECT_EQ(wav->m_Link.Stamp(), kWavStamp);
  EXPECT_EQ(wav->m_Volume.Get(), 40u);
  EXPECT_EQ(wav->m_Balance.Get(), 70u);
  EXPECT_EQ(wav->Name(), L"bell");
  EXPECT_EQ(wav->m_Depth.Get(), 80u);
  EXPECT_EQ(wav->TimeLine().m_Mode.Get(), 2);
  EXPECT_EQ(wav->TimeLine().Intervals().size(), 1u);

  // An old MP3 record (version 1 of the sound part) keeps mode and hidden seconds before
  // the base part; the base part's time line then replaces the mode.
  DS_IOF_W m;
  m.WriteString(L"DS_MP3_Constructor");
  m.WriteUInt(1);
  NamedBuffer bytes;
  bytes.name = L"C:\\Music\\chime.mp3";
  bytes.Assign("ID3chime", 8);
  m.WriteBuffer(bytes);
  WriteSoundCtrl(m, 1, 100, 50);
  auto mp3 = ReadBack<DS_MP3_Constructor>(m);
  ASSERT_NE(mp3, nullptr);
  EXPECT_EQ(mp3->m_Bytes.name, L"C:\\Music\\chime.mp3");
  ASSERT_EQ(mp3->m_Bytes.size, 8u);
  EXPECT_EQ(std::memcmp(mp3->m_Bytes.data, "ID3chime", 8), 0);
  EXPECT_EQ(mp3->TimeLine().m_HiddenTime.minimum.Get(), 100u);  // the time line record's own values
}

TEST(SoundRecords, OldSoundPartCarriesModeAndHiddenSeconds) {
  DS_IOF_W w;
  WriteSoundCtrl(w, 2, 10, 20);
  ResourceBuffer source(w.Bytes().data(), w.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  // Read the sound part alone, without the base part's time line: stop after the fields
  // of the old layout by reading into an object and looking at the values read first.
  DS_WAV_Constructor wav;
  wav.ReadSoundPart(archive);
  EXPECT_EQ(wav.m_Volume.Get(), 10u);
  EXPECT_EQ(wav.m_Balance.Get(), 20u);
  EXPECT_EQ(source.Remaining(), 0u);
  // The base part's time line came after and overrode the mode; the hidden range from the
  // old fields was overridden too, so check a record whose base part has no time line.
  DS_IOF_W v;
  v.WriteString(L"DS_Sound_Ctrl");
  v.WriteUInt(1);
  v.WriteInt(10);
  v.WriteInt(20);
  v.WriteLong(1);
  v.WriteInt(3);
  v.WriteInt(9);
  v.WriteString(L"DS_ABObj_Constructor");
  v.WriteUInt(1);  // name only
  v.WriteString(L"old");
  ResourceBuffer source2(v.Bytes().data(), v.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive2(&source2);
  DS_MP3_Constructor old;
  old.ReadSoundPart(archive2);
  EXPECT_EQ(old.TimeLine().m_Mode.Get(), 1);
  EXPECT_EQ(old.TimeLine().m_HiddenTime.minimum.Get(), 300u);
  EXPECT_EQ(old.TimeLine().m_HiddenTime.maximum.Get(), 900u);
  EXPECT_EQ(source2.Remaining(), 0u);
}

TEST(SoundRecords, WriteOrderIsReadOrder) {
  DS_WAV_Constructor wav;
  wav.m_Link.StoreKey(kWavPath, kWavStamp);
  wav.m_Volume.Store(33);
  wav.m_Balance.Store(66);
  DS_IOF_W w;
  wav.Write(w);
  auto back = ReadBack<DS_WAV_Constructor>(w);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->m_Volume.Get(), 33u);
  EXPECT_EQ(back->m_Balance.Get(), 66u);
  EXPECT_EQ(back->m_Link.Path(), kWavPath);

  DS_MP3_Constructor mp3;
  mp3.m_Bytes.name = L"x.mp3";
  mp3.m_Bytes.Assign("abc", 3);
  mp3.m_Volume.Store(5);
  DS_IOF_W m;
  mp3.Write(m);
  auto back3 = ReadBack<DS_MP3_Constructor>(m);
  ASSERT_NE(back3, nullptr);
  EXPECT_EQ(back3->m_Bytes.size, 3u);
  EXPECT_EQ(back3->m_Volume.Get(), 5u);
}

TEST(SoundRecords, TruncatedRecordsGiveNoCrash) {
  DS_IOF_W w;
  w.WriteString(L"DS_WAV_Constructor");
  w.WriteUInt(1);
  w.WriteString(kWavPath);
  WriteSoundCtrl(w, 3, 40, 70);
  for (size_t cut = 0; cut < w.Bytes().size(); cut += 7) {
    ResourceBuffer source(w.Bytes().data(), cut);
    DS_IOF_R<ResourceBuffer> archive(&source);
    delete ReadSceneObject(archive);
  }
  // An MP3 record claiming a huge buffer with few bytes behind it.
  DS_IOF_W m;
  m.WriteString(L"DS_MP3_Constructor");
  m.WriteUInt(1);
  m.WriteUInt(0x7FFFFFFF);
  m.WriteRaw("abc", 3);
  ResourceBuffer source(m.Bytes().data(), m.Bytes().size());
  DS_IOF_R<ResourceBuffer> archive(&source);
  std::unique_ptr<DS_ABObj_Constructor> object(ReadSceneObject(archive));
  auto* mp3 = dynamic_cast<DS_MP3_Constructor*>(object.get());
  if (mp3) {
    EXPECT_EQ(mp3->m_Bytes.data, nullptr);
  }
}

// ---------------------------------------------------------------------------------------
// WAV sounds

class WavSoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    ReleaseDirectSound();
    manager = new DS_DocResManager();
    g_DocResManager = manager;
    DS_ResourceRecord record;
    record.name = kWavPath;
    std::vector<unsigned char> wave = FourSecondWave();
    record.Assign(wave.data(), unsigned(wave.size()));
    manager->Tables().store[DS_LinkKey(kWavPath, kWavStamp)].push_back(record);
    auto d = std::make_unique<RecordingDevice>(log);
    device = d.get();
    InitDirectSoundWith(std::move(d));
    log->clear();
    wav.m_Link.StoreKey(kWavPath, kWavStamp);
    wav.m_Volume.Store(50);
    wav.m_Balance.Store(25);
  }
  void TearDown() override {
    ReleaseDirectSound();
    delete manager;
    g_DocResManager = nullptr;
  }

  std::unique_ptr<DS_ABObj> Runtime() { return std::unique_ptr<DS_ABObj>(wav.CreateRuntimeObject()); }
  static DS_WAV_Constructor& Clone(DS_ABObj& runtime) { return *static_cast<DS_WAV_Constructor*>(runtime.Description()); }
  static void Frame(DS_ABObj& runtime, float loopTime) {
    runtime.Description()->TimeLine().SetLoopTime(loopTime);
    runtime.UpdateFrame(0.0f);
  }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  DS_DocResManager* manager = nullptr;
  RecordingDevice* device = nullptr;
  DS_WAV_Constructor wav;
};

TEST_F(WavSoundTest, LoadsOnCreationWithItsLengthVolumeAndPan) {
  auto runtime = Runtime();
  EXPECT_EQ(runtime->GetObjectKind(), 1);
  DWORD flags = DSBCAPS_STICKYFOCUS | DSBCAPS_CTRLPAN | DSBCAPS_CTRLVOLUME;
  EXPECT_EQ(*log, (CallLog{"device.CreateBuffer(" + std::to_string(flags) + ", 176400)", "wav.SetVolume(-2500)",
                           "wav.SetPan(-2500)"}));
  EXPECT_EQ(device->lastCbSize, 0);  // the 16-byte PCM chunk gave a clean WAVEFORMATEX
  const DS_TimeLineControl& line = Clone(*runtime).TimeLine();
  EXPECT_EQ(line.m_ShownTime.minimum.Get(), 400u);
  EXPECT_EQ(line.m_ShownTime.maximum.Get(), 400u);
  EXPECT_EQ(line.m_FadeInTime.Get(), 0u);
  EXPECT_EQ(line.m_FadeOutTime.Get(), 0u);
  EXPECT_FLOAT_EQ(line.GetLength(), 4.0f);
  // The description read from the document is left as it was; the copies share the buffer.
  EXPECT_EQ(wav.Buffer(), nullptr);
  DS_WAV_Constructor copy(Clone(*runtime));
  EXPECT_EQ(copy.Buffer(), Clone(*runtime).Buffer());
  EXPECT_EQ(wav.TimeLine().m_Trailing[2], 2);
}

TEST_F(WavSoundTest, AlwaysShownSoundLoopsAndStopsWhenItsSlideLeaves) {
  auto runtime = Runtime();
  log->clear();
  Frame(*runtime, 0.0f);
  Frame(*runtime, 0.0f);  // playing: left alone
  runtime->SetVisible(false);
  Frame(*runtime, 0.0f);  // disabled: not even asked
  runtime->SetVisible(true);
  Frame(*runtime, 0.0f);
  EXPECT_EQ(*log, (CallLog{"wav.GetStatus", "wav.SetCurrentPosition(0)", "wav.Play(looping)", "wav.GetStatus", "wav.Stop",
                           "wav.GetStatus", "wav.SetCurrentPosition(0)", "wav.Play(looping)"}));
}

TEST_F(WavSoundTest, IntervalSoundPlaysOnceAndIsNotCutWhenThePhaseEnds) {
  wav.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  wav.TimeLine().AddInterval(DS_TimeInterval{2.0f, 8.0f, 2.0f, 8.0f});
  auto runtime = Runtime();
  RecordingBuffer& buffer = *device->lastBuffer;
  struct Step {
    float loopTime;
    DWORD statusBefore;  // what the buffer reports (~0u: as the double left it)
    CallLog calls;
  };
  const Step steps[] = {
      {1.0f, ~0u, {"wav.GetStatus"}},                                                   // hidden
      {5.0f, ~0u, {"wav.GetStatus", "wav.SetCurrentPosition(0)", "wav.Play(once)"}},    // shown: once
      {9.0f, ~0u, {"wav.GetStatus"}},                                                   // hidden, still playing
      {9.5f, 0, {"wav.GetStatus"}},                                                     // ended while hidden
      {9.5f, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING, {"wav.GetStatus", "wav.Stop"}},     // a looping one is stopped
      {3.0f, 0, {"wav.GetStatus", "wav.SetCurrentPosition(0)", "wav.Play(once)"}},      // shown again
  };
  for (const Step& s : steps) {
    log->clear();
    if (s.statusBefore != ~0u) buffer.status = s.statusBefore;
    Frame(*runtime, s.loopTime);
    EXPECT_EQ(*log, s.calls) << "loop time " << s.loopTime;
  }
  // A failing position leaves the buffer unplayed; a failing status does nothing.
  log->clear();
  buffer.status = 0;
  buffer.failPosition = true;
  Frame(*runtime, 5.0f);
  buffer.failStatus = true;
  Frame(*runtime, 5.0f);
  EXPECT_EQ(*log, (CallLog{"wav.GetStatus", "wav.SetCurrentPosition(0)", "wav.GetStatus"}));
}

TEST_F(WavSoundTest, WithoutDirectSoundOrBytesItStaysSilentAndSafe) {
  ReleaseDirectSound();
  auto silent = Runtime();
  EXPECT_EQ(Clone(*silent).Buffer(), nullptr);
  EXPECT_EQ(Clone(*silent).TimeLine().m_ShownTime.minimum.Get(), 400u);  // its length is still known
  Frame(*silent, 0.0f);
  silent->SetVisible(false);
  Clone(*silent).GetPreviewImage(true);

  InitDirectSoundWith(std::make_unique<RecordingDevice>(log));
  log->clear();
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  std::vector<unsigned char> noFmt = FourSecondWave();
  std::memcpy(&noFmt[12], "junk", 4);
  const Case cases[] = {{"no fmt chunk", noFmt}, {"not a wave", {1, 2, 3}}, {"no bytes", {}}};
  for (const Case& c : cases) {
    DS_ResourceRecord& record = manager->Tables().store[DS_LinkKey(kWavPath, kWavStamp)][0];
    record.Assign(c.bytes.data(), unsigned(c.bytes.size()));
    auto runtime = Runtime();
    EXPECT_EQ(Clone(*runtime).Buffer(), nullptr) << c.what;
    Frame(*runtime, 0.0f);
  }
  // An unknown link, and no resource store at all.
  wav.m_Link.StoreKey(L"C:\\nothing.wav", 1);
  Runtime();
  g_DocResManager = nullptr;
  Runtime();
  g_DocResManager = manager;
  EXPECT_TRUE(log->empty());
}

TEST_F(WavSoundTest, PreviewPlaysOnceFromTheStart) {
  DS_PreviewImage preview = wav.GetPreviewImage(true);
  ASSERT_NE(preview.imageLink, nullptr);
  EXPECT_EQ(preview.imageLink->Path(), L"velmora.dll");
  EXPECT_EQ(preview.imageLink->Stamp(), 2016);
  EXPECT_EQ(log->back(), "wav.Play(once)");
}

// ---------------------------------------------------------------------------------------
// MP3 sounds

std::shared_ptr<CallLog> g_GraphLog;
RecordingGraph* g_LastGraph = nullptr;
bool g_GraphFails = false;

std::unique_ptr<MediaGraph> MakeRecordingGraph() {
  g_GraphLog->push_back("factory");
  if (g_GraphFails) return nullptr;
  auto graph = std::make_unique<RecordingGraph>(g_GraphLog, "mp3");
  g_LastGraph = graph.get();
  return graph;
}

class Mp3SoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    g_GraphLog = log;
    g_GraphFails = false;
    g_LastGraph = nullptr;
    previous = SetSoundGraphFactory(MakeRecordingGraph);
    SetSoundTempFolder(folder.Path());
    mp3.m_Bytes.name = L"C:\\Music\\chime.mp3";
    mp3.m_Bytes.Assign("ID3 chime bytes", 15);
    mp3.m_Volume.Store(50);
    mp3.m_Balance.Store(25);
  }
  void TearDown() override {
    SetSoundGraphFactory(previous);
    SetSoundTempFolder(L"");
  }

  std::unique_ptr<DS_ABObj> Runtime() { return std::unique_ptr<DS_ABObj>(mp3.CreateRuntimeObject()); }
  static DS_MP3_Constructor& Clone(DS_ABObj& runtime) { return *static_cast<DS_MP3_Constructor*>(runtime.Description()); }
  static void Frame(DS_ABObj& runtime, float loopTime) {
    runtime.Description()->TimeLine().SetLoopTime(loopTime);
    runtime.UpdateFrame(0.0f);
  }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  TestFolder folder{L"mp3_sounds"};
  SoundGraphFactory previous = nullptr;
  DS_MP3_Constructor mp3;
};

TEST_F(Mp3SoundTest, LoadsIntoATemporaryFileOfItsOwnAndTakesTheGraphsLength) {
  auto runtime = Runtime();
  std::wstring path = Clone(*runtime).TempPath();
  EXPECT_EQ(path, folder.Path() + L"Tarnwick_sound_0_chime.mp3");
  EXPECT_EQ(TestFolder::Read(path), "ID3 chime bytes");
  EXPECT_EQ(*log, (CallLog{"factory", "mp3.AddSourceFilter(" + Narrow(path) + ")", "mp3.Restart", "mp3.GetDuration",
                           "mp3.Stop"}));
  // 12.3 s in 100-ns units: whole seconds, as hundredths.
  EXPECT_EQ(Clone(*runtime).TimeLine().m_ShownTime.minimum.Get(), 1200u);
  EXPECT_EQ(Clone(*runtime).TimeLine().m_ShownTime.maximum.Get(), 1200u);
  EXPECT_EQ(Clone(*runtime).TimeLine().m_FadeInTime.Get(), 0u);
  runtime.reset();
  EXPECT_FALSE(TestFolder::Exists(path));
}

TEST_F(Mp3SoundTest, RestartsWheneverStoppedWhileShownAndStopsAtTheEndOrWhenHidden) {
  mp3.TimeLine().m_Mode.Store(DS_TimeLineControl::kModeIntervals);
  mp3.TimeLine().AddInterval(DS_TimeInterval{2.0f, 8.0f, 2.0f, 8.0f});
  auto runtime = Runtime();
  RecordingGraph& graph = *g_LastGraph;
  struct Step {
    float loopTime;
    LONGLONG position;
    CallLog calls;
  };
  const Step steps[] = {
      {5.0f, 0, {"mp3.Restart", "mp3.PutVolume(-2000)", "mp3.PutBalance(-2000)"}},  // stopped, shown
      {5.0f, 10000000, {}},                                                         // playing
      {5.0f, 50000000, {"mp3.Stop"}},                                               // reached its end
      {5.0f, 0, {"mp3.Restart", "mp3.PutVolume(-2000)", "mp3.PutBalance(-2000)"}},  // from the start again
      {9.0f, 20000000, {"mp3.Stop"}},                                               // hidden
      {9.5f, 0, {"mp3.Stop"}},                                                      // hidden: stays stopped
  };
  for (const Step& s : steps) {
    log->clear();
    graph.current = s.position;
    Frame(*runtime, s.loopTime);
    EXPECT_EQ(*log, s.calls) << "loop time " << s.loopTime << ", position " << s.position;
  }
  log->clear();
  runtime->SetVisible(false);
  Frame(*runtime, 5.0f);
  EXPECT_EQ(*log, (CallLog{"mp3.Stop"}));
}

TEST_F(Mp3SoundTest, AFailedGraphWritesNothingAndCallsNothing) {
  g_GraphFails = true;
  auto runtime = Runtime();
  EXPECT_EQ(Clone(*runtime).Graph(), nullptr);
  Frame(*runtime, 0.0f);
  runtime->SetVisible(false);
  Clone(*runtime).ApplyVolume();
  EXPECT_FALSE(Clone(*runtime).Restart());
  EXPECT_TRUE(folder.Files().empty());
  EXPECT_EQ(*log, (CallLog{"factory"}));

  // A graph that cannot open the file stays quiet too, and its file is still its own.
  g_GraphFails = false;
  log->clear();
  auto quiet = Runtime();
  g_LastGraph->failAddSource = true;
  g_LastGraph->failRestart = true;
  Frame(*quiet, 0.0f);
  EXPECT_EQ(folder.Files().size(), 1u);
}

TEST_F(Mp3SoundTest, SoundsOfTheSameFileNameNeverShareOrDeleteEachOthersFiles) {
  // A user's file sits where the first sound's name would go.
  std::wstring users = folder.Path() + L"Tarnwick_sound_0_chime.mp3";
  ASSERT_TRUE(TestFolder::Write(users, "the user's own"));
  auto first = Runtime();
  DS_MP3_Constructor other;
  other.m_Bytes.name = L"D:\\elsewhere\\chime.mp3";
  other.m_Bytes.Assign("other chime", 11);
  auto second = std::unique_ptr<DS_ABObj>(other.CreateRuntimeObject());
  std::wstring a = Clone(*first).TempPath(), b = Clone(*second).TempPath();
  EXPECT_NE(a, users);
  EXPECT_NE(a, b);
  EXPECT_EQ(TestFolder::Read(a), "ID3 chime bytes");
  EXPECT_EQ(TestFolder::Read(b), "other chime");

  // A copy shares the file: it goes only with the last holder.
  auto copy = std::make_unique<DS_MP3_Constructor>(Clone(*first));
  first.reset();
  EXPECT_TRUE(TestFolder::Exists(a));
  copy.reset();
  EXPECT_FALSE(TestFolder::Exists(a));
  EXPECT_EQ(TestFolder::Read(b), "other chime");
  second.reset();
  EXPECT_EQ(TestFolder::Read(users), "the user's own");
  EXPECT_EQ(folder.Files(), (std::vector<std::wstring>{L"Tarnwick_sound_0_chime.mp3"}));
}

TEST_F(Mp3SoundTest, WithoutCarriedBytesTheOriginalFileIsCopied) {
  std::wstring original = folder.Path() + L"original.mp3";
  ASSERT_TRUE(TestFolder::Write(original, "on disk"));
  mp3.m_Bytes.Clear();
  mp3.m_Bytes.name = original;
  auto runtime = Runtime();
  EXPECT_EQ(TestFolder::Read(Clone(*runtime).TempPath()), "on disk");
  runtime.reset();
  EXPECT_EQ(TestFolder::Read(original), "on disk");
  // Nothing to copy: no file, no graph use.
  mp3.m_Bytes.name = folder.Path() + L"missing.mp3";
  log->clear();
  auto missing = Runtime();
  EXPECT_TRUE(Clone(*missing).TempPath().empty());
  EXPECT_EQ(*log, (CallLog{"factory"}));
}

TEST(SoundRegistry, BothKindsAreRegistered) {
  const ReaderRegistry& registry = GetObjectReaderRegistry();
  EXPECT_EQ(registry.count(L"DS_WAV_Constructor"), 1u);
  EXPECT_EQ(registry.count(L"DS_MP3_Constructor"), 1u);
  EXPECT_EQ(registry.count(L"DS_Sound_Ctrl"), 0u);
}

}  // namespace
