#pragma once
// Test-only scene objects and record writers shared by the layer tests.
#include "core/archive/DS_IOF.h"
#include "core/archive/DS_IOF_Writer.h"
#include "core/archive/ReaderRegistry.h"
#include "core/render/StageView.h"
#include "core/scene/DS_ABObj.h"
#include "layers/DS_2D_Light.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

// A description that reads only the base part; its runtime object records what the layer
// handed it when it drew.
class ProbeDescription : public DS_ABObj_Constructor {
public:
  ProbeDescription() = default;
  ProbeDescription(const ProbeDescription&) = default;
  DS_ABObj* CreateRuntimeObject() override;
  bool ReadFields(DS_IOF_Virtual& archive, unsigned version) {
    return ReadPart(archive);  // the record holds only the base part
  }
};

struct ProbeDraw {
  std::string name;
  IDirect3DTexture9* background = nullptr;
  D3DXMATRIX depthMatrix;
};

class ProbeObject : public DS_ABObj {
public:
  explicit ProbeObject(DS_ABObj_Constructor* d) : DS_ABObj(d) {}
  void Render(DS_ABRender& context) override {
    ProbeDraw draw;
    draw.name = name;
    draw.background = context.GetBackgroundTexture();
    if (g_StageView) draw.depthMatrix = g_StageView->depthMatrix;
    if (log) log->push_back(draw);
    if (onRender) onRender(context);
  }
  void OnRuntimeEvent(int, int) override {}
  void OnScreenSizeChanged() override {}
  bool IsPostPass() override { return postPass; }
  void UpdateFrame(float objectTime) override { lastObjectTime = objectTime; ++updates; }
  void Reset() override {
    ++resets;
    DS_ABObj::Reset();
  }
  void SetVisible(bool v) override {
    visibleCalls.push_back(v);
    DS_ABObj::SetVisible(v);
  }

  std::string name;
  bool postPass = false;
  std::vector<ProbeDraw>* log = nullptr;
  std::function<void(DS_ABRender&)> onRender;
  float lastObjectTime = -1.0f;
  int updates = 0;
  int resets = 0;
  std::vector<bool> visibleCalls;
};

// A runtime probe with its own description at the given depth.
ProbeObject* MakeProbe(const std::string& name, bool postPass, unsigned depth,
                       std::vector<ProbeDraw>* log);

// Record pieces written with the core's writing archive.
void WriteString(DS_IOF_W& w, const std::wstring& s);
void WriteLinkRecord(DS_IOF_W& w, const std::wstring& path, long long stamp);
// A "DSM_Camera" record at version 3 with the given fields.
struct CameraFields {
  long mode = 0;
  int viewWidth = 0, viewHeight = 0;
  std::vector<std::array<float, 4>> keyFrames;  // x, y, z, time
  int zoom = 120, speed = 50;
  std::wstring borderPath = L"velmora.dll";
  long long borderStamp = 6;
};
void WriteCameraRecord(DS_IOF_W& w, const CameraFields& c, unsigned version = 3, long movingFlag = 0);
// A plain layer record at version 1 (no link, no camera).
void WriteLayerV1(DS_IOF_W& w);
// A probe description record (registered as "ProbeDescription").
void WriteProbeDescription(DS_IOF_W& w, const std::wstring& name, int depth);

// Reads back what was written.
struct ReadBack {
  explicit ReadBack(const DS_IOF_W& w) : bytes(w.Bytes()), source(bytes.data(), bytes.size()), archive(&source) {}
  std::vector<unsigned char> bytes;
  ResourceBuffer source;
  DS_IOF_R<ResourceBuffer> archive;
};
