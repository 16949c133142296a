// The sound system's own logic: volume mappings, DirectSound start-up and the master
// volume, the music graph's calls and the playlist (against recording doubles), the
// temporary files of the music, and WAV parsing.

#include "sound/DirectSound.h"
#include "sound/Music.h"
#include "sound/SoundVolume.h"
#include "sound/TempFiles.h"
#include "sound/WaveFile.h"
#include "tests/sound/SoundDoubles.h"
#include "tests/sound/TestFolder.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// ---------------------------------------------------------------------------------------
// Volume, pan and balance

struct VolumeCase {
  const char* what;
  long (*map)(unsigned);
  unsigned value;
  long expected;
};

long MasterOn(unsigned v) { return MasterVolume(v, false); }
long MasterMuted(unsigned v) { return MasterVolume(v, true); }
long MusicOn(unsigned v) { return MusicVolume(v, false); }
long MusicMuted(unsigned v) { return MusicVolume(v, true); }

TEST(SoundVolume, MappingsGiveHundredthsOfADecibel) {
  const VolumeCase cases[] = {
      {"master 100", MasterOn, 100, 0},       {"master 50", MasterOn, 50, -2500},
      {"master 0", MasterOn, 0, -5000},       {"master muted", MasterMuted, 50, -10000},
      {"master muted 100", MasterMuted, 100, -10000},
      {"master beyond 100 (registry)", MasterOn, 4000000000u, 0},
      {"music 100", MusicOn, 100, 0},         {"music 50", MusicOn, 50, -2000},
      {"music 0", MusicOn, 0, -4000},         {"music 33", MusicOn, 33, -2680},
      {"music 1", MusicOn, 1, -3960},         {"music muted", MusicMuted, 100, -10000},
      {"wav volume 50", WavVolume, 50, -2500}, {"wav volume 0", WavVolume, 0, -5000},
      {"wav volume 100", WavVolume, 100, 0},  {"wav volume 250 (document)", WavVolume, 250, 0},
      {"wav pan 25", WavPan, 25, -2500},      {"wav pan 0 (left)", WavPan, 0, -5000},
      {"wav pan 50 (centre)", WavPan, 50, 0}, {"wav pan 100 (right)", WavPan, 100, 5000},
      {"mp3 volume 50", Mp3Volume, 50, -2000}, {"mp3 volume 0", Mp3Volume, 0, -4000},
      {"mp3 volume 100", Mp3Volume, 100, 0},  {"mp3 balance 25", Mp3Balance, 25, -2000},
      {"mp3 balance 0", Mp3Balance, 0, -4000}, {"mp3 balance 50", Mp3Balance, 50, 0},
      {"mp3 balance 100", Mp3Balance, 100, 4000},
  };
  for (const VolumeCase& c : cases) EXPECT_EQ(c.map(c.value), c.expected) << c.what;
}

// ---------------------------------------------------------------------------------------
// DirectSound start-up and the master volume

class DirectSoundTest : public ::testing::Test {
protected:
  void SetUp() override {
    ReleaseMusicGraph();
    ReleaseDirectSound();
  }
  void TearDown() override {
    ReleaseMusicGraph();
    ReleaseDirectSound();
  }
  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
};

TEST_F(DirectSoundTest, StartsALoopingPrimaryBufferOnce) {
  EXPECT_TRUE(InitDirectSoundWith(std::make_unique<RecordingDevice>(log)));
  EXPECT_EQ(g_SoundFocusFlags, DWORD(DSBCAPS_STICKYFOCUS));
  ASSERT_NE(g_PrimaryBuffer, nullptr);
  // A second start keeps the device it has.
  EXPECT_TRUE(InitDirectSoundWith(std::make_unique<RecordingDevice>(log)));
  EXPECT_EQ(*log, (CallLog{"device.CreatePrimaryBuffer(" + std::to_string(DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS) + ")",
                           "primary.Play(looping)"}));
}

