// The player's process: the application object, the window inside the desktop's icon view,
// the start-up, the frame loop, stop and resume requests from outside, and the shutdown.
#pragma once

#include <windows.h>

#include "core/render/StageView.h"
#include "shell/Settings.h"

class DS_Desktop;
class DesktopRenderHost;

// Messages from outside: another process stops and resumes the player with these.
constexpr UINT kTrayCallbackMessage = WM_USER + 1;
constexpr UINT kStopMessage = WM_USER + 2;
constexpr UINT kResumeMessage = WM_USER + 3;
constexpr UINT_PTR kFrameTimerId = 1;

class DesktopPlayerApp {
 public:
  DesktopPlayerApp();
  ~DesktopPlayerApp();
  DesktopPlayerApp(const DesktopPlayerApp&) = delete;
  DesktopPlayerApp& operator=(const DesktopPlayerApp&) = delete;

  HWND settingsDialog = nullptr;
  DS_Desktop* desktop = nullptr;      // the icon layer (unused on Windows 5.x)
  DesktopRenderHost* host = nullptr;  // draws its own icon layer except on Windows 5.x
  HINSTANCE instance = nullptr;
  HWND mainWindow = nullptr;
  DS_StageView stageView;
  const wchar_t* settingsKey = kSettingsKeyPath;
  DWORD showDialog = 1;
  // OLE is initialised once at start and uninitialised once at shutdown, after the icon
  // layer's shell view is gone: a stop request leaves it alone, since the view lives on.
  bool oleInitialized = false;

  // Releases the icon layer's shell view, then OLE, once.
  void ShutdownOle();
};

extern DesktopPlayerApp g_App;
extern double g_NextFrameTime;
extern HWND g_MainWindow;

bool IsWindows5x();
// The desktop's "SHELLDLL_DefView": under "Progman", else under the first top-level
// "WorkerW" that has one; null when there is none. Cached while the window exists.
HWND FindDesktopView();

bool RegisterMainWindowClass(HINSTANCE instance);
bool CreateMainWindow(HINSTANCE instance);
bool StartInstance(HWND window, HINSTANCE instance);
bool StartRenderer();
bool StopRenderer();
void SuspendPlayer();
void ResumePlayer();
bool IsPlayerSuspended();
void StartFrameTimer(HWND window);
void TickFrame();
LRESULT CALLBACK MainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// The main loop: peeks without blocking, runs a frame tick whenever the frame deadline has
// passed, and sleeps 5 ms when no message waits. Returns at WM_QUIT.
int RunMainLoop();
// Everything the program's entry does; `commandTail` is the ANSI command tail.
int PlayerMain(HINSTANCE instance, const char* commandTail);
