// The player's entry pieces that stand on their own: finding the desktop's icon view in each
// shape of the desktop's window tree (against the desktop stand-in in another process), and
// the frame timer's deadline.
#include "shell/PlayerApp.h"

#include "platform/framework/Framework.h"

#include <ole2.h>

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring BinDir() {
  wchar_t exe[MAX_PATH * 4];
  GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
  std::wstring dir = exe;
  dir.resize(dir.rfind(L'\\') + 1);
  return dir;
}

// Runs desktop_standin.exe until destroyed; `view` is the view window it reports.
class StandIn {
 public:
  explicit StandIn(const wchar_t* variant) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    report_ = std::wstring(temp) + L"tw_entry_desktop_" + variant + L".txt";
    DeleteFileW(report_.c_str());
    std::wstring line = L"\"" + BinDir() + L"desktop_standin.exe\" --variant " + variant +
                        L" --report \"" + report_ + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &pi_))
      return;
    for (int i = 0; i < 600 && !ReadReport(); ++i) Sleep(100);
  }
  ~StandIn() {
    if (!pi_.hProcess) return;
    HANDLE f = CreateFileW((report_ + L".req").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           0, nullptr);
    DWORD written = 0;
    WriteFile(f, "quit", 4, &written, nullptr);
    CloseHandle(f);
    if (WaitForSingleObject(pi_.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(pi_.hProcess, 1);
    CloseHandle(pi_.hThread);
    CloseHandle(pi_.hProcess);
    DeleteFileW(report_.c_str());
  }
  bool ready() const { return ready_; }
  HWND view() const { return view_; }

 private:
  bool ReadReport() {
    HANDLE f = CreateFileW(report_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::string text(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    ReadFile(f, text.data(), DWORD(text.size()), &got, nullptr);
    CloseHandle(f);
    if (text.find("\nend\n") == std::string::npos) return false;
    const size_t at = text.find("\nview ");
    if (at == std::string::npos) return false;
    unsigned long long value = 0;
    if (text.compare(at + 6, 4, "none") != 0) value = std::stoull(text.substr(at + 6), nullptr, 16);
    view_ = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
    ready_ = true;
    return true;
  }

  std::wstring report_;
  PROCESS_INFORMATION pi_{};
  bool ready_ = false;
  HWND view_ = nullptr;
};

std::wstring ClassOf(HWND w) {
  wchar_t name[256] = {};
  GetClassNameW(w, name, 256);
  return name;
}

TEST(FindDesktopView, FindsTheViewUnderProgmanOrWorkerWAndNothingWithout) {
  const struct {
    const wchar_t* variant;
    const wchar_t* parent;  // null: no view
  } cases[] = {{L"progman", L"Progman"}, {L"workerw", L"WorkerW"}, {L"noview", nullptr}};
  for (const auto& c : cases) {
    StandIn desktop(c.variant);
    ASSERT_TRUE(desktop.ready()) << "no report from the desktop stand-in";
    // The window cached from the previous case is gone now, so the view is looked up afresh.
    const HWND found = FindDesktopView();
    EXPECT_EQ(found, desktop.view());
    if (c.parent) {
      ASSERT_NE(found, nullptr);
      EXPECT_EQ(ClassOf(found), L"SHELLDLL_DefView");
      EXPECT_EQ(ClassOf(GetParent(found)), c.parent);
      EXPECT_EQ(FindDesktopView(), found);  // cached while it lives
    }
  }
}

TEST(FrameTimer, DeadlineIsTwoIntervalsAheadOfTheClock) {
  HWND window = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  fw::Pause(true, false);  // the clock stands still, so the deadline can be checked exactly
  const double now = GetTimeSeconds();
  StartFrameTimer(window);
  EXPECT_DOUBLE_EQ(g_NextFrameTime, now + GetFrameIntervalMs() * 0.002);
  fw::Pause(false, false);
  KillTimer(window, kFrameTimerId);
  DestroyWindow(window);
}

// Stop and resume on a stand-in main window with a sibling above it, as in the desktop view.
class StopResume : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowW(L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                            nullptr, nullptr, nullptr);
    main_ = CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, parent_, nullptr,
                          nullptr, nullptr);
    sibling_ = CreateWindowW(L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, parent_,
                             nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_ && main_ && sibling_);
    SetWindowPos(sibling_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(GetWindow(main_, GW_HWNDPREV), sibling_);
    g_App.mainWindow = g_MainWindow = main_;
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    g_App.oleInitialized = true;
  }
  void TearDown() override {
    g_App.ShutdownOle();
    g_App.mainWindow = g_MainWindow = nullptr;
    while (fw::IsTimePaused() || fw::IsRenderingPaused()) fw::Pause(false, false);
    DestroyWindow(parent_);
  }
  // Whether OLE is still initialised on this thread (without changing that).
  static bool OleIsUp() {
    const HRESULT hr = OleInitialize(nullptr);
    OleUninitialize();
    return hr == S_FALSE;
  }
  HWND parent_ = nullptr, main_ = nullptr, sibling_ = nullptr;
};

TEST_F(StopResume, StoppedPlayerStaysHiddenAndKeepsOle) {
  SuspendPlayer();
  EXPECT_FALSE(IsWindowVisible(main_));
  EXPECT_TRUE(IsPlayerSuspended());
  const double frozen = GetTimeSeconds();
  for (int i = 0; i < 3; ++i) TickFrame();  // as the window timer goes on ticking
  EXPECT_FALSE(IsWindowVisible(main_));
  EXPECT_EQ(GetWindow(main_, GW_HWNDPREV), sibling_);  // not raised while stopped
  EXPECT_EQ(GetTimeSeconds(), frozen);
  // The icon layer's shell view lives on while stopped, so OLE must too.
  EXPECT_TRUE(g_App.oleInitialized);
  EXPECT_TRUE(OleIsUp());

  ResumePlayer();
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_FALSE(IsPlayerSuspended());
  TickFrame();
  EXPECT_EQ(GetWindow(main_, GW_HWNDPREV), nullptr);  // back on top of its siblings
}

TEST_F(StopResume, TwoStopsNeedTwoResumesForTheClock) {
  SuspendPlayer();
  SuspendPlayer();
  ResumePlayer();
  EXPECT_TRUE(IsWindowVisible(main_));  // each resume shows the window
  EXPECT_TRUE(fw::IsTimePaused());
  ResumePlayer();
  EXPECT_FALSE(fw::IsTimePaused());
}

TEST_F(StopResume, ShutdownUninitialisesOleOnce) {
  g_App.ShutdownOle();
  EXPECT_FALSE(g_App.oleInitialized);
  EXPECT_FALSE(OleIsUp());
  g_App.ShutdownOle();  // a second shutdown leaves the count alone
  ASSERT_EQ(OleInitialize(nullptr), S_OK);
  g_App.oleInitialized = true;  // TearDown balances it
}

}  // namespace
