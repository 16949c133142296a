// The desktop icon layer in this process against the stand-in desktop in another: the real
// shell view of the desktop folder, its list view following the stand-in's icons, parking,
// the write-back of a drag, the icon toggle, and the release before OLE goes.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/DS_Desktop.h"
#include "shell/IconSync.h"

namespace {

// The stand-in's icons (tools/desktop); folders where it shows folders.
const struct {
  const wchar_t* name;
  bool folder;
} kDesktopItems[] = {{L"Recycle Bin", true}, {L"Documents", true}, {L"Notes.txt", false},
                     {L"Holiday Photos", true}, {L"Readme.html", false}};

LRESULT CALLBACK HostProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcW(w, m, wp, lp); }

void Pump(int ms) {
  const DWORD end = GetTickCount() + ms;
  MSG msg;
  while (GetTickCount() < end) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

POINT Position(HWND list, int i) {
  POINT p{-1, -1};
  SendMessageW(list, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&p));
  return p;
}

int IndexOf(HWND list, const std::wstring& text) {
  LVFINDINFOW find{};
  find.flags = LVFI_STRING;
  find.psz = text.c_str();
  return static_cast<int>(SendMessageW(list, LVM_FINDITEMW, -1, reinterpret_cast<LPARAM>(&find)));
}

// The stand-in's items by text, read across processes.
IconTable Explorer(HWND list) {
  IconTable table;
  ReadListViewIcons(list, ExplorerUsesWideItems(), table);
  return table;
}

class IconLayer : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t folder[MAX_PATH];
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, 0, folder));
    for (const auto& item : kDesktopItems) {
      const std::wstring path = std::wstring(folder) + L"\\" + item.name;
      if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
      if (item.folder ? CreateDirectoryW(path.c_str(), nullptr)
                      : CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr))) {
        made_.push_back({path, item.folder});
      }
    }

    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring standin = exe;
    standin = standin.substr(0, standin.find_last_of(L"\\/") + 1) + L"desktop_standin.exe";
    std::wstring command = L"\"" + standin + L"\"";
    STARTUPINFOW si{sizeof si};
    ASSERT_TRUE(CreateProcessW(standin.c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                               nullptr, nullptr, &si, &standin_));
    for (int i = 0; i < 200 && !explorer_; ++i) {
      Sleep(50);
      view_ = FindWindowExW(FindWindowW(L"Progman", nullptr), nullptr, L"SHELLDLL_DefView", nullptr);
      if (view_) explorer_ = FindWindowExW(view_, nullptr, L"SysListView32", nullptr);
    }
    ASSERT_NE(nullptr, explorer_);
    for (int i = 0; i < 100 && SendMessageW(explorer_, LVM_GETITEMCOUNT, 0, 0) < 5; ++i) Sleep(50);

    WNDCLASSW wc{};
    wc.lpfnWndProc = HostProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TwIconsLayerHost";
    RegisterClassW(&wc);
    RECT r;
    GetWindowRect(view_, &r);
    host_ = CreateWindowExW(0, L"TwIconsLayerHost", L"", WS_CHILD, 0, 0, r.right - r.left,
                            r.bottom - r.top, view_, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, host_);
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    ShowWindow(host_, SW_SHOW);
  }

  void TearDown() override {
    desktop_.ReleaseView();
    OleUninitialize();
    if (host_) DestroyWindow(host_);
    if (standin_.hProcess) {
      PostMessageW(FindWindowW(L"Progman", nullptr), WM_CLOSE, 0, 0);
      if (WaitForSingleObject(standin_.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(standin_.hProcess, 1);
      CloseHandle(standin_.hProcess);
      CloseHandle(standin_.hThread);
    }
    for (const auto& [path, folder] : made_) {
      if (folder) RemoveDirectoryW(path.c_str()); else DeleteFileW(path.c_str());
    }
    if (!renamed_.empty()) {
      wchar_t folder[MAX_PATH];
      if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, folder))) {
        DeleteFileW((std::wstring(folder) + L"\\" + renamed_).c_str());
      }
    }
    g_IconTable.clear();
  }

  // Creates the layer and lets the view fill its list view.
  HWND CreateLayer() {
    EXPECT_TRUE(desktop_.Create(host_));
    HWND own = desktop_.ownListView();
    for (int i = 0; i < 100 && own && SendMessageW(own, LVM_GETITEMCOUNT, 0, 0) < 5; ++i) Pump(50);
    return own;
  }

  std::vector<std::pair<std::wstring, bool>> made_;
  std::wstring renamed_;
  PROCESS_INFORMATION standin_{};
  HWND view_ = nullptr, explorer_ = nullptr, host_ = nullptr;
  DS_Desktop desktop_;
};

