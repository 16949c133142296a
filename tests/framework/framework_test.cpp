#include "platform/framework/FrameClock.h"
#include "platform/framework/Framework.h"

#include <windows.h>
#include <d3d9.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// ---- The clock as arithmetic -------------------------------------------------------------

struct ClockStep {
  enum Op { kRead, kStop, kStart } op;
  int64_t at;
  double expected;  // for kRead
};

TEST(FrameClock, StandsStillWhileStoppedAndHidesTheStoppedTime) {
  const int64_t freq = 10;
  const ClockStep steps[] = {
      {ClockStep::kRead, 150, 5.0},   // started at 100
      {ClockStep::kStop, 200, 0},     //
      {ClockStep::kRead, 1000, 10.0}, // frozen at the stop
      {ClockStep::kStop, 300, 0},     // a second stop keeps the first reading
      {ClockStep::kRead, 2000, 10.0}, //
      {ClockStep::kStart, 500, 0},    // 300 ticks stopped are never seen
      {ClockStep::kRead, 500, 10.0},  //
      {ClockStep::kRead, 600, 20.0},  //
      {ClockStep::kStart, 700, 0},    // starting a running clock changes nothing
      {ClockStep::kRead, 700, 30.0},
  };
  FrameClock clock;
  clock.Restart(100);
  for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
    const ClockStep& s = steps[i];
    if (s.op == ClockStep::kStop) clock.Stop(s.at);
    if (s.op == ClockStep::kStart) clock.Start(s.at);
    if (s.op == ClockStep::kRead) {
      EXPECT_DOUBLE_EQ(clock.Seconds(s.at, freq), s.expected) << i;
    }
  }
  EXPECT_EQ(clock.Seconds(700, 0), -1.0);  // no performance counter
}

// ---- Pause counting on the real clock -----------------------------------------------------

TEST(FrameworkPause, TwoPausesNeedTwoResumesAndTimeStandsStill) {
  fw::Shutdown();
  const double start = GetTimeSeconds();
  ASSERT_GE(start, 0.0);
  fw::Pause(true, true);
  const double frozen = GetTimeSeconds();
  fw::Pause(true, true);
  Sleep(30);
  EXPECT_EQ(GetTimeSeconds(), frozen);
  fw::Pause(false, false);
  EXPECT_TRUE(fw::IsTimePaused());
  EXPECT_TRUE(fw::IsRenderingPaused());
  Sleep(30);
  EXPECT_EQ(GetTimeSeconds(), frozen);
  fw::Pause(false, false);
  EXPECT_FALSE(fw::IsTimePaused());
  EXPECT_FALSE(fw::IsRenderingPaused());
  Sleep(5);
  EXPECT_GT(GetTimeSeconds(), frozen);

  // Surplus resumes do not bank credit: one pause afterwards stops the clock again.
  fw::Pause(false, false);
  fw::Pause(false, false);
  fw::Pause(true, false);
  EXPECT_TRUE(fw::IsTimePaused());
  EXPECT_FALSE(fw::IsRenderingPaused());
  const double again = GetTimeSeconds();
  Sleep(20);
  EXPECT_EQ(GetTimeSeconds(), again);
  fw::Pause(false, false);
  EXPECT_FALSE(fw::IsTimePaused());
}

// ---- Device life --------------------------------------------------------------------------

struct Recorder {
  std::vector<std::string> calls;
  IDirect3DDevice9* createdWith = nullptr;
  D3DSURFACE_DESC lastReset{};
  std::vector<double> moveTimes;
  std::vector<float> moveElapsed;
  // Default-pool textures that the lost callback releases and the reset callback recreates,
  // as a well-behaved holder of device objects does.
  IDirect3DTexture9* managed = nullptr;
  // A default-pool texture that nobody releases on loss, so Reset must fail while it lives.
  IDirect3DTexture9* leaked = nullptr;
  int modifyCalls = 0;
  int scale = 1;
  bool refuseAll = false;
  bool breakSettings = false;

  std::string Joined() const {
    std::string s;
    for (const auto& c : calls) s += (s.empty() ? "" : ",") + c;
    return s;
  }
};

Recorder* g_rec = nullptr;

