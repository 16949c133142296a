#include "shell/DesktopRenderHost.h"
#include "shell/MonitorLayout.h"

#include "core/render/Device.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// ---- Layout per monitor ----------------------------------------------------------------

const RECT kLeft{0, 0, 1920, 1080}, kRight{1920, 0, 3840, 1080}, kBoth{0, 0, 3840, 1080};

struct PassCase {
  const char* what;
  int position;
  RECT monitor;
  float aspect, scale;
  MonitorPass expected;
};

MonitorPass Pass(float zoom, float pan, bool clip = false, std::initializer_list<float> p0 = {0, 0, 0, 0},
                 std::initializer_list<float> p1 = {0, 0, 0, 0}) {
  MonitorPass p;
  p.zoom = zoom;
  p.panX = pan;
  p.clip = clip;
  std::copy(p0.begin(), p0.end(), p.plane0);
  std::copy(p1.begin(), p1.end(), p.plane1);
  return p;
}

TEST(MonitorLayout, PassesForFitFillAndOthers) {
  const float am = 1920.0f / 1080.0f;
  const PassCase cases[] = {
      // A picture wider than each monitor: bands of 60 above and below.
      {"fit wide, left", 1, kLeft, 2.0f, 1.0f,
       Pass(1920.0f / 2160.0f, -0.5f, true, {0, 1, 0, -60}, {0, -1, 0, 1020})},
      {"fit wide, right", 1, kRight, 2.0f, 1.0f,
       Pass(1920.0f / 2160.0f, 0.5f, true, {0, 1, 0, -60}, {0, -1, 0, 1020})},
      {"fit wide, double back buffer", 1, kLeft, 2.0f, 2.0f,
       Pass(1920.0f / 2160.0f, -0.5f, true, {0, 1, 0, -120}, {0, -1, 0, 2040})},
      // A square picture: bands of 420 left and right, on each monitor's own edges.
      {"fit square, left", 1, kLeft, 1.0f, 1.0f,
       Pass(1.0f, am * -0.5f, true, {1, 0, 0, -420}, {-1, 0, 0, 1500})},
      {"fit square, right", 1, kRight, 1.0f, 1.0f,
       Pass(1.0f, am * 0.5f, true, {1, 0, 0, -2340}, {-1, 0, 0, 3420})},
      // Fill: a wider picture grows by Ap / Am so its height fills the monitor.
      {"fill wide", 2, kLeft, 2.0f, 1.0f, Pass(0.5f * 2.0f / am, -0.5f)},
      {"fill square", 2, kRight, 1.0f, 1.0f, Pass(0.5f, 0.5f)},
      {"unknown position", 7, kLeft, 2.0f, 1.0f, Pass(1.0f, 0.0f)},
      {"empty monitor", 1, RECT{0, 0, 1920, 0}, 2.0f, 1.0f, Pass(1.0f, 0.0f)},
      {"no picture aspect", 2, kLeft, 0.0f, 1.0f, Pass(1.0f, 0.0f)},
  };
  for (const PassCase& c : cases) {
    const MonitorPass p = ComputeMonitorPass(c.position, c.monitor, kBoth, c.aspect, c.scale);
    EXPECT_NEAR(p.zoom, c.expected.zoom, 1e-5) << c.what;
    EXPECT_NEAR(p.panX, c.expected.panX, 1e-5) << c.what;
    EXPECT_EQ(p.clip, c.expected.clip) << c.what;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(p.plane0[i], c.expected.plane0[i], 1e-3) << c.what << " plane 0/" << i;
      EXPECT_NEAR(p.plane1[i], c.expected.plane1[i], 1e-3) << c.what << " plane 1/" << i;
    }
  }
}

TEST(MonitorLayout, PerMonitorOnlyForTwoOrMoreAndNotStretch) {
  const std::vector<MonitorRecord> one{{nullptr, kBoth}};
  const std::vector<MonitorRecord> two{{nullptr, kLeft}, {nullptr, kRight}};
  EXPECT_TRUE(ComputeMonitorPasses(one, 1, kBoth, 2.0f, 1.0f).empty());
  EXPECT_TRUE(ComputeMonitorPasses(two, 0, kBoth, 2.0f, 1.0f).empty());
  const auto passes = ComputeMonitorPasses(two, 2, kBoth, 2.0f, 1.0f);
  ASSERT_EQ(passes.size(), 2u);
  EXPECT_LT(passes[0].panX, 0.0f);  // in the monitors' order
  EXPECT_GT(passes[1].panX, 0.0f);
}