TEST_F(DirectSoundTest, ApplySoundVolumeSetsMusicThenMaster) {
  InitDirectSoundWith(std::make_unique<RecordingDevice>(log));
  InitMusicGraphWith(std::make_unique<RecordingGraph>(log));
  log->clear();
  ApplySoundVolume(50, false);
  ApplySoundVolume(80, true);
  ApplySoundVolume(0, false);
  EXPECT_EQ(*log, (CallLog{"graph.PutVolume(-2000)", "primary.SetVolume(-2500)", "graph.PutVolume(-10000)",
                           "primary.SetVolume(-10000)", "graph.PutVolume(-4000)", "primary.SetVolume(-5000)"}));
  // WM_DESTROY stops the primary buffer while the scene's sounds may still play: the
  // master attenuation stays until DirectSound is released, then goes back to 0.
  log->clear();
  StopPrimaryBuffer();
  EXPECT_EQ(*log, (CallLog{"primary.Stop"}));
  ReleaseDirectSound();
  EXPECT_EQ(*log, (CallLog{"primary.Stop", "primary.SetVolume(0)"}));
  // Released without a stop (a failed start), the volume is left alone.
  InitDirectSoundWith(std::make_unique<RecordingDevice>(log));
  log->clear();
  ReleaseDirectSound();
  EXPECT_TRUE(log->empty());
}

TEST_F(DirectSoundTest, MissingDeviceOrPrimaryBufferLeavesEverythingSilentAndSafe) {
  EXPECT_FALSE(InitDirectSoundWith(nullptr));
  EXPECT_EQ(g_DirectSound, nullptr);
  ApplySoundVolume(50, false);
  StopPrimaryBuffer();

  auto device = std::make_unique<RecordingDevice>(log);
  device->failPrimary = true;
  EXPECT_FALSE(InitDirectSoundWith(std::move(device)));
  EXPECT_NE(g_DirectSound, nullptr);
  EXPECT_EQ(g_PrimaryBuffer, nullptr);
  ApplySoundVolume(50, true);
  StopPrimaryBuffer();
  EXPECT_EQ(*log, (CallLog{"device.CreatePrimaryBuffer(" + std::to_string(DSBCAPS_CTRLVOLUME | DSBCAPS_STICKYFOCUS) + ")"}));
}

// ---------------------------------------------------------------------------------------
// The music graph and the playlist

class MusicTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto g = std::make_unique<RecordingGraph>(log);
    graph = g.get();
    InitMusicGraphWith(std::move(g));
  }
  void TearDown() override { ReleaseMusicGraph(); }

  // The tracks the graph was asked to play, in order.
  std::vector<std::string> Played() const {
    std::vector<std::string> played;
    for (const std::string& call : *log) {
      if (call.rfind("graph.AddSourceFilter(", 0) == 0) played.push_back(call.substr(22, call.size() - 23));
    }
    return played;
  }

  std::shared_ptr<CallLog> log = std::make_shared<CallLog>();
  RecordingGraph* graph = nullptr;
};

TEST_F(MusicTest, PlayMusicTrackRestartsTheGraphOrFallsBackToRenderingTheFile) {
  PlayMusicTrack(L"a.mp3");
  EXPECT_EQ(*log, (CallLog{"graph.AddSourceFilter(a.mp3)", "graph.Restart"}));

  log->clear();
  graph->failRestart = true;
  PlayMusicTrack(L"b.mp3");
  EXPECT_EQ(*log, (CallLog{"graph.AddSourceFilter(b.mp3)", "graph.Restart", "graph.Stop", "graph.RenderFile(b.mp3)",
                           "graph.GetDuration", "graph.Run"}));

  log->clear();
  graph->failRestart = false;
  graph->failAddSource = true;
  PlayMusicTrack(L"c.mp3");
  EXPECT_EQ(*log, (CallLog{"graph.AddSourceFilter(c.mp3)", "graph.Stop", "graph.RenderFile(c.mp3)",
                           "graph.GetDuration", "graph.Run"}));
}

