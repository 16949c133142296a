#pragma once
// The slide show's music: one DirectShow graph that plays the scene root's music files
// track after track and posts its events to the main window, and the playlist that steps
// through them.
//
// The shell's calls, in order of a run:
//   the Direct3D host's Init:           InitMusicGraph(main window)
//   after building the slides:          StartSceneMusic(root's audio files' data)
//                                       (the first track plays at -10000 until the start
//                                        applies the stored volume with ApplySoundVolume)
//   WM_APP (kMusicEventMessage):        OnMusicEvent()  (one event per message)
//   stop request (WM_USER+2), before the scene root is deleted, and WM_DESTROY:
//                                       StopSceneMusic()
//   the host's destruction:             ReleaseMusicGraph()

#include "core/archive/DS_IOF.h"
#include "sound/MediaGraph.h"

#include <string>
#include <vector>

// The music graph's events reach the main window as this message (WM_APP).
constexpr UINT kMusicEventMessage = 0x8000;
// The event that ends a track.
constexpr long kMusicTrackComplete = 1;  // EC_COMPLETE

// Null until InitMusicGraph succeeds.
extern MediaGraph* g_MusicGraph;

// Creates the music graph, reporting to the window. False when DirectShow is missing; the
// music then stays silent.
bool InitMusicGraph(HWND window);
// The same with a graph of the caller's (tests hand in recording doubles); takes it.
void InitMusicGraphWith(std::unique_ptr<MediaGraph> graph);
// Stops and releases the music graph; the playlist is dropped with it.
void ReleaseMusicGraph();

// Plays one file on the music graph: through a source filter and a restart of the graph,
// or, when that fails, through the graph's own rendering of the file.
void PlayMusicTrack(const std::wstring& path);
// The music's volume: mute -10000, else trunc((volume*100 - 10000) * 0.4f).
void SetMusicVolume(unsigned volume, bool mute);
// The next event of the music graph, or -1.
long GetMusicEvent();

// Writes a music file's carried bytes to a file of the temp folder and points the buffer's
// name (the path the music file came from) at it; the bytes are then freed. A file
// already holding exactly these bytes (at the original path, or left by an earlier run)
// is used as it is. No file of anybody else's is overwritten. These files are not
// deleted: the next run finds them by name and content and uses them again. False when
// nothing could be written (the bytes and path are then kept). Folder: the temp folder
// when empty.
bool WriteMusicTempFile(NamedBuffer& data, const std::wstring& folder = std::wstring());

// The playlist: the music files' paths in document order and the next one to play.
class MusicPlaylist {
public:
  // Plays the first track (when there is one) and steps on.
  void Start(std::vector<std::wstring> paths);
  // On a track's end: plays the next, wrapping after the last; one track repeats.
  void PlayNext();
  // Forgets every track; nothing plays on the next event.
  void Clear();

  const std::vector<std::wstring>& Paths() const { return m_Paths; }
  size_t Position() const { return m_Position; }

private:
  void PlayAtPositionAndStep();

  // The playlist keeps copies of the paths, so it never points into a scene root that a
  // stop request has deleted.
  std::vector<std::wstring> m_Paths;
  size_t m_Position = 0;
};

// The player's playlist.
extern MusicPlaylist g_MusicPlaylist;

// The music start of a scene: writes every file to the temp folder, starts the playlist
// with the first track and silences it (-10000) until the stored volume is applied.
// Files are the scene root's audio files' data, in document order.
void StartSceneMusic(const std::vector<NamedBuffer*>& files);
// WM_APP: takes one event; a finished track makes the playlist play the next.
void OnMusicEvent();
// A stop request or shutdown: stops the music graph and drops the playlist.
void StopSceneMusic();
