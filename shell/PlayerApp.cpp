#include "shell/PlayerApp.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstring>

#include "platform/framework/Framework.h"
#include "shell/DS_Desktop.h"
#include "shell/DesktopRenderHost.h"
#include "shell/SettingsDialog.h"
#include "shell/Strings.h"
#include "shell/TrayIcon.h"
#include "sound/DirectSound.h"
#include "sound/Music.h"

DesktopPlayerApp g_App;
double g_NextFrameTime = 0.0;
HWND g_MainWindow = nullptr;

namespace {

const wchar_t kMainClass[] = L"TarnwickWnd";
const wchar_t kPreviewClass[] = L"TarnwickWnd_prv";
const wchar_t kErrorText[] = L"Cannot open file: Wrong file format.";
const wchar_t kErrorCaption[] = L"Tarnwick";
constexpr DWORD kRegionalListView = 0x200;  // LVS_EX_REGIONAL

HWND ChildOf(HWND parent, const wchar_t* cls) {
  return parent ? FindWindowExW(parent, nullptr, cls, nullptr) : nullptr;
}

// Explorer's own desktop list view, beside the player's window (Windows 5.x).
HWND ExplorerListView() {
  return g_MainWindow ? FindWindowExW(GetParent(g_MainWindow), nullptr, L"SysListView32", nullptr)
                      : nullptr;
}

// Windows 5.x: Explorer's list view draws its icons over the player, through its region.
bool SetRegionalIcons(bool on) {
  HWND list = ExplorerListView();
  if (!list) return false;
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, kRegionalListView, on ? kRegionalListView : 0);
  return true;
}

void ShowPlayerError() {
  MessageBoxW(nullptr, kErrorText, kErrorCaption, MB_ICONERROR);
}

}  // namespace

DesktopPlayerApp::DesktopPlayerApp()
    : desktop(new DS_Desktop()), host(new DesktopRenderHost(!IsWindows5x())) {}

DesktopPlayerApp::~DesktopPlayerApp() {
  ShutdownOle();  // a start that failed after OLE came up
  delete desktop;
  desktop = nullptr;
  delete host;  // stops and releases the music graph, deletes the scene
  host = nullptr;
  ReleaseDirectSound();
}

void DesktopPlayerApp::ShutdownOle() {
  if (!oleInitialized) return;
  if (desktop) desktop->ReleaseView();
  OleUninitialize();
  oleInitialized = false;
}

bool IsWindows5x() {
  static const bool is5x = [] {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = GetVersionExW(&info);
#pragma GCC diagnostic pop
    return ok && info.dwMajorVersion == 5;
  }();
  return is5x;
}

HWND FindDesktopView() {
  static HWND cached = nullptr;
  if (cached && IsWindow(cached)) return cached;
  HWND view = ChildOf(FindWindowW(L"Progman", nullptr), L"SHELLDLL_DefView");
  for (HWND worker = nullptr;
       !view && (worker = FindWindowExW(nullptr, worker, L"WorkerW", nullptr));)
    view = ChildOf(worker, L"SHELLDLL_DefView");
  cached = view;
  return view;
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kMainClass;
  return RegisterClassExW(&wc) != 0;
}

bool CreateMainWindow(HINSTANCE instance) {
  if (!RegisterMainWindowClass(instance)) return false;
  HWND view = FindDesktopView();
  if (!view) return false;
  RECT rc{};
  GetWindowRect(view, &rc);
  const DWORD style = IsWindows5x() ? WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN : WS_CHILD;
  HWND window = CreateWindowExW(0, kMainClass, kMainClass, style, 0, 0, rc.right - rc.left,
                                rc.bottom - rc.top, view, nullptr, instance, nullptr);
  if (!window) return false;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return StartInstance(window, instance);
}

bool StartInstance(HWND window, HINSTANCE instance) {
  g_App.mainWindow = window;
  g_MainWindow = window;
  try {
    DWORD showDialog = g_App.showDialog;
    if (!LoadStartupSettings(&showDialog)) return false;
    g_App.showDialog = showDialog;
    g_LanguageId = 1033;
    g_StageView = &g_App.stageView;
    InitDirectSound(window);
    if (!IsWindows5x()) {
      if (!g_App.oleInitialized && SUCCEEDED(OleInitialize(nullptr))) g_App.oleInitialized = true;
      g_App.desktop->Create(window);
      ShowWindow(window, SW_SHOW);
    }
    if (!StartRenderer()) return false;
    InitSettingsDialogControls();
    g_App.settingsDialog = ShowSettingsDialog(false);
    AddTrayIcon();
    StartFrameTimer(window);
    return true;
  } catch (...) {
    ShowPlayerError();
    return false;
  }
}