HRESULT OnCreated(IDirect3DDevice9* device, const D3DSURFACE_DESC*, void*) {
  g_rec->calls.push_back("created");
  g_rec->createdWith = device;
  return S_OK;
}
HRESULT OnReset(IDirect3DDevice9* device, const D3DSURFACE_DESC* bb, void*) {
  g_rec->calls.push_back("reset");
  g_rec->lastReset = *bb;
  if (!g_rec->managed)
    device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                          &g_rec->managed, nullptr);
  return S_OK;
}
void OnLost(void*) {
  g_rec->calls.push_back("lost");
  if (g_rec->managed) g_rec->managed->Release();
  g_rec->managed = nullptr;
}
void OnDestroyed(void*) { g_rec->calls.push_back("destroyed"); }
void OnMove(IDirect3DDevice9*, double t, float elapsed, void*) {
  g_rec->calls.push_back("move");
  g_rec->moveTimes.push_back(t);
  g_rec->moveElapsed.push_back(elapsed);
}
void OnRender(IDirect3DDevice9* device, double, float, void*) {
  g_rec->calls.push_back("render");
  if (SUCCEEDED(device->BeginScene())) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL,
                  0xFF000000, 1.0f, 0);
    device->EndScene();
  }
}
bool Acceptable(const D3DCAPS9*, D3DFORMAT, D3DFORMAT, bool windowed, void*) {
  return windowed && !g_rec->refuseAll;
}
bool Modify(fw::DeviceSettings* s, const D3DCAPS9*, void*) {
  ++g_rec->modifyCalls;
  g_rec->calls.push_back("modify");
  s->pp.BackBufferWidth *= g_rec->scale;
  s->pp.BackBufferHeight *= g_rec->scale;
  if (g_rec->breakSettings) {  // settings that no device accepts: creation must fail
    s->pp.SwapEffect = D3DSWAPEFFECT(0);
    s->pp.BackBufferCount = 4;
  }
  return true;
}

class FrameworkDevice : public ::testing::Test {
 protected:
  static constexpr int kW = 160, kH = 120;

