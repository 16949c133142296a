#include "tests/support/DeviceLife.h"

#include "core/document/DocResManager.h"
#include "core/document/TextureCache.h"
#include "core/render/Device.h"
#include "core/render/StageView.h"
#include "layers/DS_SlideShow_Light.h"
#include "layers/DocumentLoader.h"
#include "layers/SceneDeviceCycle.h"
#include "tests/support/TestDevice.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace tw_test {

namespace {

std::string Hex(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(hr));
  return buf;
}

int ChannelDifference(D3DCOLOR a, D3DCOLOR b) {
  int largest = 0;
  for (int shift : {16, 8, 0}) {
    const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
    if (d > largest) largest = d;
  }
  return largest;
}

// One frame as the host draws it on one monitor: black clear, the show at zoom 1, the end
// of the scene; the back buffer is read before any Present could discard it. The frame after
// the reset draws the scene as it stands, without another update: objects whose state moves
// on every update even when the time stands still (a blade of grass leans from where it
// stands) would otherwise differ for reasons that have nothing to do with the device.
bool DrawFrame(TestDevice& dev, DS_SlideShow_Light& show, const DeviceLifeOptions& options,
               std::vector<D3DCOLOR>* pixels, DeviceLifeReport& report, const char* which, bool update) {
  IDirect3DDevice9* device = dev.device;
  if (update) show.UpdateFrame(options.time);
  const HRESULT begin = device->BeginScene();
  if (FAILED(begin)) {
    report.messages.push_back(std::string(which) + ": BeginScene failed (" + Hex(begin) + ")");
    return false;
  }
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  if (g_StageView) g_StageView->SetZoomPan(1.0f, 0.0f, 0.0f);
  show.Render(false);
  device->EndScene();
  IDirect3DSurface9* back = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) {
    report.messages.push_back(std::string(which) + ": no back buffer");
    return false;
  }
  const RECT whole{0, 0, LONG(options.width), LONG(options.height)};
  const bool read = dev.ReadSurfaceRect(back, whole, pixels);
  back->Release();
  if (!read) report.messages.push_back(std::string(which) + ": the back buffer could not be read");
  return read;
}

void Compare(DeviceLifeReport& report, int tolerance) {
  if (report.firstFrame.size() != report.secondFrame.size()) return;
  for (size_t i = 0; i < report.firstFrame.size(); ++i) {
    const int d = ChannelDifference(report.firstFrame[i], report.secondFrame[i]);
    if (d > report.largestDifference) report.largestDifference = d;
    if (d > tolerance) {
      if (report.differingPixels == 0) {
        char buf[128];
        std::snprintf(buf, sizeof buf, "first differing pixel (%u, %u): %08lx before the reset, %08lx after",
                      unsigned(i % report.width), unsigned(i / report.width),
                      static_cast<unsigned long>(report.firstFrame[i]),
                      static_cast<unsigned long>(report.secondFrame[i]));
        report.messages.push_back(buf);
      }
      ++report.differingPixels;
    }
  }
  report.pixelsMatched = report.differingPixels == 0;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, const DeviceLifeReport& r) {
  os << "loaded " << r.loaded << ", first frame " << r.firstFrameDrawn << ", Reset " << Hex(r.resetResult)
     << ", second frame " << r.secondFrameDrawn << ", pixels matched " << r.pixelsMatched << " ("
     << r.differingPixels << " differ, largest difference " << r.largestDifference << "), references left "
     << long(r.referencesLeft);
  for (const std::string& m : r.messages) os << "\n  " << m;
  return os;
}

DeviceLifeReport RunDeviceLife(const void* document, size_t size, const DeviceLifeOptions& options) {
  DeviceLifeReport report;
  report.width = options.width;
  report.height = options.height;
  if (g_Device || g_DocResManager || g_StageView || g_TextureCache) {
    report.messages.push_back("the device globals were already set: the fixture owns them while it runs");
    return report;
  }
  TestDevice dev;
  if (!dev.Create(options.width, options.height)) {
    report.messages.push_back("no device: " + dev.error);
    return report;
  }
  g_Device = dev.device;
  // What the player holds before the document: its stage view and the host's texture cache
  // (which the document's store replaces while it lives).
  std::unique_ptr<DS_StageView> stageView(new DS_StageView());
  g_StageView = stageView.get();
  std::unique_ptr<DS_TextureCache> hostCache(new DS_TextureCache());
  g_TextureCache = hostCache.get();

  std::unique_ptr<DS_SlideShow_Light> show;
  try {
    show.reset(LoadDocumentFromMemory(document, size));
  } catch (unsigned code) {
    report.messages.push_back("the document did not load (" + Hex(HRESULT(code)) + ")");
  }
  report.loaded = show != nullptr;

  if (show) {
    // As the host starts a scene: every slide's runtime objects, then the picture position.
    // The first update then activates the first slide, whose layer asks the store to restore
    // its objects and makes its own targets: the reset a real start runs (the framework's
    // reset call at device creation comes before the host has a scene).
    for (const auto& slide : show->Slides())
      if (slide.get()) slide.get()->BuildRuntimeObjects();
    show->SetPicturePosition(options.picturePosition);
    report.firstFrameDrawn = DrawFrame(dev, *show, options, &report.firstFrame, report, "first frame", true);

    ReleaseSceneDeviceObjects(show.get());
    report.resetResult = dev.Reset();
    if (report.resetResult == D3D_OK) {
      RestoreSceneDeviceObjects(show.get());
      report.secondFrameDrawn = DrawFrame(dev, *show, options, &report.secondFrame, report, "second frame", false);
    } else {
      report.messages.push_back("Reset failed (" + Hex(report.resetResult) +
                                "): a DEFAULT-pool object outlived the loss");
    }
    if (report.firstFrameDrawn && report.secondFrameDrawn) Compare(report, options.tolerance);
  }

  // Everything the scene and the player hold goes; then nothing may be left on the device.
  show.reset();
  delete g_DocResManager;
  g_DocResManager = nullptr;
  hostCache.reset();
  g_TextureCache = nullptr;
  stageView.reset();
  g_StageView = nullptr;
  g_Device = nullptr;
  IDirect3DDevice9* device = dev.device;
  dev.device = nullptr;
  report.referencesLeft = device->Release();
  if (report.referencesLeft != 0)
    report.messages.push_back(std::to_string(report.referencesLeft) +
                              " device object(s) still alive after the scene and the store were deleted");
  dev.Destroy();
  return report;
}

}  // namespace tw_test