// ---- Icon bitmap alpha -----------------------------------------------------------------

TEST(IconAlpha, OpaqueWithinBoundsExceptTheKeyColour) {
  const int w = 4, h = 3;
  // Image row y lives at memory row h-1-y. Every pixel starts grey with alpha 0, except the
  // key colour at (1, 1) and a half-transparent pixel at (0, 1).
  BYTE bits[w * h * 4];
  for (int i = 0; i < w * h; ++i) bits[i * 4] = bits[i * 4 + 1] = bits[i * 4 + 2] = 90, bits[i * 4 + 3] = 0;
  auto px = [&](int x, int y) { return bits + ((h - 1 - y) * w + x) * 4; };
  BYTE* key = px(1, 1);
  key[0] = key[1] = key[2] = 1;
  px(0, 1)[3] = 128;
  FixIconAlpha(bits, w, h, RECT{3, 1, 2, 1});  // row 1, columns 0..2 (the left bound unused)
  const int expected[h][w] = {{0, 0, 0, 0}, {128, 0, 255, 0}, {0, 0, 0, 0}};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) EXPECT_EQ(px(x, y)[3], expected[y][x]) << x << "," << y;
  FixIconAlpha(bits, w, h, RECT{0, -5, 100, 100});  // bounds beyond the bitmap are clamped
  EXPECT_EQ(px(3, 2)[3], 255);
  EXPECT_EQ(key[3], 0);
}

// ---- The host on a real device ---------------------------------------------------------

struct RecordingRoot : SceneRoot {
  std::vector<std::string>* calls;
  explicit RecordingRoot(std::vector<std::string>* c) : calls(c) {}
  void OnDeviceLost() override { calls->push_back("lost"); }
  void OnDeviceReset() override { calls->push_back("reset"); }
  void UpdateFrame(float) override { calls->push_back("update"); }
  void Render(bool perMonitor) override { calls->push_back(perMonitor ? "render*" : "render"); }
  float GetAspectRatio() const override { return 2.0f; }
  void SetPicturePosition(int) override {}
  void DrawIconLayer(DS_ScreenQuad*) override {
    DWORD filter = 0;
    g_Device->GetSamplerState(0, D3DSAMP_MINFILTER, &filter);
    calls->push_back("icons" + std::to_string(filter));
  }
  void BuildRuntimeObjects() override { calls->push_back("build"); }
  std::vector<NamedBuffer*> MusicFiles() override { return {}; }
};

class HostDevice : public ::testing::Test {
 protected:
  static constexpr int kW = 200, kH = 150;
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"HostTestWnd";
    RegisterClassW(&wc);
    window_ = CreateWindowW(L"HostTestWnd", L"host", WS_POPUP, 0, 0, kW, kH, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    host_ = new DesktopRenderHost(true);
    ASSERT_TRUE(host_->Init(window_));
    host_->SetSceneRoot(std::unique_ptr<SceneRoot>(new RecordingRoot(&calls_)));
  }
  void TearDown() override {
    delete host_;
    fw::Shutdown();
    g_Device = nullptr;
    DestroyWindow(window_);
  }
  std::string Calls() {
    std::string s;
    for (const auto& c : calls_) s += (s.empty() ? "" : ",") + c;
    calls_.clear();
    return s;
  }
  HWND window_ = nullptr;
  DesktopRenderHost* host_ = nullptr;
  std::vector<std::string> calls_;
};