TEST_F(MusicTest, PlaylistPlaysInOrderAndWrapsAfterTheLast) {
  struct Case {
    std::vector<std::wstring> tracks;
    int completions;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{L"1", L"2", L"3"}, 4, {"1", "2", "3", "1", "2"}},
      {{L"1"}, 3, {"1", "1", "1", "1"}},
      {{}, 3, {}},
  };
  for (const Case& c : cases) {
    log->clear();
    MusicPlaylist playlist;
    playlist.Start(c.tracks);
    for (int i = 0; i < c.completions; ++i) playlist.PlayNext();
    EXPECT_EQ(Played(), c.expected) << c.tracks.size() << " tracks";
  }
}

TEST_F(MusicTest, AnUnplayableTrackIsSkippedInsteadOfEndingTheMusic) {
  graph->failPath = L"2";
  MusicPlaylist playlist;
  playlist.Start({L"1", L"2", L"3"});
  playlist.PlayNext();
  playlist.PlayNext();
  EXPECT_EQ(Played(), (std::vector<std::string>{"1", "2", "3", "1"}));

  // Nothing playable: one attempt each, then quiet.
  log->clear();
  graph->failPath = L"x";
  MusicPlaylist broken;
  broken.Start({L"x"});
  broken.PlayNext();
  EXPECT_EQ(Played(), (std::vector<std::string>{"x", "x"}));
}

TEST_F(MusicTest, SceneMusicStartsSilencedAndAdvancesOnlyOnTrackCompletion) {
  // A carried file whose original path is elsewhere, and one without bytes.
  NamedBuffer carried;
  carried.name = L"C:\\nowhere\\song.mp3";
  carried.Assign("ID3 song", 8);
  NamedBuffer external;
  external.name = L"X:\\music\\other.mp3";
  std::vector<NamedBuffer*> files = {&carried, nullptr, &external};

  StartSceneMusic(files);
  EXPECT_EQ(carried.data, nullptr);
  EXPECT_EQ(TestFolder::Read(carried.name), "ID3 song");
  EXPECT_EQ(g_MusicPlaylist.Paths(), (std::vector<std::wstring>{carried.name, external.name}));
  ASSERT_GE(log->size(), 3u);
  EXPECT_EQ(log->back(), "graph.PutVolume(-10000)");
  EXPECT_EQ(Played(), (std::vector<std::string>{Narrow(carried.name)}));

  graph->events = {3 /* another event */, kMusicTrackComplete};
  OnMusicEvent();  // not the end of a track
  OnMusicEvent();
  OnMusicEvent();  // no event at all
  EXPECT_EQ(Played(), (std::vector<std::string>{Narrow(carried.name), Narrow(external.name)}));

  // A stop request: the graph stops and the playlist is dropped, so a completion that was
  // still queued plays nothing.
  log->clear();
  StopSceneMusic();
  EXPECT_EQ(*log, (CallLog{"graph.Stop"}));
  EXPECT_TRUE(g_MusicPlaylist.Paths().empty());
  graph->events = {kMusicTrackComplete};
  OnMusicEvent();
  EXPECT_EQ(*log, (CallLog{"graph.Stop"}));
  DeleteFileW(carried.name.c_str());
}

TEST_F(MusicTest, WithoutAGraphNothingIsCalled) {
  ReleaseMusicGraph();
  EXPECT_EQ(*log, (CallLog{"graph.Stop"}));
  log->clear();
  EXPECT_EQ(g_MusicGraph, nullptr);
  PlayMusicTrack(L"a.mp3");
  SetMusicVolume(50, false);
  EXPECT_EQ(GetMusicEvent(), -1);
  NamedBuffer external;
  external.name = L"X:\\a.mp3";
  StartSceneMusic({&external});
  OnMusicEvent();
  StopSceneMusic();
  EXPECT_TRUE(log->empty());
}

// ---------------------------------------------------------------------------------------
// Temporary files

