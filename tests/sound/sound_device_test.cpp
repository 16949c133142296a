// The real back ends under Wine: DirectSound buffers, and DirectShow graphs playing the
// build's tones (WAV, and MP3 decoded through gstreamer). What reaches the loudspeaker
// is checked by the capture test (sound_capture.py); here the graphs and buffers are
// asked what they do.

#include "core/document/DocResManager.h"
#include "sound/DS_Sound.h"
#include "sound/DirectSound.h"
#include "sound/MediaGraph.h"
#include "sound/Music.h"
#include "sound/WaveFile.h"
#include "tests/sound/Fixtures.h"
#include "tests/sound/TestFolder.h"

#include <dsound.h>
#include <dshow.h>
#include <gtest/gtest.h>

namespace {

// Static initialisers run on the main thread, before any test.
[[maybe_unused]] const bool kMainThreadPrinted = (PrintMainThread(), true);

// Waits (pumping messages) until the predicate holds or the time is up.
template <class F>
bool WaitFor(F predicate, DWORD ms) {
  DWORD start = GetTickCount();
  while (!predicate()) {
    if (GetTickCount() - start > ms) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  return true;
}

std::unique_ptr<FilterGraph> NewGraph(HWND window = nullptr) {
  std::unique_ptr<MediaGraph> graph = CreateFilterGraph(window, kMusicEventMessage);
  return std::unique_ptr<FilterGraph>(static_cast<FilterGraph*>(graph.release()));
}

TEST(FilterGraphDevice, PlaysFileAfterFileWithoutGrowing) {
  auto graph = NewGraph();
  ASSERT_NE(graph, nullptr);
  int filters = -1;
  for (const wchar_t* name : {L"tone440.mp3", L"tone660.mp3", L"tone880.mp3", L"tone440.mp3"}) {
    ASSERT_TRUE(graph->AddSourceFilter(FixturePath(name)));
    ASSERT_TRUE(graph->Restart()) << "restart after " << graph->CountFilters() << " filters";
    EXPECT_FALSE(graph->IsStopped());
    if (filters < 0) filters = graph->CountFilters();
    EXPECT_EQ(graph->CountFilters(), filters);  // a source, a decoder chain and a renderer, once
    EXPECT_TRUE(WaitFor([&] { return graph->GetEvent() == EC_COMPLETE; }, 15000));
  }
  EXPECT_GE(filters, 2);
  // Restarting the same file keeps the graph as it was and plays from the start.
  ASSERT_TRUE(graph->Restart());
  EXPECT_EQ(graph->CountFilters(), filters);
  LONGLONG current = -1, stop = 0;
  ASSERT_TRUE(graph->GetPositions(&current, &stop));
  EXPECT_LT(current, stop);
  graph->PutVolume(-2000);
  long volume = 0;
  ASSERT_TRUE(graph->GetVolume(&volume));
  EXPECT_EQ(volume, -2000);
  graph->Stop();
  EXPECT_TRUE(graph->IsStopped());
}

TEST(FilterGraphDevice, FilesItCannotOpenFailCleanly) {
  TestFolder folder(L"graph_bad");
  auto graph = NewGraph();
  ASSERT_NE(graph, nullptr);
  EXPECT_FALSE(graph->AddSourceFilter(folder.Path() + L"missing.mp3"));
  EXPECT_FALSE(graph->Restart());
  std::wstring junk = folder.Path() + L"junk.mp3";
  ASSERT_TRUE(TestFolder::Write(junk, std::string(4000, 'j')));
  if (graph->AddSourceFilter(junk)) {
    EXPECT_FALSE(graph->Restart());
  }
  EXPECT_FALSE(graph->RenderFile(junk));
  // The graph still plays a good file afterwards, by either road.
  EXPECT_TRUE(graph->RenderFile(FixturePath(L"tone660.wav")));
  graph->Run();
  EXPECT_FALSE(graph->IsStopped());
  graph->Stop();
}

// The music graph reports to a window; each WM_APP takes one event.
LRESULT CALLBACK MusicWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kMusicEventMessage) OnMusicEvent();
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MusicDevice, PlaylistStepsOnTheGraphsEventsAndWraps) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = MusicWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SoundDeviceTestWindow";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(InitMusicGraph(window));

  std::vector<NamedBuffer> files(3);
  const wchar_t* names[] = {L"tone440.mp3", L"tone660.mp3", L"tone880.wav"};
  for (int i = 0; i < 3; ++i) {
    std::vector<unsigned char> bytes = ReadFixture(FixturePath(names[i]));
    ASSERT_FALSE(bytes.empty());
    files[i].name = std::wstring(L"C:\\Authoring\\Music\\") + names[i];
    files[i].Assign(bytes.data(), unsigned(bytes.size()));
  }
  StartSceneMusic({&files[0], &files[1], &files[2]});
  ApplySoundVolume(100, false);
  auto* graph = static_cast<FilterGraph*>(g_MusicGraph);
  int filters = graph->CountFilters();
  EXPECT_EQ(g_MusicPlaylist.Position(), 1u);
  for (size_t next : {2u, 0u, 1u}) {
    EXPECT_TRUE(WaitFor([&] { return g_MusicPlaylist.Position() == next; }, 15000)) << "towards track " << next;
    EXPECT_LE(graph->CountFilters(), filters + 1);  // WAV and MP3 chains differ by a filter
  }
  StopSceneMusic();
  EXPECT_TRUE(graph->IsStopped());
  EXPECT_TRUE(g_MusicPlaylist.Paths().empty());
  ReleaseMusicGraph();
  DestroyWindow(window);
  for (NamedBuffer& file : files) EXPECT_TRUE(TestFolder::Exists(file.name)) << "music files are kept for the next run";
}