bool StartRenderer() {
  DesktopRenderHost* host = g_App.host;
  if (!host->Init(g_App.mainWindow)) return false;
  host->SetSceneRoot(LoadEmbeddedScene());
  host->StartSceneAndMusic();
  const DWORD position = GetPicPos();
  host->SetPicturePosition(int(position));
  if (SceneRoot* root = host->GetSceneRoot()) root->SetPicturePosition(int(position));
  host->SetIconFilter(GetIconSmoothing() ? D3DTEXF_ANISOTROPIC : D3DTEXF_POINT);
  ApplySoundVolume(GetSoundVolume(), GetMute());
  ShowWindow(g_App.mainWindow, SW_SHOW);
  if (!IsWindows5x()) return true;
  if (!SetRegionalIcons(true)) return false;
  SetWindowPos(g_App.mainWindow, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return true;
}

bool StopRenderer() {
  // The playlist holds the scene's tracks: it stops before the scene goes, so a track's end
  // arriving later finds nothing to play.
  StopSceneMusic();
  g_App.host->DeleteSceneRoot();
  if (!IsWindows5x()) return true;
  return SetRegionalIcons(false);
}

bool IsPlayerSuspended() { return fw::IsRenderingPaused(); }

void SuspendPlayer() {
  StopRenderer();
  fw::Pause(true, true);
  RemoveTrayIcon();
  ShowWindow(g_App.mainWindow, SW_HIDE);
}

void ResumePlayer() {
  fw::Pause(false, false);
  if (IsWindows5x() && SetRegionalIcons(true))
    SetWindowPos(g_App.mainWindow, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  AddTrayIcon();
  ShowWindow(g_App.mainWindow, SW_SHOW);
}

void StartFrameTimer(HWND window) {
  const DWORD interval = GetFrameIntervalMs();
  g_NextFrameTime = GetTimeSeconds() + interval * 0.002;
  SetTimer(window, kFrameTimerId, interval, nullptr);
}

void TickFrame() {
  fw::Render3DEnvironment();
  // A stopped player stays out of sight: no icon syncing and no raising of its hidden
  // window until it is resumed.
  if (IsPlayerSuspended()) return;
  if (g_App.desktop && !IsWindows5x()) g_App.desktop->SyncIcons();
  if (!IsWindows5x() && g_MainWindow && GetWindow(g_MainWindow, GW_HWNDPREV))
    SetWindowPos(g_MainWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_DESTROY:
      StopPrimaryBuffer();
      StopRenderer();
      g_App.ShutdownOle();
      RemoveTrayIcon();
      PostQuitMessage(0);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(window, &ps);
      EndPaint(window, &ps);
      fw::Render3DEnvironment();
      return 1;
    }
    case WM_COMMAND:
      OnTrayCommand(wParam);
      return 0;
    case WM_TIMER:
      StartFrameTimer(window);
      TickFrame();
      return 0;
    case kTrayCallbackMessage:
      ShowTrayMenu(UINT(lParam));
      return 0;
    case kStopMessage:
      SuspendPlayer();
      return 0;
    case kResumeMessage:
      ResumePlayer();
      return 0;
    case kMusicEventMessage:
      OnMusicEvent();
      break;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

int RunMainLoop() {
  MSG msg{};
  msg.message = 0;
  PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
  while (msg.message != WM_QUIT) {
    const bool taken = PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE) != 0;
    if (GetTimeSeconds() > g_NextFrameTime) {
      g_NextFrameTime = GetTimeSeconds() + GetFrameIntervalMs() * 0.001;
      TickFrame();
    }
    if (taken) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } else {
      Sleep(5);
    }
  }
  return 0;
}

int PlayerMain(HINSTANCE instance, const char* commandTail) {
  try {
    // Only the autorun start's exact tail delays, so the desktop can settle first.
    if (commandTail && std::strcmp(commandTail, "-d") == 0) Sleep(5000);
    g_App.instance = instance;
    if (HWND view = FindDesktopView()) {
      if (HWND preview = ChildOf(view, kPreviewClass)) PostMessageW(preview, WM_CLOSE, 0, 0);
      if (HWND running = ChildOf(view, kMainClass)) PostMessageW(running, WM_CLOSE, 0, 0);
    }
    Sleep(400);
    if (!CreateMainWindow(instance)) return 1;
    return RunMainLoop();
  } catch (...) {
    return 1;
  }
}
