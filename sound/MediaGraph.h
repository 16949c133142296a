#pragma once
// The narrow face of a DirectShow filter graph that the player uses: the slide show's
// music graph and each MP3 sound's graph. A graph plays one file at a time. Tests put
// recording doubles behind it; the player uses the DirectShow implementation below.

#include <windows.h>

#include <memory>
#include <string>

#include "platform/ComPtr.h"

struct IBaseFilter;
struct IBasicAudio;
struct IGraphBuilder;
struct IMediaControl;
struct IMediaEventEx;
struct IMediaSeeking;

class MediaGraph {
public:
  virtual ~MediaGraph() = default;

  // Puts a source filter for the file (named by the path) in the graph, in place of the
  // previous file's filters. False when the graph cannot open the file.
  virtual bool AddSourceFilter(const std::wstring& path) = 0;
  // Stops, disconnects every filter, renders the source filter's "Output" pin afresh,
  // seeks to the start and runs. False without a source, its pin, or a rendering.
  virtual bool Restart() = 0;
  // Renders the file with filters of the graph's own choice, in place of what it held.
  virtual bool RenderFile(const std::wstring& path) = 0;
  virtual void Run() = 0;
  virtual void Stop() = 0;
  // True when the graph reports (within 100 ms) that it is stopped.
  virtual bool IsStopped() = 0;
  // Current and stop positions in 100-ns units.
  virtual bool GetPositions(LONGLONG* current, LONGLONG* stop) = 0;
  virtual bool GetDuration(LONGLONG* duration) = 0;
  // Hundredths of a decibel: volume -10000..0, balance -10000..10000.
  virtual void PutVolume(long volume) = 0;
  virtual void PutBalance(long balance) = 0;
  // The next queued event's code, without waiting; -1 when there is none.
  virtual long GetEvent() = 0;
};

// A graph of the filter-graph manager: CoInitialize, the graph builder and its control,
// seeking, event and audio interfaces. Events are posted as message to the window (none
// when the window is null). Null when any step fails.
std::unique_ptr<MediaGraph> CreateFilterGraph(HWND notifyWindow, UINT message);

// The DirectShow graph, visible so that tests can look inside it.
class FilterGraph final : public MediaGraph {
public:
  // Takes the five interfaces (one reference each).
  FilterGraph(IGraphBuilder* graph, IMediaControl* control, IMediaSeeking* seeking, IMediaEventEx* events,
              IBasicAudio* audio);
  ~FilterGraph() override;
  FilterGraph(const FilterGraph&) = delete;
  FilterGraph& operator=(const FilterGraph&) = delete;

  bool AddSourceFilter(const std::wstring& path) override;
  bool Restart() override;
  bool RenderFile(const std::wstring& path) override;
  void Run() override;
  void Stop() override;
  bool IsStopped() override;
  bool GetPositions(LONGLONG* current, LONGLONG* stop) override;
  bool GetDuration(LONGLONG* duration) override;
  void PutVolume(long volume) override;
  void PutBalance(long balance) override;
  long GetEvent() override;

  // How many filters the graph holds now.
  int CountFilters();
  // The graph's volume as it reports it (tests).
  bool GetVolume(long* volume);

private:
  // Takes every filter out of the graph (collected first: removing while enumerating
  // makes the enumerator skip filters).
  void RemoveAllFilters();

  ComRef<IGraphBuilder> m_Graph;
  ComRef<IMediaControl> m_Control;
  ComRef<IMediaSeeking> m_Seeking;
  ComRef<IMediaEventEx> m_Events;
  ComRef<IBasicAudio> m_Audio;
  ComRef<IBaseFilter> m_Source;
};
