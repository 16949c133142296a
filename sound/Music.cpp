#include "sound/Music.h"

#include "sound/SoundVolume.h"
#include "sound/TempFiles.h"

MediaGraph* g_MusicGraph = nullptr;
MusicPlaylist g_MusicPlaylist;

namespace {

const wchar_t kMusicPrefix[] = L"Tarnwick_music_";

// Plays one track; false when neither way could start it.
bool TryPlayMusicTrack(const std::wstring& path) {
  if (!g_MusicGraph || path.empty()) return false;
  if (g_MusicGraph->AddSourceFilter(path) && g_MusicGraph->Restart()) return true;
  g_MusicGraph->Stop();
  if (!g_MusicGraph->RenderFile(path)) return false;
  LONGLONG duration = 0;
  g_MusicGraph->GetDuration(&duration);
  g_MusicGraph->Run();
  return true;
}

}  // namespace

// The graph is a plain owning pointer, released by the host; see DirectSound.cpp.
void InitMusicGraphWith(std::unique_ptr<MediaGraph> graph) {
  ReleaseMusicGraph();
  g_MusicGraph = graph.release();
}

bool InitMusicGraph(HWND window) {
  InitMusicGraphWith(CreateFilterGraph(window, kMusicEventMessage));
  return g_MusicGraph != nullptr;
}

void ReleaseMusicGraph() {
  g_MusicPlaylist.Clear();
  if (!g_MusicGraph) return;
  g_MusicGraph->Stop();
  delete g_MusicGraph;
  g_MusicGraph = nullptr;
}

void PlayMusicTrack(const std::wstring& path) { TryPlayMusicTrack(path); }

void SetMusicVolume(unsigned volume, bool mute) {
  if (g_MusicGraph) g_MusicGraph->PutVolume(MusicVolume(volume, mute));
}

long GetMusicEvent() { return g_MusicGraph ? g_MusicGraph->GetEvent() : -1; }

bool WriteMusicTempFile(NamedBuffer& data, const std::wstring& folder) {
  if (!data.data || data.size == 0) return true;  // nothing carried: played from its path
  // The file at the original path is used only when it is this very music; another file
  // that happens to have that path is not the document's.
  if (!data.name.empty() && FileHoldsBytes(data.name, data.data, data.size)) {
    data.Clear();
    return true;
  }
  std::wstring dir = folder.empty() ? GetTempFolder() : folder;
  if (dir.empty()) return false;
  // Named by content: a later run finds its own file again instead of writing another,
  // and a file of that name with other bytes is somebody else's and is left alone.
  std::wstring tagged = kMusicPrefix + ContentTag(data.data, data.size) + L"_";
  std::wstring name = TempFileNameOf(data.name);
  std::wstring path = dir + tagged + name;
  bool taken = false;
  if (!FileHoldsBytes(path, data.data, data.size) && !CreateNewFileWithBytes(path, data.data, data.size, &taken)) {
    path = taken ? CreateUniqueFile(dir, tagged, name, data.data, data.size) : std::wstring();
    if (path.empty()) return false;
  }
  data.name = path;
  data.Clear();
  return true;
}

void MusicPlaylist::Start(std::vector<std::wstring> paths) {
  m_Paths = std::move(paths);
  m_Position = 0;
  PlayAtPositionAndStep();
}

void MusicPlaylist::PlayNext() { PlayAtPositionAndStep(); }

void MusicPlaylist::Clear() {
  m_Paths.clear();
  m_Position = 0;
}

void MusicPlaylist::PlayAtPositionAndStep() {
  // A track that cannot be played would never report its end, which would stop the
  // music for good; the next one is tried instead, each at most once per step.
  for (size_t tried = 0; tried < m_Paths.size(); ++tried) {
    const std::wstring& path = m_Paths[m_Position];
    m_Position = m_Position + 1 < m_Paths.size() ? m_Position + 1 : 0;
    if (TryPlayMusicTrack(path)) return;
  }
}

void StartSceneMusic(const std::vector<NamedBuffer*>& files) {
  std::vector<std::wstring> paths;
  for (NamedBuffer* file : files) {
    if (!file) continue;
    WriteMusicTempFile(*file);
    paths.push_back(file->name);
  }
  g_MusicPlaylist.Start(std::move(paths));
  // Silent until the start applies the stored volume and mute.
  if (g_MusicGraph) g_MusicGraph->PutVolume(-10000);
}

void OnMusicEvent() {
  if (GetMusicEvent() == kMusicTrackComplete) g_MusicPlaylist.PlayNext();
}

void StopSceneMusic() {
  g_MusicPlaylist.Clear();
  if (g_MusicGraph) g_MusicGraph->Stop();
}