TEST(TempFiles, NamesComeFromTheStoredPathAndAreSafe) {
  struct Case {
    const wchar_t* path;
    const wchar_t* name;
  };
  const Case cases[] = {
      {L"C:\\Music\\song.mp3", L"song.mp3"},   {L"song.mp3", L"song.mp3"},
      {L"/home/a/b.mp3", L"b.mp3"},            {L"C:\\dir\\", L""},
      {L"", L""},                              {L"..\\..\\evil.mp3", L"evil.mp3"},
      {L"C:\\a\\we:ird?<name>.mp3", L"we_ird__name_.mp3"},
  };
  for (const Case& c : cases) EXPECT_EQ(TempFileNameOf(c.path), c.name) << Narrow(c.path);
  std::wstring longName = TempFileNameOf(L"C:\\" + std::wstring(300, L'x') + L".mp3");
  EXPECT_EQ(longName.size(), 80u);
  EXPECT_EQ(longName.substr(76), L".mp3");
}

TEST(TempFiles, MusicIsWrittenOnceAndFoundAgainByContent) {
  TestFolder folder(L"music_temp");
  NamedBuffer first;
  first.name = L"C:\\Users\\someone\\Music\\song.mp3";
  first.Assign("first song", 10);
  ASSERT_TRUE(WriteMusicTempFile(first, folder.Path()));
  EXPECT_EQ(first.data, nullptr);
  EXPECT_EQ(first.name.rfind(folder.Path(), 0), 0u);
  EXPECT_NE(first.name.find(L"song.mp3"), std::wstring::npos);
  EXPECT_EQ(TestFolder::Read(first.name), "first song");

  // The next run carries the same bytes: it plays the same file and writes nothing new.
  NamedBuffer again;
  again.name = L"C:\\Users\\someone\\Music\\song.mp3";
  again.Assign("first song", 10);
  ASSERT_TRUE(WriteMusicTempFile(again, folder.Path()));
  EXPECT_EQ(again.name, first.name);
  EXPECT_EQ(folder.Files().size(), 1u);

  // Another track of the same file name gets its own file; neither is touched.
  NamedBuffer other;
  other.name = L"D:\\other\\song.mp3";
  other.Assign("other song", 10);
  ASSERT_TRUE(WriteMusicTempFile(other, folder.Path()));
  EXPECT_NE(other.name, first.name);
  EXPECT_EQ(TestFolder::Read(first.name), "first song");
  EXPECT_EQ(TestFolder::Read(other.name), "other song");

  // Nothing carried: the path stays as it is.
  NamedBuffer empty;
  empty.name = L"C:\\x\\y.mp3";
  EXPECT_TRUE(WriteMusicTempFile(empty, folder.Path()));
  EXPECT_EQ(empty.name, L"C:\\x\\y.mp3");
}

TEST(TempFiles, AUsersFilesAreNeverOverwritten) {
  TestFolder folder(L"music_user");
  const char bytes[] = "the music";
  std::wstring tagged = folder.Path() + L"Tarnwick_music_" + ContentTag(bytes, 9) + L"_song.mp3";
  // A file of exactly the name the music would take, with other bytes.
  ASSERT_TRUE(TestFolder::Write(tagged, "user data"));
  NamedBuffer track;
  track.name = L"C:\\a\\song.mp3";
  track.Assign(bytes, 9);
  ASSERT_TRUE(WriteMusicTempFile(track, folder.Path()));
  EXPECT_NE(track.name, tagged);
  EXPECT_EQ(TestFolder::Read(tagged), "user data");
  EXPECT_EQ(TestFolder::Read(track.name), "the music");

  // The original path exists with other bytes: not the document's music, not used.
  std::wstring original = folder.Path() + L"original.mp3";
  ASSERT_TRUE(TestFolder::Write(original, "something else"));
  NamedBuffer moved;
  moved.name = original;
  moved.Assign(bytes, 9);
  ASSERT_TRUE(WriteMusicTempFile(moved, folder.Path()));
  EXPECT_NE(moved.name, original);
  EXPECT_EQ(TestFolder::Read(original), "something else");

  // The original path holds the very bytes: played from there, bytes dropped.
  ASSERT_TRUE(TestFolder::Write(original, "the music"));
  NamedBuffer same;
  same.name = original;
  same.Assign(bytes, 9);
  size_t before = folder.Files().size();
  ASSERT_TRUE(WriteMusicTempFile(same, folder.Path()));
  EXPECT_EQ(same.name, original);
  EXPECT_EQ(same.data, nullptr);
  EXPECT_EQ(folder.Files().size(), before);
}

