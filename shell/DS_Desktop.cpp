#include "shell/DS_Desktop.h"

#include <commctrl.h>

#include "shell/IconLayerHost.h"
#include "shell/IconSync.h"

HDC g_IconMemDC = nullptr;
void* g_IconBits = nullptr;
std::vector<int> g_DraggedIcons;
std::wstring g_EditedLabel;
bool g_IconPositionsDirty = false;

namespace {

WNDPROC g_PreviousViewProc = nullptr;
WNDPROC g_PreviousListViewProc = nullptr;
HBITMAP g_IconBitmap = nullptr;
HGDIOBJ g_IconMemDCOldBitmap = nullptr;

// FWF_DESKTOP | FWF_TRANSPARENT | FWF_NOSCROLL | FWF_NOWEBVIEW
constexpr UINT kDesktopViewFlags = 0x10520;
// The key colour in the low bytes; the high byte keeps the brush a plain colour value.
constexpr COLORREF kEraseColor = 0xFE010101;

// Validates the window's own update region and nothing below it. Some systems' ValidateRgn
// validates the child windows too when the window lacks WS_CLIPCHILDREN; the view's list view
// (and the list view's label editor) would then never get their own paint.
void ValidateOwnRegion(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
}

void FreeIconBitmap() {
  if (g_IconMemDC) {
    if (g_IconMemDCOldBitmap) SelectObject(g_IconMemDC, g_IconMemDCOldBitmap);
    DeleteDC(g_IconMemDC);
  }
  if (g_IconBitmap) DeleteObject(g_IconBitmap);
  g_IconMemDC = nullptr;
  g_IconBitmap = nullptr;
  g_IconMemDCOldBitmap = nullptr;
  g_IconBits = nullptr;
}

}  // namespace

LRESULT CALLBACK DesktopViewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      ValidateOwnRegion(window);
      return 0;
    case WM_PRINT:
    case WM_PRINTCLIENT:
      return 0;
    case WM_ERASEBKGND: {
      RECT r;
      GetWindowRect(window, &r);
      HBRUSH brush = CreateSolidBrush(kEraseColor);
      FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
      DeleteObject(brush);
      return 0;
    }
    case WM_NOTIFY: {
      const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
      if (!header) break;
      if (header->code == LVN_BEGINDRAG) {
        HWND listView = GetWindow(window, GW_CHILD);
        if (listView && SendMessageW(listView, LVM_GETSELECTEDCOUNT, 0, 0) > 0) {
          for (int item : SelectedListViewItems(listView)) g_DraggedIcons.push_back(item);
        }
      } else if (header->code == LVN_BEGINLABELEDITW) {
        const NMLVDISPINFOW* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
        if (!ReadItemText(header->hwndFrom, info->item.iItem, &g_EditedLabel)) g_EditedLabel.clear();
      } else if (header->code == LVN_ENDLABELEDITW) {
        const NMLVDISPINFOW* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
        if (info->item.pszText && !g_EditedLabel.empty()) {
          std::wstring renamed = info->item.pszText;
          if (renamed.size() >= kItemTextChars) renamed.resize(kItemTextChars - 1);
          RenameIconEntry(g_EditedLabel, renamed);
        }
        g_EditedLabel.clear();
      }
      break;
    }
    default:
      break;
  }
  return CallWindowProcW(g_PreviousViewProc, window, msg, wParam, lParam);
}

void LayOutOwnListView(HWND listView) {
  if (g_PreviousListViewProc && g_IconMemDC && listView) {
    g_PreviousListViewProc(listView, WM_PAINT, reinterpret_cast<WPARAM>(g_IconMemDC), 0);
  }
}

void PlaceOwnIcons(HWND listView) {
  LayOutOwnListView(listView);
  ApplyIconPositions(listView);
}

LRESULT CALLBACK DesktopListViewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    if (g_IconPositionsDirty) {
      PlaceOwnIcons(window);
      g_IconPositionsDirty = false;
    }
    if (g_IconMemDC) {
      // The list view draws its items without erasing first: start from the key colour so
      // that a moved or hidden icon leaves nothing behind.
      RECT client;
      GetClientRect(window, &client);
      HBRUSH key = CreateSolidBrush(kIconKeyColor);
      FillRect(g_IconMemDC, &client, key);
      DeleteObject(key);
      g_PreviousListViewProc(window, WM_PAINT, reinterpret_cast<WPARAM>(g_IconMemDC), lParam);
      GdiFlush();
      IconHostCopyLayer();
    }
    ValidateOwnRegion(window);
    IconHostRenderStep();
    return 0;
  }
  if (msg == WM_STYLECHANGED) g_IconPositionsDirty = true;
  return CallWindowProcW(g_PreviousListViewProc, window, msg, wParam, lParam);
}