TEST(DirectSoundDevice, StartsAndPlaysAWavSoundObject) {
  ReleaseDirectSound();
  ASSERT_TRUE(InitDirectSound(nullptr));
  ASSERT_NE(g_PrimaryBuffer, nullptr);
  ApplySoundVolume(50, false);

  DS_DocResManager manager;
  g_DocResManager = &manager;
  const wchar_t link[] = L"C:\\Authoring\\ding.wav";
  std::vector<unsigned char> bytes = ReadFixture(FixturePath(L"tone660.wav"));
  DS_ResourceRecord record;
  record.Assign(bytes.data(), unsigned(bytes.size()));
  manager.Tables().store[DS_LinkKey(link, 1)].push_back(record);

  DS_WAV_Constructor wav;
  wav.m_Link.StoreKey(link, 1);
  std::unique_ptr<DS_ABObj> sound(wav.CreateRuntimeObject());
  auto& clone = *static_cast<DS_WAV_Constructor*>(sound->Description());
  ASSERT_NE(clone.Buffer(), nullptr);
  EXPECT_EQ(clone.TimeLine().m_ShownTime.minimum.Get(), 60u);  // 0.6 s
  sound->AdvanceTime(1.0f);
  DWORD status = 0;
  ASSERT_TRUE(clone.Buffer()->GetStatus(&status));
  EXPECT_TRUE(status & DSBSTATUS_PLAYING);
  EXPECT_TRUE(status & DSBSTATUS_LOOPING);
  sound->SetVisible(false);
  ASSERT_TRUE(clone.Buffer()->GetStatus(&status));
  EXPECT_FALSE(status & DSBSTATUS_PLAYING);
  sound.reset();
  g_DocResManager = nullptr;
  StopPrimaryBuffer();
  ReleaseDirectSound();
}

TEST(DirectSoundDevice, Mp3SoundObjectPlaysItsOwnTemporaryFile) {
  TestFolder folder(L"mp3_device");
  SetSoundTempFolder(folder.Path());
  DS_MP3_Constructor mp3;
  std::vector<unsigned char> bytes = ReadFixture(FixturePath(L"tone880.mp3"));
  mp3.m_Bytes.name = L"C:\\Authoring\\chime.mp3";
  mp3.m_Bytes.Assign(bytes.data(), unsigned(bytes.size()));
  std::unique_ptr<DS_ABObj> sound(mp3.CreateRuntimeObject());
  auto& clone = *static_cast<DS_MP3_Constructor*>(sound->Description());
  ASSERT_NE(clone.Graph(), nullptr);
  std::wstring path = clone.TempPath();
  EXPECT_TRUE(TestFolder::Exists(path));
  EXPECT_TRUE(clone.Graph()->IsStopped());  // loaded, then stopped until its time line shows it
  auto playedOut = [&] {
    LONGLONG current = 0, stop = 0;
    return clone.Graph()->GetPositions(&current, &stop) && current >= stop;
  };
  sound->AdvanceTime(1.0f);
  EXPECT_FALSE(clone.Graph()->IsStopped());
  // It reaches its end and is stopped, then starts again while it is shown.
  EXPECT_TRUE(WaitFor(playedOut, 15000));
  sound->AdvanceTime(1.1f);
  EXPECT_TRUE(clone.Graph()->IsStopped());
  sound->AdvanceTime(1.2f);
  EXPECT_FALSE(clone.Graph()->IsStopped());
  // Released once it has played out again: Wine's MPEG filters may fault in their own
  // threads when a graph that has only just started is stopped.
  EXPECT_TRUE(WaitFor(playedOut, 15000));
  sound.reset();
  EXPECT_FALSE(TestFolder::Exists(path));  // released by the graph first, then deleted
  SetSoundTempFolder(L"");
}

}  // namespace
