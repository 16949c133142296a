#pragma once
// Recording doubles of the sound back ends: every call is written to a shared log as
// text, and each double answers as its settings say.

#include "sound/MediaGraph.h"
#include "sound/SoundDevice.h"

#include <dsound.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

using CallLog = std::vector<std::string>;

inline std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class RecordingBuffer : public SoundBuffer {
public:
  explicit RecordingBuffer(std::shared_ptr<CallLog> log, std::string name = "buffer")
      : log(std::move(log)), name(std::move(name)) {}

  bool GetStatus(DWORD* s) override {
    Log("GetStatus");
    *s = status;
    return !failStatus;
  }
  bool SetCurrentPosition(DWORD position) override {
    Log("SetCurrentPosition(" + std::to_string(position) + ")");
    return !failPosition;
  }
  bool Play(DWORD flags) override {
    bool looping = flags & DSBPLAY_LOOPING;
    Log(looping ? "Play(looping)" : "Play(once)");
    status = DSBSTATUS_PLAYING | (looping ? DSBSTATUS_LOOPING : 0);
    return !failPlay;
  }
  bool Stop() override {
    Log("Stop");
    status = 0;
    return true;
  }
  bool SetVolume(LONG v) override {
    Log("SetVolume(" + std::to_string(v) + ")");
    return true;
  }
  bool SetPan(LONG p) override {
    Log("SetPan(" + std::to_string(p) + ")");
    return true;
  }

  void Log(const std::string& call) { log->push_back(name + "." + call); }

  std::shared_ptr<CallLog> log;
  std::string name;
  DWORD status = 0;
  bool failStatus = false, failPosition = false, failPlay = false;
};

class RecordingDevice : public SoundDevice {
public:
  explicit RecordingDevice(std::shared_ptr<CallLog> log) : log(std::move(log)) {}

  std::unique_ptr<SoundBuffer> CreatePrimaryBuffer(DWORD flags) override {
    log->push_back("device.CreatePrimaryBuffer(" + std::to_string(flags) + ")");
    if (failPrimary) return nullptr;
    return std::make_unique<RecordingBuffer>(log, "primary");
  }
  std::shared_ptr<SoundBuffer> CreateBuffer(DWORD flags, const WAVEFORMATEX& format, const void* pcm,
                                            DWORD size) override {
    log->push_back("device.CreateBuffer(" + std::to_string(flags) + ", " + std::to_string(size) + ")");
    lastFormatTag = format.wFormatTag;
    lastCbSize = format.cbSize;
    lastSize = size;
    if (failBuffers) return nullptr;
    auto buffer = std::make_shared<RecordingBuffer>(log, "wav");
    lastBuffer = buffer;
    return buffer;
  }

  std::shared_ptr<CallLog> log;
  bool failPrimary = false, failBuffers = false;
  WORD lastFormatTag = 0, lastCbSize = 0xFFFF;
  DWORD lastSize = 0;
  std::shared_ptr<RecordingBuffer> lastBuffer;
};

class RecordingGraph : public MediaGraph {
public:
  explicit RecordingGraph(std::shared_ptr<CallLog> log, std::string name = "graph")
      : log(std::move(log)), name(std::move(name)) {}

  bool AddSourceFilter(const std::wstring& path) override {
    Log("AddSourceFilter(" + Narrow(path) + ")");
    lastSource = path;
    return !failAddSource && !(failPath == path);
  }
  bool Restart() override {
    Log("Restart");
    if (failRestart || failPath == lastSource) return false;
    stopped = false;
    current = 0;
    return true;
  }
  bool RenderFile(const std::wstring& path) override {
    Log("RenderFile(" + Narrow(path) + ")");
    return !failRender && !(failPath == path);
  }
  void Run() override {
    Log("Run");
    stopped = false;
  }
  void Stop() override {
    Log("Stop");
    stopped = true;
  }
  bool IsStopped() override { return stopped; }
  bool GetPositions(LONGLONG* c, LONGLONG* s) override {
    *c = current;
    *s = stopPosition;
    return true;
  }
  bool GetDuration(LONGLONG* d) override {
    Log("GetDuration");
    *d = duration;
    return true;
  }
  void PutVolume(long v) override { Log("PutVolume(" + std::to_string(v) + ")"); }
  void PutBalance(long b) override { Log("PutBalance(" + std::to_string(b) + ")"); }
  long GetEvent() override {
    if (events.empty()) return -1;
    long code = events.front();
    events.pop_front();
    return code;
  }

  void Log(const std::string& call) { log->push_back(name + "." + call); }

  std::shared_ptr<CallLog> log;
  std::string name;
  bool failAddSource = false, failRestart = false, failRender = false;
  std::wstring failPath = L"\x01";  // a path that fails every way
  std::wstring lastSource;
  bool stopped = true;
  LONGLONG current = 0, stopPosition = 50000000, duration = 123456789;  // 12.3 s
  std::deque<long> events;
};