TEST_F(IconLayer, OwnViewFollowsExplorer) {
  HWND own = CreateLayer();
  ASSERT_NE(nullptr, own);
  wchar_t cls[64] = {};
  GetClassNameW(GetParent(own), cls, 64);
  EXPECT_STREQ(L"SHELLDLL_DefView", cls);
  EXPECT_EQ(desktop_.viewWindow(), GetWindow(host_, GW_CHILD));
  EXPECT_NE(nullptr, g_IconMemDC);
  EXPECT_NE(nullptr, g_IconBits);

  desktop_.SyncIcons();
  EXPECT_EQ(static_cast<int>(SendMessageW(own, LVM_GETITEMCOUNT, 0, 0)), desktop_.knownIconCount());
  IconTable theirs = Explorer(explorer_);
  for (const auto& item : kDesktopItems) {
    const int mine = IndexOf(own, item.name);
    ASSERT_GE(mine, 0) << "own view lacks an item";
    ASSERT_EQ(1u, theirs.count(item.name));
    const POINT a = Position(own, mine);
    EXPECT_EQ(theirs[item.name].x, a.x);
    EXPECT_EQ(theirs[item.name].y, a.y);
  }
  // Whatever else the desktop folder holds (My Computer...) is not on the stand-in: parked.
  const int count = static_cast<int>(SendMessageW(own, LVM_GETITEMCOUNT, 0, 0));
  int parked = 0;
  for (int i = 0; i < count; ++i) {
    if (FindIconEntry(own, i)) continue;
    const POINT p = Position(own, i);
    EXPECT_EQ(10000, p.x);
    EXPECT_EQ(10000, p.y);
    ++parked;
  }
  EXPECT_GE(parked, 1);  // at least "My Computer"
  // The labels' bounds cover the stand-in's icons.
  EXPECT_LE(g_IconBounds.left, 20);
  EXPECT_LE(g_IconBounds.top, 60);
  EXPECT_GT(g_IconBounds.bottom, 220);
}

TEST_F(IconLayer, DraggedIconsAreWrittenBack) {
  HWND own = CreateLayer();
  ASSERT_NE(nullptr, own);
  desktop_.SyncIcons();
  // Item 0 among the dragged, to see it is not lost.
  const int notes = IndexOf(own, L"Notes.txt");
  ASSERT_GE(notes, 0);
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED;
  SendMessageW(own, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&none));
  for (int i : {0, notes}) {
    LVITEMW sel{};
    sel.state = sel.stateMask = LVIS_SELECTED;
    SendMessageW(own, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&sel));
  }
  g_DraggedIcons = SelectedListViewItems(own);
  ASSERT_EQ(0, g_DraggedIcons.front());

  // No move yet: the drag is kept.
  if (FindIconEntry(own, 0)) {
    desktop_.SyncIcons();
    EXPECT_FALSE(g_DraggedIcons.empty());
  }
  SendMessageW(own, LVM_SETITEMPOSITION, notes, PackPosition(400, 300));
  SendMessageW(own, LVM_SETITEMPOSITION, 0, PackPosition(500, 320));
  desktop_.SyncIcons();
  EXPECT_TRUE(g_DraggedIcons.empty());
  IconTable theirs = Explorer(explorer_);
  EXPECT_EQ(400, theirs[L"Notes.txt"].x);
  EXPECT_EQ(300, theirs[L"Notes.txt"].y);
  wchar_t zero[260] = {};
  ListView_GetItemText(own, 0, 0, zero, 260);
  if (theirs.count(zero)) {
    EXPECT_EQ(500, theirs[zero].x);
    EXPECT_EQ(320, theirs[zero].y);
  }
}

