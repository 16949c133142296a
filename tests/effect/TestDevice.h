// What the effect tests add to the shared test device: a quad over the whole target, the
// whole back buffer read back, and small textures made from a colour function.
#pragma once

#include <windows.h>
#include <d3d9.h>
#include <d3dx9.h>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/effect/Effect.h"
#include "tests/support/TestDevice.h"

namespace effect_test {

struct QuadVertex {
  float x, y, z, rhw, u, v;
};
constexpr DWORD kQuadFVF = D3DFVF_XYZRHW | D3DFVF_TEX1;

class TestDevice {
 public:
  TestDevice(UINT width, UINT height) : width_(width), height_(height) { device_.Create(width, height); }
  TestDevice(const TestDevice&) = delete;
  TestDevice& operator=(const TestDevice&) = delete;

  IDirect3DDevice9* get() const { return device_.device; }
  UINT width() const { return width_; }
  UINT height() const { return height_; }
  HRESULT Reset() { return device_.Reset(); }

  // Draws one quad over the whole target with texture coordinates 0..1, pixel centres
  // landing on (x + 0.5) / width.
  void DrawQuad() const {
    const float w = float(width_), h = float(height_);
    const QuadVertex quad[4] = {{-0.5f, -0.5f, 0, 1, 0, 0},
                                {w - 0.5f, -0.5f, 0, 1, 1, 0},
                                {-0.5f, h - 0.5f, 0, 1, 0, 1},
                                {w - 0.5f, h - 0.5f, 0, 1, 1, 1}};
    get()->SetFVF(kQuadFVF);
    get()->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(QuadVertex));
  }

  // The back buffer as 0xAARRGGBB values, row after row; empty when it cannot be read.
  std::vector<DWORD> ReadBackBuffer() {
    std::vector<DWORD> pixels;
    IDirect3DSurface9* back = nullptr;
    if (FAILED(get()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return pixels;
    const RECT all{0, 0, LONG(width_), LONG(height_)};
    if (!device_.ReadSurfaceRect(back, all, &pixels)) pixels.clear();
    back->Release();
    return pixels;
  }

  // A managed A8R8G8B8 texture whose texel (x, y) is colour(x, y).
  IDirect3DTexture9* MakeTexture(UINT w, UINT h, const std::function<DWORD(UINT, UINT)>& colour) const {
    IDirect3DTexture9* tex = nullptr;
    if (FAILED(get()->CreateTexture(w, h, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex, nullptr)))
      return nullptr;
    D3DLOCKED_RECT lr{};
    if (SUCCEEDED(tex->LockRect(0, &lr, nullptr, 0))) {
      for (UINT y = 0; y < h; ++y) {
        DWORD* row = reinterpret_cast<DWORD*>(static_cast<BYTE*>(lr.pBits) + lr.Pitch * y);
        for (UINT x = 0; x < w; ++x) row[x] = colour(x, y);
      }
      tex->UnlockRect(0);
    }
    return tex;
  }

 private:
  UINT width_, height_;
  tw_test::TestDevice device_;
};

// Draws the full-target quad through every pass of the effect's current technique, in a
// scene of its own, as the layer runs an effect: Begin with flags 0, each pass, End.
inline ::testing::AssertionResult DrawQuadThrough(TestDevice& device, Effect* e) {
  IDirect3DDevice9* dev = device.get();
  if (FAILED(dev->BeginScene())) return ::testing::AssertionFailure() << "BeginScene failed";
  UINT passes = 0;
  if (FAILED(e->Begin(&passes, 0))) {
    dev->EndScene();
    return ::testing::AssertionFailure() << "Begin failed";
  }
  bool passed = true;
  for (UINT i = 0; i < passes; ++i) {
    if (FAILED(e->BeginPass(i))) {
      passed = false;
      continue;
    }
    device.DrawQuad();
    e->EndPass();
  }
  e->End();
  dev->EndScene();
  if (passes == 0) return ::testing::AssertionFailure() << "the technique has no pass";
  if (!passed) return ::testing::AssertionFailure() << "BeginPass failed";
  return ::testing::AssertionSuccess();
}

// Clears the target to `clear`, draws the full-target quad through e and reads every pixel
// of the target back into *pixels.
inline ::testing::AssertionResult DrawAndReadBack(TestDevice& device, Effect* e, std::vector<DWORD>* pixels,
                                                  DWORD clear = 0xFF000000) {
  device.get()->Clear(0, nullptr, D3DCLEAR_TARGET, clear, 1.0f, 0);
  const ::testing::AssertionResult drawn = DrawQuadThrough(device, e);
  if (!drawn) return drawn;
  *pixels = device.ReadBackBuffer();
  if (pixels->size() != size_t(device.width()) * device.height())
    return ::testing::AssertionFailure() << "the target was not read back";
  return ::testing::AssertionSuccess();
}

inline int Red(DWORD c) { return int((c >> 16) & 0xFF); }
inline int Green(DWORD c) { return int((c >> 8) & 0xFF); }
inline int Blue(DWORD c) { return int(c & 0xFF); }

}  // namespace effect_test