TEST_F(HostDevice, CreatesTheDeviceAtTwiceTheWindowWithAnIconTexture) {
  ASSERT_NE(g_Device, nullptr);
  EXPECT_EQ(g_RenderHost, host_);
  EXPECT_EQ(g_RenderScale, 2.0f);
  const D3DSURFACE_DESC* bb = fw::GetBackBufferSurfaceDesc();
  EXPECT_EQ(bb->Width, UINT(2 * kW));
  EXPECT_EQ(bb->Height, UINT(2 * kH));
  ASSERT_NE(host_->GetIconTexture(), nullptr);
  D3DSURFACE_DESC icon{};
  host_->GetIconTexture()->GetLevelDesc(0, &icon);
  EXPECT_EQ(icon.Width, UINT(kW));
  EXPECT_EQ(icon.Height, UINT(kH));
  EXPECT_EQ(icon.Usage & D3DUSAGE_DYNAMIC, DWORD(D3DUSAGE_DYNAMIC));
  DWORD writes = 0;
  g_Device->GetRenderState(D3DRS_COLORWRITEENABLE, &writes);
  EXPECT_EQ(writes, 7u);  // alpha never reaches the back buffer
}

TEST_F(HostDevice, FrameUpdatesRendersAndDrawsIconsWithTheChosenFilter) {
  fw::Render3DEnvironment();
  EXPECT_EQ(Calls(), "update,render,icons1");
  DWORD filter = 0;
  g_Device->GetSamplerState(0, D3DSAMP_MAGFILTER, &filter);
  EXPECT_EQ(filter, DWORD(D3DTEXF_LINEAR));

  host_->SetIconFilter(D3DTEXF_ANISOTROPIC);
  fw::Render3DEnvironment();
  EXPECT_EQ(Calls(), "update,render,icons3");

  host_->SetIconsShown(false);
  fw::Render3DEnvironment();
  EXPECT_EQ(Calls(), "update,render");

  host_->DeleteSceneRoot();
  EXPECT_EQ(host_->RenderFrame(), E_FAIL);
}

// The colour at the middle of the back buffer, read back.
DWORD BackBufferCentre() {
  IDirect3DSurface9* back = nullptr;
  IDirect3DSurface9* copy = nullptr;
  D3DSURFACE_DESC desc{};
  DWORD colour = 0xDEADBEEF;
  if (FAILED(g_Device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return colour;
  back->GetDesc(&desc);
  if (SUCCEEDED(g_Device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format,
                                                      D3DPOOL_SYSTEMMEM, &copy, nullptr)) &&
      SUCCEEDED(g_Device->GetRenderTargetData(back, copy))) {
    D3DLOCKED_RECT lr{};
    if (SUCCEEDED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) {
      const BYTE* row = static_cast<const BYTE*>(lr.pBits) + lr.Pitch * (desc.Height / 2);
      colour = reinterpret_cast<const DWORD*>(row)[desc.Width / 2] & 0xFFFFFF;
      copy->UnlockRect();
    }
  }
  if (copy) copy->Release();
  back->Release();
  return colour;
}

TEST_F(HostDevice, WithoutASceneTheFrameIsBlack) {
  host_->DeleteSceneRoot();  // as after a stop request
  g_Device->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(200, 30, 30), 1.0f, 0);
  ASSERT_EQ(BackBufferCentre(), 0xC81E1Eu);
  EXPECT_EQ(host_->RenderFrame(), E_FAIL);
  EXPECT_EQ(BackBufferCentre(), 0u);
  EXPECT_EQ(Calls(), "");
}

TEST_F(HostDevice, LostDeviceReleasesAndRestoresTheIconTexture) {
  // A Reset refused while the icon texture lives leaves the device waiting for a reset.
  fw::DeviceSettings settings;
  ASSERT_TRUE(fw::GetDeviceSettings(&settings));
  EXPECT_TRUE(FAILED(g_Device->Reset(&settings.pp)));
  fw::Render3DEnvironment();
  EXPECT_EQ(Calls(), "lost,reset,update,render,icons1");
  EXPECT_EQ(g_Device->TestCooperativeLevel(), D3D_OK);
  EXPECT_NE(host_->GetIconTexture(), nullptr);
}

TEST_F(HostDevice, RefusesDevicesWithoutBumpMapping) {
  D3DCAPS9 caps{};
  ASSERT_EQ(g_Device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_TRUE(IsDeviceAcceptable(&caps, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, true, nullptr));
  caps.TextureOpCaps &= ~DWORD(D3DTEXOPCAPS_BUMPENVMAP);
  EXPECT_FALSE(IsDeviceAcceptable(&caps, D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, true, nullptr));
}

}  // namespace
