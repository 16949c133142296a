#include "LayerTestSupport.h"

DS_REGISTER_OBJECT_READER(ProbeDescription);

DS_ABObj* ProbeDescription::CreateRuntimeObject() {
  auto* o = new ProbeObject(new ProbeDescription(*this));
  o->name = std::string(m_Name.begin(), m_Name.end());
  return o;
}

ProbeObject* MakeProbe(const std::string& name, bool postPass, unsigned depth, std::vector<ProbeDraw>* log) {
  auto* d = new ProbeDescription();
  d->m_Depth.Store(depth);
  auto* o = new ProbeObject(d);
  o->name = name;
  o->postPass = postPass;
  o->log = log;
  return o;
}

void WriteString(DS_IOF_W& w, const std::wstring& s) { w.WriteString(s); }

void WriteLinkRecord(DS_IOF_W& w, const std::wstring& path, long long stamp) {
  w.WriteString(path);
  w.WriteInt64(stamp);
}

void WriteCameraRecord(DS_IOF_W& w, const CameraFields& c, unsigned version, long movingFlag) {
  w.WriteString(L"DSM_Camera");
  w.WriteUInt(version);
  if (version > 2) {
    w.WriteLong(c.mode);
    w.WriteInt(c.viewWidth);
    w.WriteInt(c.viewHeight);
    w.WriteUInt(unsigned(c.keyFrames.size()));
    for (const auto& k : c.keyFrames) {
      w.WriteUInt(0u);
      for (float v : k) w.WriteFloat(v);
    }
  } else {
    w.WriteLong(movingFlag);
  }
  w.WriteInt(c.zoom);
  w.WriteInt(c.speed);
  if (version > 1) WriteLinkRecord(w, c.borderPath, c.borderStamp);
}

void WriteLayerV1(DS_IOF_W& w) {
  w.WriteString(L"DS_2D_Light");
  w.WriteUInt(1u);
}

void WriteProbeDescription(DS_IOF_W& w, const std::wstring& name, int depth) {
  w.WriteString(L"ProbeDescription");
  w.WriteUInt(1u);
  w.WriteString(L"DS_ABObj_Constructor");
  w.WriteUInt(3u);
  w.WriteString(name);
  w.WriteInt(depth);
  // The owned time line: mode 0, always shown.
  w.WriteString(L"DS_TimeLineControl");
  w.WriteUInt(1u);
  w.WriteLong(0);
  w.WriteLong(0);
  for (int v : {100, 100, 100, 100, 50, 50}) w.WriteInt(v);
  w.WriteUInt(0u);
}
