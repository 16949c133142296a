#include "shell/MonitorLayout.h"

bool UsesPerMonitorPasses(size_t monitorCount, int picturePosition) {
  return monitorCount >= 2 && picturePosition != 0;
}

MonitorPass ComputeMonitorPass(int picturePosition, const RECT& monitor, const RECT& window,
                               float pictureAspect, float renderScale) {
  MonitorPass pass;
  const float W = float(window.right - window.left);
  const float H = float(window.bottom - window.top);
  const float cw = float((window.left + window.right) / 2);
  const float mw = float(monitor.right - monitor.left);
  const float mh = float(monitor.bottom - monitor.top);
  // A degenerate monitor or picture has no layout of its own; it keeps zoom 1, pan 0.
  if (mw <= 0 || mh <= 0 || W <= 0 || H <= 0 || !(pictureAspect > 0)) return pass;
  const float am = mw / mh;
  const float cm = float((monitor.left + monitor.right) / 2);
  const float ap = pictureAspect;
  const float s = renderScale;

  if (picturePosition == 2) {  // fill: the picture covers the monitor, its overflow is cut
    pass.zoom = mw / W;
    if (ap > am) pass.zoom *= ap / am;
    pass.panX = (cm - cw) / mw;
  } else if (picturePosition == 1) {  // fit: the whole picture, bands where it falls short
    pass.clip = true;
    if (ap > am) {  // bands above and below
      pass.zoom = mw / (H * ap);
      pass.panX = (cm - cw) / mw;
      const float band = (mh - mw / ap) * 0.5f;
      const float p0[4] = {0, 1, 0, -s * band};
      const float p1[4] = {0, -1, 0, s * (float(monitor.bottom) - band)};
      for (int i = 0; i < 4; ++i) pass.plane0[i] = p0[i], pass.plane1[i] = p1[i];
    } else {  // bands left and right
      pass.zoom = mh / H;
      pass.panX = (am / ap) * (cm - cw) / mw;
      const float band = (mw - ap * mh) * 0.5f;
      const float p0[4] = {1, 0, 0, -s * (float(monitor.left) + band)};
      // The right band starts at the monitor's right edge less the band (not at left + right
      // less it, which lies beyond every monitor but the first and lets objects that leave
      // the picture show in that band).
      const float p1[4] = {-1, 0, 0, s * (float(monitor.right) - band)};
      for (int i = 0; i < 4; ++i) pass.plane0[i] = p0[i], pass.plane1[i] = p1[i];
    }
  }
  return pass;
}

std::vector<MonitorPass> ComputeMonitorPasses(const std::vector<MonitorRecord>& monitors,
                                              int picturePosition, const RECT& window,
                                              float pictureAspect, float renderScale) {
  std::vector<MonitorPass> passes;
  if (!UsesPerMonitorPasses(monitors.size(), picturePosition)) return passes;
  passes.reserve(monitors.size());
  for (const MonitorRecord& m : monitors)
    passes.push_back(
        ComputeMonitorPass(picturePosition, m.rect, window, pictureAspect, renderScale));
  return passes;
}
