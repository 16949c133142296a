// Where the scene goes on each monitor: plain arithmetic over rectangles, so the layout can
// be checked without a device. The host turns each pass into a zoom and pan on the stage
// view and, for fit, two clip planes that cut the letterbox bands.
#pragma once

#include <windows.h>

#include <vector>

struct MonitorRecord {
  HMONITOR monitor;
  RECT rect;
};

struct MonitorPass {
  float zoom = 1.0f;
  float panX = 0.0f;
  bool clip = false;        // clip planes 0 and 1 enabled for this pass
  float plane0[4] = {0, 0, 0, 0};
  float plane1[4] = {0, 0, 0, 0};
};

// One pass per monitor when there are two or more and the picture position is not stretch;
// otherwise no per-monitor passes (the scene is drawn once at zoom 1).
bool UsesPerMonitorPasses(size_t monitorCount, int picturePosition);

// The pass of one monitor. `window` is the player window's screen rectangle, `pictureAspect`
// the picture's width over height, `renderScale` the back buffer's size over the window's.
// Picture positions other than fit (1) and fill (2) give zoom 1, pan 0.
MonitorPass ComputeMonitorPass(int picturePosition, const RECT& monitor, const RECT& window,
                               float pictureAspect, float renderScale);

// Every pass of a frame, in the monitors' order; empty when the scene is drawn once.
std::vector<MonitorPass> ComputeMonitorPasses(const std::vector<MonitorRecord>& monitors,
                                              int picturePosition, const RECT& window,
                                              float pictureAspect, float renderScale);
