#pragma once
// One whole device-object life of a document, on a real device under Wine: load, build,
// draw a frame, lose the device and Reset it in the host's order, draw the same frame
// again, then delete everything and see whether the device is left with no objects.
//
//   const tw_test::DeviceLifeReport r = tw_test::RunDeviceLife(bytes, size);
//   EXPECT_TRUE(r.Passed()) << r;
//
// The report says what went wrong instead of asserting, so that a test can also prove the
// expected failure of a scene class that breaks the rule.
//
// The verdict on "every device object released" is the device's own reference count. Under
// Wine each live texture, surface (the back buffer too), vertex or index buffer, vertex
// declaration and state block holds one reference on its device, and so does each effect of
// the project's effect runtime; a binding (SetTexture, SetStreamSource, SetRenderTarget)
// holds none. So the last Release of the device returns 0 exactly when nothing made on it
// is still alive (the test DeviceReferenceCount in tests/layers/device_life_test.cpp keeps
// this ground proved).
//
// The fixture owns g_Device, g_StageView, g_DocResManager and g_TextureCache while it runs
// and leaves them null. The document's scene classes must be linked into the program (the
// scene libraries linked whole), or the document does not read.
#include <d3d9.h>

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

namespace tw_test {

struct DeviceLifeOptions {
  // The back buffer: every pixel of it is compared.
  unsigned width = 160;
  unsigned height = 100;
  // The show's clock at both frames.
  float time = 100.0f;
  // The picture position the player applies after building the scene (1: fit).
  int picturePosition = 1;
  // The largest difference per colour channel that still counts as the same pixel.
  int tolerance = 2;
};

struct DeviceLifeReport {
  bool loaded = false;
  bool firstFrameDrawn = false;
  HRESULT resetResult = E_FAIL;
  bool secondFrameDrawn = false;
  bool pixelsMatched = false;
  // Pixels of the second frame that differ from the first by more than the tolerance,
  // and the largest channel difference seen.
  unsigned differingPixels = 0;
  int largestDifference = 0;
  // What the device's last Release returned: the device objects still alive.
  ULONG referencesLeft = ~0ul;
  // The back buffer of each frame as 0xAARRGGBB values, row by row (width x height).
  unsigned width = 0, height = 0;
  std::vector<D3DCOLOR> firstFrame, secondFrame;
  std::vector<std::string> messages;

  bool Passed() const {
    return loaded && firstFrameDrawn && resetResult == D3D_OK && secondFrameDrawn && pixelsMatched &&
           referencesLeft == 0;
  }
  // The first frame's pixel (0 outside the frame).
  D3DCOLOR FirstFramePixel(unsigned x, unsigned y) const {
    return (x < width && y < height && firstFrame.size() == size_t(width) * height) ? firstFrame[y * width + x] : 0;
  }
};

std::ostream& operator<<(std::ostream& os, const DeviceLifeReport& report);

DeviceLifeReport RunDeviceLife(const void* document, size_t size, const DeviceLifeOptions& options = {});

}  // namespace tw_test