DS_Desktop::~DS_Desktop() { ReleaseView(); }

bool DS_Desktop::Create(HWND hostWindow) {
  hostWindow_ = hostWindow;
  IShellFolder* desktop = nullptr;
  if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop) return false;

  FOLDERSETTINGS settings{};
  settings.ViewMode = FVM_ICON;
  settings.fFlags = kDesktopViewFlags;
  if (FAILED(desktop->CreateViewObject(hostWindow, IID_IShellView,
                                       reinterpret_cast<void**>(&shellView_))) ||
      !shellView_) {
    shellView_ = nullptr;
    desktop->Release();
    return false;
  }
  AddRef();
  selfReferenced_ = true;

  wchar_t wallpaper[MAX_PATH] = {};
  if (!SystemParametersInfoW(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0)) wallpaper[0] = 0;
  wallpaper[MAX_PATH - 1] = 0;

  RECT area{};
  GetWindowRect(hostWindow, &area);
  if (FAILED(shellView_->CreateViewWindow(nullptr, &settings, this, &area, &viewWindow_))) {
    viewWindow_ = nullptr;
  }
  shellView_->UIActivate(SVUIA_ACTIVATE_NOFOCUS);

  if (SUCCEEDED(shellView_->QueryInterface(IID_IDropTarget, reinterpret_cast<void**>(&dropTarget_))) &&
      dropTarget_) {
    // A window the view registered itself keeps that registration; only ours are revoked.
    if (viewWindow_) viewDropRegistered_ = SUCCEEDED(RegisterDragDrop(viewWindow_, dropTarget_));
    hostDropRegistered_ = SUCCEEDED(RegisterDragDrop(hostWindow, dropTarget_));
  } else {
    dropTarget_ = nullptr;
  }

  ownListView_ = viewWindow_ ? FindWindowExW(viewWindow_, nullptr, L"SysListView32", nullptr) : nullptr;
  desktop->Release();
  // The view window stays visible but paints nothing: its list view takes the user's clicks
  // and drags where the icons appear over the scene, and is "visible" for the icon toggle.

  if (ownListView_ && wallpaper[0] == 0) {
    SendMessageW(ownListView_, LVM_SETTEXTCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(ownListView_, LVM_SETBKCOLOR, 0, kIconKeyColor);
    SendMessageW(ownListView_, LVM_SETTEXTBKCOLOR, 0, kIconKeyColor);
  }

  RECT host{};
  GetWindowRect(hostWindow, &host);
  const int width = host.right - host.left, height = host.bottom - host.top;
  HDC screen = GetDC(ownListView_);
  g_IconMemDC = CreateCompatibleDC(screen);
  ReleaseDC(ownListView_, screen);
  if (g_IconMemDC && width > 0 && height > 0) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    g_IconBitmap = CreateDIBSection(g_IconMemDC, &info, DIB_RGB_COLORS, &g_IconBits, nullptr, 0);
    if (g_IconBitmap) g_IconMemDCOldBitmap = SelectObject(g_IconMemDC, g_IconBitmap);
  }
  if (!g_IconBitmap) FreeIconBitmap();

  if (viewWindow_) {
    g_PreviousViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        viewWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DesktopViewProc)));
  }
  if (ownListView_) {
    g_PreviousListViewProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
        ownListView_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DesktopListViewProc)));
  }
  return true;
}