// The view tells its parent about label edits; the layer listens on the view window.
LRESULT NotifyLabelEdit(HWND view, HWND list, UINT code, int item, const wchar_t* text) {
  NMLVDISPINFOW info{};
  info.hdr.hwndFrom = list;
  info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
  info.hdr.code = code;
  info.item.iItem = item;
  info.item.mask = LVIF_TEXT;
  info.item.pszText = const_cast<wchar_t*>(text);
  return SendMessageW(view, WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

TEST_F(IconLayer, RenamedLabelKeepsItsPlace) {
  HWND own = CreateLayer();
  ASSERT_NE(nullptr, own);
  desktop_.SyncIcons();
  const int notes = IndexOf(own, L"Notes.txt");
  ASSERT_GE(notes, 0);
  ASSERT_EQ(1u, g_IconTable.count(L"Notes.txt"));
  const IconPlacement before = g_IconTable[L"Notes.txt"];

  // A cancelled edit changes nothing and forgets the label.
  NotifyLabelEdit(desktop_.viewWindow(), own, LVN_BEGINLABELEDITW, notes, nullptr);
  EXPECT_EQ(L"Notes.txt", g_EditedLabel);
  NotifyLabelEdit(desktop_.viewWindow(), own, LVN_ENDLABELEDITW, notes, nullptr);
  EXPECT_TRUE(g_EditedLabel.empty());
  EXPECT_EQ(1u, g_IconTable.count(L"Notes.txt"));

  // A new text takes the entry with it: Explorer's position and index stay.
  NotifyLabelEdit(desktop_.viewWindow(), own, LVN_BEGINLABELEDITW, notes, nullptr);
  NotifyLabelEdit(desktop_.viewWindow(), own, LVN_ENDLABELEDITW, notes, L"Notes renamed.txt");
  renamed_ = L"Notes renamed.txt";  // the view may rename the file itself
  EXPECT_TRUE(g_EditedLabel.empty());
  EXPECT_EQ(0u, g_IconTable.count(L"Notes.txt"));
  ASSERT_EQ(1u, g_IconTable.count(L"Notes renamed.txt"));
  EXPECT_EQ(before.x, g_IconTable[L"Notes renamed.txt"].x);
  EXPECT_EQ(before.y, g_IconTable[L"Notes renamed.txt"].y);
  EXPECT_EQ(before.index, g_IconTable[L"Notes renamed.txt"].index);
}

TEST_F(IconLayer, ToggleAndBrowserAnswers) {
  HWND own = CreateLayer();
  ASSERT_NE(nullptr, own);
  EXPECT_TRUE(desktop_.AreIconsVisible());
  EXPECT_FALSE(desktop_.ToggleIcons());
  EXPECT_FALSE(desktop_.AreIconsVisible());
  EXPECT_TRUE(desktop_.ToggleIcons());
  EXPECT_TRUE(desktop_.AreIconsVisible());

  IShellBrowser* browser = nullptr;
  EXPECT_EQ(S_OK, desktop_.QueryInterface(IID_IShellBrowser, reinterpret_cast<void**>(&browser)));
  EXPECT_EQ(static_cast<IShellBrowser*>(&desktop_), browser);
  browser->Release();
  void* other = &other;
  EXPECT_EQ(E_NOINTERFACE, desktop_.QueryInterface(IID_IDropTarget, &other));
  EXPECT_EQ(nullptr, other);
  EXPECT_EQ(E_POINTER, desktop_.QueryInterface(IID_IUnknown, nullptr));
  HWND window = nullptr;
  EXPECT_EQ(S_OK, desktop_.GetWindow(&window));
  EXPECT_EQ(host_, window);
  EXPECT_EQ(S_OK, desktop_.SendControlMsg(FCW_STATUS, WM_USER, 0, 0, nullptr));
  LRESULT result = 7;
  EXPECT_EQ(S_OK, desktop_.SendControlMsg(FCW_STATUS, WM_USER, 0, 0, &result));
  EXPECT_EQ(0, result);
  EXPECT_EQ(E_NOTIMPL, desktop_.SendControlMsg(FCW_TOOLBAR, WM_USER, 0, 0, nullptr));
  EXPECT_EQ(E_POINTER, desktop_.GetControlWindow(FCW_STATUS, nullptr));
  IShellView* view = nullptr;
  EXPECT_EQ(S_OK, desktop_.QueryActiveShellView(&view));
  ASSERT_NE(nullptr, view);
  view->Release();

  // Released while OLE still runs: the drop targets go with the view.
  desktop_.ReleaseView();
  EXPECT_EQ(nullptr, desktop_.ownListView());
  EXPECT_EQ(nullptr, GetWindow(host_, GW_CHILD));
  EXPECT_EQ(nullptr, g_IconMemDC);
  EXPECT_EQ(DRAGDROP_E_NOTREGISTERED, RevokeDragDrop(host_));
  desktop_.SyncIcons();  // nothing left to follow: harmless
}

}  // namespace