  void SetUp() override {
    g_rec = &rec_;
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"FrameworkTestWnd";
    RegisterClassW(&wc);
    RECT rc{0, 0, kW, kH};
    AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
    window_ = CreateWindowW(L"FrameworkTestWnd", L"framework", WS_OVERLAPPEDWINDOW, 0, 0,
                            rc.right - rc.left, rc.bottom - rc.top, nullptr, nullptr,
                            wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    fw::Shutdown();
    fw::Callbacks cb;
    cb.deviceCreated = OnCreated;
    cb.deviceReset = OnReset;
    cb.deviceLost = OnLost;
    cb.deviceDestroyed = OnDestroyed;
    cb.frameMove = OnMove;
    cb.frameRender = OnRender;
    fw::SetCallbacks(cb);
    ASSERT_EQ(fw::Init(), S_OK);
    ASSERT_EQ(fw::SetWindow(window_, window_, window_), S_OK);
  }

  void TearDown() override {
    if (rec_.leaked) rec_.leaked->Release();
    rec_.leaked = nullptr;
    fw::Shutdown();
    if (rec_.managed) rec_.managed->Release();
    DestroyWindow(window_);
    g_rec = nullptr;
  }

  HRESULT Create() { return fw::CreateDevice(true, kW, kH, Acceptable, Modify, nullptr); }

  Recorder rec_;
  HWND window_ = nullptr;
};

TEST_F(FrameworkDevice, CreatesWithTheModifiedSizeAndAStencil) {
  rec_.scale = 2;
  ASSERT_EQ(Create(), S_OK);
  EXPECT_EQ(rec_.Joined(), "modify,created,reset");
  ASSERT_NE(fw::GetDevice(), nullptr);
  EXPECT_EQ(rec_.createdWith, fw::GetDevice());
  EXPECT_EQ(fw::GetBackBufferSurfaceDesc()->Width, UINT(2 * kW));
  EXPECT_EQ(fw::GetBackBufferSurfaceDesc()->Height, UINT(2 * kH));

  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(fw::GetDevice()->GetDepthStencilSurface(&depth), D3D_OK);
  D3DSURFACE_DESC desc{};
  depth->GetDesc(&desc);
  depth->Release();
  const D3DFORMAT withStencil[] = {D3DFMT_D24S8, D3DFMT_D24X4S4, D3DFMT_D24FS8, D3DFMT_D15S1};
  EXPECT_NE(std::find(std::begin(withStencil), std::end(withStencil), desc.Format),
            std::end(withStencil));
  EXPECT_EQ(fw::GetDevice()->Clear(0, nullptr, D3DCLEAR_STENCIL, 0, 1.0f, 0), D3D_OK);
}

TEST_F(FrameworkDevice, RefusedByTheAcceptableCallbackLeavesNoDevice) {
  rec_.refuseAll = true;
  EXPECT_TRUE(FAILED(Create()));
  EXPECT_EQ(fw::GetDevice(), nullptr);
  EXPECT_EQ(rec_.Joined(), "");
  fw::Render3DEnvironment();  // nothing to render with, nothing called
  EXPECT_EQ(rec_.Joined(), "");
}

TEST_F(FrameworkDevice, FailedSettingsAreKeptUntilDiscarded) {
  rec_.breakSettings = true;
  EXPECT_TRUE(FAILED(Create()));
  EXPECT_EQ(fw::GetDevice(), nullptr);
  fw::DeviceSettings kept;
  ASSERT_TRUE(fw::GetDeviceSettings(&kept));
  EXPECT_EQ(kept.pp.BackBufferCount, 4u);

  // A second try starts from the kept, broken settings.
  rec_.breakSettings = false;
  EXPECT_TRUE(FAILED(Create()));
  EXPECT_EQ(fw::GetDevice(), nullptr);

  fw::DiscardDeviceSettings();
  EXPECT_FALSE(fw::GetDeviceSettings(nullptr));
  ASSERT_EQ(Create(), S_OK);
  EXPECT_NE(fw::GetDevice(), nullptr);
}

TEST_F(FrameworkDevice, RenderStepMovesRendersAndDoesNothingWhilePaused) {
  ASSERT_EQ(Create(), S_OK);
  rec_.calls.clear();
  fw::Render3DEnvironment();
  EXPECT_EQ(rec_.Joined(), "move,render");

  rec_.calls.clear();
  fw::Pause(true, true);
  fw::Render3DEnvironment();
  EXPECT_EQ(rec_.Joined(), "");

  // Time paused but rendering on: frames go on with the clock standing still.
  fw::Pause(false, false);
  fw::Pause(true, false);
  ASSERT_TRUE(fw::IsTimePaused());
  ASSERT_FALSE(fw::IsRenderingPaused());
  rec_.moveTimes.clear();
  rec_.moveElapsed.clear();
  fw::Render3DEnvironment();
  Sleep(20);
  fw::Render3DEnvironment();
  ASSERT_EQ(rec_.moveTimes.size(), 2u);
  EXPECT_EQ(rec_.moveTimes[0], rec_.moveTimes[1]);
  EXPECT_EQ(rec_.moveElapsed[1], 0.0f);
  EXPECT_EQ(rec_.moveTimes[1], GetTimeSeconds());
  fw::Pause(false, false);
}

TEST_F(FrameworkDevice, ResetsAfterLossAndRetriesUntilDefaultPoolIsFree) {
  ASSERT_EQ(Create(), S_OK);
  IDirect3DDevice9* device = fw::GetDevice();
  ASSERT_NE(rec_.managed, nullptr);
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8,
                                  D3DPOOL_DEFAULT, &rec_.leaked, nullptr),
            D3D_OK);

  // Lose the device: a Reset refused while default-pool resources live leaves it needing one.
  D3DPRESENT_PARAMETERS pp{};
  fw::DeviceSettings settings;
  ASSERT_TRUE(fw::GetDeviceSettings(&settings));
  pp = settings.pp;
  EXPECT_TRUE(FAILED(device->Reset(&pp)));
  ASSERT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);

  rec_.calls.clear();
  fw::Render3DEnvironment();  // lost runs once; the leaked texture still blocks Reset
  EXPECT_EQ(rec_.Joined(), "lost");
  EXPECT_TRUE(fw::IsDeviceLost());
  fw::Render3DEnvironment();  // no second lost callback for the same loss
  EXPECT_EQ(rec_.Joined(), "lost");

  rec_.leaked->Release();
  rec_.leaked = nullptr;
  fw::Render3DEnvironment();
  EXPECT_EQ(rec_.Joined(), "lost,reset,move,render");
  EXPECT_FALSE(fw::IsDeviceLost());
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  EXPECT_NE(rec_.managed, nullptr);  // recreated by the reset callback
  EXPECT_EQ(rec_.lastReset.Width, UINT(kW));
}

TEST_F(FrameworkDevice, ResizedWindowResetsWithTheSettingsAskedAgain) {
  rec_.scale = 2;
  ASSERT_EQ(Create(), S_OK);
  rec_.calls.clear();
  RECT rc{0, 0, 200, 100};
  AdjustWindowRect(&rc, WS_OVERLAPPEDWINDOW, FALSE);
  SetWindowPos(window_, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  fw::Render3DEnvironment();
  EXPECT_EQ(rec_.Joined(), "modify,lost,reset,move,render");
  EXPECT_EQ(rec_.lastReset.Width, 400u);
  EXPECT_EQ(rec_.lastReset.Height, 200u);
  rec_.calls.clear();
  fw::Render3DEnvironment();  // the same size again: no further reset
  EXPECT_EQ(rec_.Joined(), "move,render");
}

TEST_F(FrameworkDevice, ShutdownTellsTheCallerOnce) {
  ASSERT_EQ(Create(), S_OK);
  rec_.calls.clear();
  fw::Shutdown();
  EXPECT_EQ(rec_.Joined(), "lost,destroyed");
  EXPECT_EQ(fw::GetDevice(), nullptr);
  fw::Shutdown();
  EXPECT_EQ(rec_.Joined(), "lost,destroyed");
}

}  // namespace