TEST(TempFiles, UniqueFilesNeverShareAndDeleteOnlyTheirOwn) {
  TestFolder folder(L"unique");
  std::wstring taken = folder.Path() + L"Tarnwick_sound_0_chime.mp3";
  ASSERT_TRUE(TestFolder::Write(taken, "user"));
  std::wstring a = CreateUniqueFile(folder.Path(), L"Tarnwick_sound_", L"chime.mp3", "aaa", 3);
  std::wstring b = CreateUniqueFile(folder.Path(), L"Tarnwick_sound_", L"chime.mp3", "bbb", 3);
  ASSERT_FALSE(a.empty());
  ASSERT_FALSE(b.empty());
  EXPECT_NE(a, taken);
  EXPECT_NE(b, a);
  {
    OwnedTempFile owned(a);
  }
  EXPECT_FALSE(TestFolder::Exists(a));
  EXPECT_EQ(TestFolder::Read(b), "bbb");
  EXPECT_EQ(TestFolder::Read(taken), "user");
  // A folder that does not exist gives no file rather than a file elsewhere.
  EXPECT_TRUE(CreateUniqueFile(folder.Path() + L"missing\\", L"p_", L"n", "x", 1).empty());
}

// ---------------------------------------------------------------------------------------
// WAV parsing

struct Riff {
  std::vector<unsigned char> bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};

  Riff& Chunk(const char* id, std::vector<unsigned char> body, long claimed = -1) {
    bytes.insert(bytes.end(), id, id + 4);
    DWORD size = claimed < 0 ? DWORD(body.size()) : DWORD(claimed);
    for (int i = 0; i < 4; ++i) bytes.push_back((size >> (8 * i)) & 0xFF);
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() & 1) bytes.push_back(0);
    return *this;
  }
  std::vector<unsigned char> Done(long riffSize = -1) {
    DWORD size = riffSize < 0 ? DWORD(bytes.size() - 8) : DWORD(riffSize);
    std::memcpy(&bytes[4], &size, 4);
    return bytes;
  }
};

// PCM 16-bit stereo 11025 Hz (44,100 bytes a second), 16 bytes, plus extra bytes.
std::vector<unsigned char> PcmFormat(std::vector<unsigned char> extra = {}, DWORD bytesPerSecond = 44100) {
  std::vector<unsigned char> f = {1, 0, 2, 0, 0x11, 0x2B, 0, 0, 0, 0, 0, 0, 4, 0, 16, 0};
  std::memcpy(&f[8], &bytesPerSecond, 4);
  f.insert(f.end(), extra.begin(), extra.end());
  return f;
}

TEST(WaveFile, ReadsTheFormatFromTheChunksRealSize) {
  struct Case {
    const char* what;
    std::vector<unsigned char> format;
    WORD cbSize;
  };
  const Case cases[] = {
      {"16-byte PCM chunk", PcmFormat(), 0},
      {"18-byte chunk, cbSize 0", PcmFormat({0, 0}), 0},
      {"cbSize claims more than the chunk holds", PcmFormat({22, 0}), 0},
      {"cbSize 2 with its bytes", PcmFormat({2, 0, 0xAA, 0xBB}), 2},
  };
  for (const Case& c : cases) {
    std::vector<unsigned char> bytes = Riff().Chunk("fmt ", c.format).Chunk("data", std::vector<unsigned char>(8, 1)).Done();
    WaveData wave;
    ASSERT_TRUE(ParseWave(bytes.data(), bytes.size(), wave)) << c.what;
    EXPECT_EQ(wave.Format().wFormatTag, WAVE_FORMAT_PCM) << c.what;
    EXPECT_EQ(wave.Format().nAvgBytesPerSec, 44100u) << c.what;
    EXPECT_EQ(wave.Format().cbSize, c.cbSize) << c.what;
    EXPECT_EQ(wave.formatBytes.size(), sizeof(WAVEFORMATEX) + c.cbSize) << c.what;
    EXPECT_EQ(wave.sampleBytes, 8u) << c.what;
  }
}

