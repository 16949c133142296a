#include "sound/MediaGraph.h"

#include <dshow.h>

#include <vector>

namespace {

// The graph's filters, each with a reference held by the vector's owner.
std::vector<IBaseFilter*> CollectFilters(IGraphBuilder* graph) {
  std::vector<IBaseFilter*> filters;
  IEnumFilters* list = nullptr;
  if (FAILED(graph->EnumFilters(&list)) || !list) return filters;
  IBaseFilter* filter = nullptr;
  while (list->Next(1, &filter, nullptr) == S_OK) filters.push_back(filter);
  list->Release();
  return filters;
}

void ReleaseAll(std::vector<IBaseFilter*>& filters) {
  for (IBaseFilter* filter : filters) filter->Release();
  filters.clear();
}

// The filter's name as the graph knows it (filters keep the name they were added under).
std::wstring FilterName(IBaseFilter* filter) {
  FILTER_INFO info = {};
  if (FAILED(filter->QueryFilterInfo(&info))) return std::wstring();
  if (info.pGraph) info.pGraph->Release();
  return info.achName;
}

}  // namespace

FilterGraph::FilterGraph(IGraphBuilder* graph, IMediaControl* control, IMediaSeeking* seeking,
                         IMediaEventEx* events, IBasicAudio* audio) {
  // The graph comes with a reference for each interface, which the wrapper takes over.
  m_Graph.Attach(graph);
  m_Control.Attach(control);
  m_Seeking.Attach(seeking);
  m_Events.Attach(events);
  m_Audio.Attach(audio);
}

FilterGraph::~FilterGraph() {
  // A graph let go while it runs tears down its streaming threads in the middle of their
  // work; stopped first, it ends cleanly.
  if (m_Control) m_Control->Stop();
  m_Source.Reset();
  // The order the graph was always released in: audio, events, seeking, control, builder.
  m_Audio.Reset();
  m_Events.Reset();
  m_Seeking.Reset();
  m_Control.Reset();
  m_Graph.Reset();
}

void FilterGraph::RemoveAllFilters() {
  std::vector<IBaseFilter*> filters = CollectFilters(m_Graph);
  for (IBaseFilter* filter : filters) m_Graph->RemoveFilter(filter);
  ReleaseAll(filters);
}

bool FilterGraph::AddSourceFilter(const std::wstring& path) {
  // One file at a time: the previous file's source and its chain leave the graph, so a
  // playlist does not grow the graph by a source filter per track.
  m_Control->Stop();
  RemoveAllFilters();
  m_Source.Reset();
  IBaseFilter* source = nullptr;
  if (FAILED(m_Graph->AddSourceFilter(path.c_str(), path.c_str(), &source)) || !source) return false;
  m_Source.Attach(source);
  return true;
}

bool FilterGraph::Restart() {
  if (!m_Source) return false;
  IPin* pin = nullptr;
  if (FAILED(m_Source->FindPin(L"Output", &pin)) || !pin) return false;
  m_Control->Stop();
  // Removing a filter and adding it back disconnects it; every filter is collected first,
  // because removing filters while enumerating them skips some.
  std::vector<IBaseFilter*> filters = CollectFilters(m_Graph);
  for (IBaseFilter* filter : filters) {
    std::wstring name = FilterName(filter);
    m_Graph->RemoveFilter(filter);
    m_Graph->AddFilter(filter, name.empty() ? nullptr : name.c_str());
  }
  ReleaseAll(filters);
  HRESULT rendered = m_Graph->Render(pin);
  pin->Release();
  // A pin that renders to nothing would play silence for ever; the caller's fallback gets
  // its chance instead.
  if (FAILED(rendered)) return false;
  LONGLONG start = 0;
  m_Seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
  m_Control->Run();
  return true;
}

bool FilterGraph::RenderFile(const std::wstring& path) {
  m_Control->Stop();
  RemoveAllFilters();
  m_Source.Reset();
  return SUCCEEDED(m_Graph->RenderFile(path.c_str(), nullptr));
}

void FilterGraph::Run() { m_Control->Run(); }

void FilterGraph::Stop() { m_Control->Stop(); }

bool FilterGraph::IsStopped() {
  OAFilterState state = State_Running;
  HRESULT hr = m_Control->GetState(100, &state);
  return hr == S_OK && state == State_Stopped;
}

bool FilterGraph::GetPositions(LONGLONG* current, LONGLONG* stop) {
  return SUCCEEDED(m_Seeking->GetPositions(current, stop));
}

bool FilterGraph::GetDuration(LONGLONG* duration) { return SUCCEEDED(m_Seeking->GetDuration(duration)); }

void FilterGraph::PutVolume(long volume) { m_Audio->put_Volume(volume); }

void FilterGraph::PutBalance(long balance) { m_Audio->put_Balance(balance); }

long FilterGraph::GetEvent() {
  long code = 0;
  LONG_PTR param1 = 0, param2 = 0;
  if (FAILED(m_Events->GetEvent(&code, &param1, &param2, 0))) return -1;
  m_Events->FreeEventParams(code, param1, param2);
  return code;
}

int FilterGraph::CountFilters() {
  std::vector<IBaseFilter*> filters = CollectFilters(m_Graph);
  int count = static_cast<int>(filters.size());
  ReleaseAll(filters);
  return count;
}

bool FilterGraph::GetVolume(long* volume) { return SUCCEEDED(m_Audio->get_Volume(volume)); }

std::unique_ptr<MediaGraph> CreateFilterGraph(HWND notifyWindow, UINT message) {
  CoInitialize(nullptr);
  IGraphBuilder* graph = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&graph))) ||
      !graph)
    return nullptr;
  IMediaControl* control = nullptr;
  IMediaSeeking* seeking = nullptr;
  IMediaEventEx* events = nullptr;
  IBasicAudio* audio = nullptr;
  bool ok = SUCCEEDED(graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control))) &&
            SUCCEEDED(graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking))) &&
            SUCCEEDED(graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&events))) &&
            SUCCEEDED(graph->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio))) &&
            SUCCEEDED(events->SetNotifyWindow(reinterpret_cast<OAHWND>(notifyWindow), message, 0));
  auto result = std::make_unique<FilterGraph>(graph, control, seeking, events, audio);
  if (!ok) return nullptr;  // the wrapper releases whatever was had
  return result;
}