void DS_Desktop::ReleaseView() {
  if (viewDropRegistered_ && viewWindow_) RevokeDragDrop(viewWindow_);
  if (hostDropRegistered_ && hostWindow_) RevokeDragDrop(hostWindow_);
  viewDropRegistered_ = hostDropRegistered_ = false;
  if (dropTarget_) dropTarget_->Release();
  dropTarget_ = nullptr;

  if (ownListView_ && IsWindow(ownListView_) && g_PreviousListViewProc) {
    SetWindowLongPtrW(ownListView_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_PreviousListViewProc));
  }
  if (viewWindow_ && IsWindow(viewWindow_) && g_PreviousViewProc) {
    SetWindowLongPtrW(viewWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_PreviousViewProc));
  }
  g_PreviousListViewProc = g_PreviousViewProc = nullptr;

  if (shellView_) {
    shellView_->UIActivate(SVUIA_DEACTIVATE);
    shellView_->DestroyViewWindow();
    shellView_->Release();
    shellView_ = nullptr;
  }
  viewWindow_ = ownListView_ = nullptr;
  FreeIconBitmap();
  if (selfReferenced_) {
    selfReferenced_ = false;
    Release();
  }
  g_DraggedIcons.clear();
  knownIconCount_ = 0;
}

HWND DS_Desktop::VisibilityListView() const {
  if (ownListView_ && IsWindow(ownListView_)) return ownListView_;
  return ExplorerListView();
}

bool DS_Desktop::AreIconsVisible() const {
  if (hostWindow_ && IsWindowVisible(hostWindow_) && ownListView_ && IsWindow(ownListView_)) {
    return IsWindowVisible(ownListView_) != FALSE;
  }
  HWND explorer = ExplorerListView();
  return explorer && IsWindowVisible(explorer);
}

bool DS_Desktop::ToggleIcons() {
  HWND listView = VisibilityListView();
  if (!listView) return false;
  // The list view's own flag, not its visibility on screen: a hidden player window must not
  // turn a toggle into "show" every time.
  const bool shown = (GetWindowLongW(listView, GWL_STYLE) & WS_VISIBLE) != 0;
  ShowWindow(listView, shown ? SW_HIDE : SW_SHOW);
  const bool now = (GetWindowLongW(listView, GWL_STYLE) & WS_VISIBLE) != 0;
  IconHostSetIconsShown(now);
  return now;
}

// ---------------------------------------------------------------------------------------
// IShellBrowser. The object lives as long as the application object; the counter is plain
// bookkeeping and never deletes it.

STDMETHODIMP DS_Desktop::QueryInterface(REFIID riid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IOleWindow) ||
      IsEqualIID(riid, IID_IShellBrowser)) {
    *out = static_cast<IShellBrowser*>(this);
    AddRef();
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) DS_Desktop::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&refCount_)); }
STDMETHODIMP_(ULONG) DS_Desktop::Release() { return static_cast<ULONG>(InterlockedDecrement(&refCount_)); }

STDMETHODIMP DS_Desktop::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = hostWindow_;
  return S_OK;
}
STDMETHODIMP DS_Desktop::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::InsertMenusSB(HMENU, LPOLEMENUGROUPWIDTHS) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::SetMenuSB(HMENU, HOLEMENU, HWND) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::RemoveMenusSB(HMENU) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::SetStatusTextSB(LPCWSTR) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::EnableModelessSB(BOOL) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::TranslateAcceleratorSB(MSG*, WORD) { return S_OK; }
STDMETHODIMP DS_Desktop::BrowseObject(PCUIDLIST_RELATIVE, UINT) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::GetViewStateStream(DWORD, IStream**) { return E_NOTIMPL; }

STDMETHODIMP DS_Desktop::GetControlWindow(UINT id, HWND* window) {
  if (!window) return E_POINTER;
  if (id == FCW_STATUS) {
    *window = nullptr;
    return S_OK;
  }
  return E_NOTIMPL;
}

STDMETHODIMP DS_Desktop::SendControlMsg(UINT id, UINT msg, WPARAM wParam, LPARAM lParam,
                                        LRESULT* result) {
  if (id != FCW_STATUS) return E_NOTIMPL;
  // There is no status bar; the answer is kept only when the caller asked for one.
  const LRESULT answer = SendMessageW(nullptr, msg, wParam, lParam);
  if (result) *result = answer;
  return S_OK;
}

STDMETHODIMP DS_Desktop::QueryActiveShellView(IShellView** view) {
  if (!view) return E_POINTER;
  *view = shellView_;
  if (shellView_) shellView_->AddRef();
  return shellView_ ? S_OK : E_FAIL;
}
STDMETHODIMP DS_Desktop::OnViewWindowActive(IShellView*) { return E_NOTIMPL; }
STDMETHODIMP DS_Desktop::SetToolbarItems(LPTBBUTTONSB, UINT, UINT) { return E_NOTIMPL; }