TEST(WaveFile, FindsChunksInAnyOrderAndClampsDataToTheBytesPresent) {
  std::vector<unsigned char> odd = {1, 2, 3};  // an odd-sized chunk is padded
  std::vector<unsigned char> bytes =
      Riff().Chunk("LIST", odd).Chunk("data", std::vector<unsigned char>(12, 7)).Chunk("fmt ", PcmFormat()).Done();
  WaveData wave;
  ASSERT_TRUE(ParseWave(bytes.data(), bytes.size(), wave));
  EXPECT_EQ(wave.sampleBytes, 12u);
  EXPECT_EQ(wave.samples[0], 7);

  // The data chunk claims a megabyte; 6 bytes are there.
  bytes = Riff().Chunk("fmt ", PcmFormat()).Chunk("data", std::vector<unsigned char>(6, 1), 1 << 20).Done();
  ASSERT_TRUE(ParseWave(bytes.data(), bytes.size(), wave));
  EXPECT_EQ(wave.sampleBytes, 6u);
  // The RIFF form claims more than there is.
  bytes = Riff().Chunk("fmt ", PcmFormat()).Chunk("data", std::vector<unsigned char>(6, 1)).Done(0x7FFFFFFF);
  ASSERT_TRUE(ParseWave(bytes.data(), bytes.size(), wave));
  EXPECT_EQ(wave.sampleBytes, 6u);
}

TEST(WaveFile, RejectsWhatIsNotAPlayableWave) {
  const std::vector<unsigned char> data(4, 0);
  struct Case {
    const char* what;
    std::vector<unsigned char> bytes;
  };
  std::vector<unsigned char> good = Riff().Chunk("fmt ", PcmFormat()).Chunk("data", data).Done();
  std::vector<unsigned char> notRiff = good;
  notRiff[0] = 'X';
  const Case cases[] = {
      {"no bytes", {}},
      {"header cut short", std::vector<unsigned char>(good.begin(), good.begin() + 10)},
      {"not RIFF", notRiff},
      {"no fmt", Riff().Chunk("data", data).Done()},
      {"no data", Riff().Chunk("fmt ", PcmFormat()).Done()},
      {"fmt shorter than PCM", Riff().Chunk("fmt ", std::vector<unsigned char>(14, 1)).Chunk("data", data).Done()},
      {"fmt cut by the end", Riff().Chunk("data", data).Chunk("fmt ", PcmFormat(), 400).Done()},
      {"no byte rate", Riff().Chunk("fmt ", PcmFormat({}, 0)).Chunk("data", data).Done()},
  };
  for (const Case& c : cases) {
    WaveData wave;
    EXPECT_FALSE(ParseWave(c.bytes.data(), c.bytes.size(), wave)) << c.what;
  }
}

TEST(WaveFile, DurationInHundredthsDoesNotWrap) {
  struct Case {
    unsigned long long bytes;
    unsigned long rate;
    unsigned hundredths;
  };
  const Case cases[] = {
      {176400, 44100, 400},          {0, 44100, 0},
      {1, 200, 1},                   {44099, 44100, 100},
      {50000000, 44100, 113379},     // bytes x 100 passes 32 bits
      {4410000000ull, 44100, 10000000},
      {1000, 0, 0},
      {~0ull, 1, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) EXPECT_EQ(WaveDurationHundredths(c.bytes, c.rate), c.hundredths) << c.bytes << " / " << c.rate;
}

}  // namespace
