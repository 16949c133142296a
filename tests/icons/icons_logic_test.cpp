// The desktop icon layer's logic without a player: the item records written into another
// process, the icon table, the placement of own icons, the icon-size steps, the label bounds,
// the tray menu from the program's resources and the settings dialog's value mappings.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "shell/DS_Desktop.h"
#include "shell/IconSync.h"
#include "shell/SettingsDialog.h"
#include "shell/TrayIcon.h"

namespace {

unsigned U32(const unsigned char* at) {
  unsigned v;
  std::memcpy(&v, at, 4);
  return v;
}
unsigned long long U64(const unsigned char* at) {
  unsigned long long v;
  std::memcpy(&v, at, 8);
  return v;
}

TEST(RemoteItemRecord, Layouts) {
  unsigned char r[kRemoteItemRecordBytes];
  BuildRemoteItemRecord(false, 7, 0x12345678ull, r);
  EXPECT_EQ(40u, RemoteItemBlockBytes(false));
  EXPECT_EQ(3u, U32(r + 0));
  EXPECT_EQ(7u, U32(r + 4));
  EXPECT_EQ(0u, U32(r + 8) | U32(r + 12) | U32(r + 16));
  EXPECT_EQ(0x12345678u, U32(r + 20));
  EXPECT_EQ(260u, U32(r + 24));
  EXPECT_EQ(0u, U32(r + 28) | U32(r + 32) | U32(r + 36));
  EXPECT_EQ(0x12345678ull, RemoteItemTextPointer(false, r));

  // A pointer above 4 GB keeps its high half in the 64-bit record.
  BuildRemoteItemRecord(true, 9, 0x1234567890ull, r);
  EXPECT_EQ(72u, RemoteItemBlockBytes(true));
  EXPECT_EQ(3u, U32(r + 0));
  EXPECT_EQ(9u, U32(r + 4));
  for (int i = 8; i < 24; ++i) EXPECT_EQ(0, r[i]) << i;
  EXPECT_EQ(0x1234567890ull, U64(r + 24));
  EXPECT_EQ(260u, U32(r + 32));
  EXPECT_EQ(0u, U32(r + 36));
  EXPECT_EQ(0x1234567890ull, RemoteItemTextPointer(true, r));
  // The record matches the system's own LVITEMW for this program's width.
  EXPECT_EQ(offsetof(LVITEMW, pszText), 24u);
  EXPECT_EQ(offsetof(LVITEMW, cchTextMax), 32u);
}

TEST(RemoteItemRecord, LayoutFollowsTheSystemNotThePlayer) {
  struct Case { bool player64, wow64, wide; } cases[] = {
      {false, false, false},  // 32-bit player on a 32-bit system
      {false, true, true},    // 32-bit player under WoW64: Explorer is 64-bit
      {true, false, true},    // 64-bit player: IsWow64Process says FALSE, Explorer is 64-bit
  };
  for (const Case& c : cases) EXPECT_EQ(c.wide, UseWideItemLayout(c.player64, c.wow64));
  EXPECT_TRUE(ExplorerUsesWideItems());  // this test program is 64-bit
}

TEST(RemoteItemRecord, TextEndsWithinItsBuffer) {
  wchar_t text[kItemTextChars];
  for (wchar_t& c : text) c = L'x';
  TerminateItemText(text);
  EXPECT_EQ(259u, wcslen(text));
}

TEST(IconTable, EntriesAndRenames) {
  g_IconTable.clear();
  IconPlacement& a = IconTableEntry(L"Readme");
  EXPECT_EQ(0, a.x + a.y + a.index);
  a = {40, 50, 3};
  EXPECT_EQ(1u, g_IconTable.count(L"Readme"));
  EXPECT_EQ(0u, g_IconTable.count(L"readme"));  // texts compare case-sensitively

  RenameIconEntry(L"Readme", L"Notes");
  ASSERT_EQ(1u, g_IconTable.count(L"Notes"));
  EXPECT_EQ(0u, g_IconTable.count(L"Readme"));
  EXPECT_EQ(40, g_IconTable[L"Notes"].x);
  EXPECT_EQ(3, g_IconTable[L"Notes"].index);
  RenameIconEntry(L"Unknown", L"Other");  // no entry: nothing is invented
  EXPECT_EQ(0u, g_IconTable.count(L"Other"));
  g_IconTable.clear();
}

// Icon-size steps against a list view that changes its height by `stepSize` per step up to
// the limits it can reach.
struct SizeCase {
  const char* name;
  int target, start, stepSize, min, max;
  int expectedHeight;
  int maxSteps;
};

TEST(MatchIconSize, StepsEndInEveryCase) {
  const SizeCase cases[] = {
      {"shrinks to Explorer's size", 32, 48, 8, 16, 256, 32, 2},
      {"grows to Explorer's size", 48, 32, 8, 16, 256, 48, 2},
      {"already equal", 32, 32, 8, 16, 256, 32, 0},
      {"step ignored (wheel does nothing)", 32, 48, 0, 16, 256, 48, 1},
      {"size between two steps", 36, 48, 8, 16, 256, 32, 2},
      {"size between two steps, growing", 36, 24, 8, 16, 256, 40, 2},
      {"limit reached", 300, 240, 16, 16, 256, 256, 2},
      {"own item 0 missing", 32, 0, 8, 16, 256, 0, 0},
      {"Explorer's item missing", 0, 48, 8, 16, 256, 48, 0},
  };
  for (const SizeCase& c : cases) {
    int height = c.start, steps = 0;
    StepIconSizeToward(
        c.target, [&] { return height; },
        [&](int direction) {
          ++steps;
          ASSERT_LT(steps, 100) << c.name;
          if (height == 0) return;
          height += direction * c.stepSize;
          if (height < c.min) height = c.min;
          if (height > c.max) height = c.max;
        });
    EXPECT_EQ(c.expectedHeight, height) << c.name;
    EXPECT_LE(steps, c.maxSteps) << c.name;
  }
}

TEST(ComputeIconBounds, LabelsInsideTheWindow) {
  const RECT window{0, 0, 1280, 720};
  RECT b = BoundsOfLabels(window, {{10, 60, 70, 75}, {100, 200, 180, 230}, {1300, 10, 1350, 20}});
  EXPECT_EQ(10, b.left);
  EXPECT_EQ(60, b.top);
  EXPECT_EQ(180, b.right);
  EXPECT_EQ(260, b.bottom);  // the label's bottom plus its height once more
  // No labels: an empty (inverted) rectangle, so no row gets its alpha fixed.
  b = BoundsOfLabels(window, {});
  EXPECT_GT(b.left, b.right);
  EXPECT_GT(b.top, b.bottom);
}

// A list view of this process with the given item texts.
class OwnListView : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    parent_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                              nullptr, nullptr);
    list_ = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_ICON, 0, 0, 800,
                            600, parent_, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list_);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    g_IconTable.clear();
  }
  void Add(const wchar_t* text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  POINT Position(int i) {
    POINT p{-1, -1};
    SendMessageW(list_, LVM_GETITEMPOSITION, i, reinterpret_cast<LPARAM>(&p));
    return p;
  }
  HWND parent_ = nullptr, list_ = nullptr;
};

TEST_F(OwnListView, ApplyPositionsPlacesKnownItemsAndParksTheRest) {
  Add(L"My Computer");
  Add(L"Readme");
  Add(L"Photos");
  g_IconTable[L"Readme"] = {200, 120, 5};
  g_IconTable[L"Photos"] = {20, 300, 0};
  ApplyIconPositions(list_);
  EXPECT_EQ(10000, Position(0).x);
  EXPECT_EQ(10000, Position(0).y);
  EXPECT_EQ(200, Position(1).x);
  EXPECT_EQ(120, Position(1).y);
  EXPECT_EQ(20, Position(2).x);
  EXPECT_EQ(300, Position(2).y);
  ASSERT_NE(nullptr, FindIconEntry(list_, 1));
  EXPECT_EQ(5, FindIconEntry(list_, 1)->index);
  EXPECT_EQ(nullptr, FindIconEntry(list_, 0));
  EXPECT_EQ(nullptr, FindIconEntry(list_, 7));  // no such item
}

TEST_F(OwnListView, SelectionIncludesItemZero) {
  for (const wchar_t* t : {L"a", L"b", L"c", L"d"}) Add(t);
  struct Case { std::vector<int> selected; } cases[] = {{{0}}, {{0, 2}}, {{1, 3}}, {{}}};
  for (const Case& c : cases) {
    LVITEMW none{};
    none.stateMask = LVIS_SELECTED;
    SendMessageW(list_, LVM_SETITEMSTATE, -1, reinterpret_cast<LPARAM>(&none));
    for (int i : c.selected) {
      LVITEMW sel{};
      sel.state = sel.stateMask = LVIS_SELECTED;
      SendMessageW(list_, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&sel));
    }
    EXPECT_EQ(c.selected, SelectedListViewItems(list_));
  }
}

// The list view of another process (listview_host.exe), read as Explorer's would be.
class RemoteListView : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring exe = path;
    exe = exe.substr(0, exe.find_last_of(L"\\/") + 1) + L"icons_listview_host.exe";
    STARTUPINFOW si{sizeof si};
    std::wstring command = L"\"" + exe + L"\"";
    ASSERT_TRUE(CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &process_));
    for (int i = 0; i < 300 && !list_; ++i) {
      Sleep(50);
      HWND host = FindWindowW(L"TwIconsListHost", nullptr);
      DWORD pid = 0;
      wchar_t title[16] = {};
      if (host) GetWindowTextW(host, title, 16);
      if (host && GetWindowThreadProcessId(host, &pid) && pid == process_.dwProcessId &&
          wcscmp(title, L"ready") == 0) {
        host_ = host;
        list_ = FindWindowExW(host, nullptr, WC_LISTVIEWW, nullptr);
      }
    }
    ASSERT_NE(nullptr, list_);
  }
  void TearDown() override {
    if (host_) PostMessageW(host_, WM_CLOSE, 0, 0);
    if (process_.hProcess) {
      if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process_.hProcess, 1);
      }
      CloseHandle(process_.hProcess);
      CloseHandle(process_.hThread);
    }
  }
  PROCESS_INFORMATION process_{};
  HWND host_ = nullptr, list_ = nullptr;
};

TEST_F(RemoteListView, ReadsTextsAndPositions) {
  IconTable table;
  ASSERT_TRUE(ReadListViewIcons(list_, ExplorerUsesWideItems(), table));
  const std::wstring longName(259, L'x');
  ASSERT_EQ(4u, table.size());
  struct Expect { std::wstring text; int x, y, index; } expected[] = {
      {L"Alpha", 20, 30, 0}, {L"Beta", 140, 30, 1}, {longName, 20, 150, 2}, {L"Gamma", 260, 150, 3}};
  for (const Expect& e : expected) {
    ASSERT_EQ(1u, table.count(e.text));
    EXPECT_EQ(e.x, table[e.text].x);
    EXPECT_EQ(e.y, table[e.text].y);
    EXPECT_EQ(e.index, table[e.text].index);
  }

  RECT icon{};
  ASSERT_TRUE(GetRemoteItemRect(list_, 0, LVIR_ICON, &icon));
  EXPECT_GT(icon.bottom - icon.top, 0);
  EXPECT_FALSE(GetRemoteItemRect(list_, 99, LVIR_ICON, &icon));

  // A position written the way the sync writes Explorer's is what the next read sees.
  SendMessageW(list_, LVM_SETITEMPOSITION, 1, PackPosition(333, 222));
  table.clear();
  ASSERT_TRUE(ReadListViewIcons(list_, ExplorerUsesWideItems(), table));
  EXPECT_EQ(333, table[L"Beta"].x);
  EXPECT_EQ(222, table[L"Beta"].y);
}

TEST_F(RemoteListView, MissingOrEmptyListViewsReadNothing) {
  IconTable table;
  EXPECT_FALSE(ReadListViewIcons(nullptr, true, table));
  HWND gone = list_;
  PostMessageW(host_, WM_CLOSE, 0, 0);
  WaitForSingleObject(process_.hProcess, 10000);
  EXPECT_FALSE(ReadListViewIcons(gone, true, table));
  RECT r;
  EXPECT_FALSE(GetRemoteItemRect(gone, 0, LVIR_ICON, &r));
  EXPECT_TRUE(table.empty());
  host_ = nullptr;
}

TEST(TrayMenu, OnlyButtonUpOpensIt) {
  for (UINT m : {WM_LBUTTONUP, WM_RBUTTONUP}) EXPECT_TRUE(OpensTrayMenu(m));
  for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK,
                 WM_CONTEXTMENU}) {
    EXPECT_FALSE(OpensTrayMenu(m)) << m;
  }
}

TEST(TrayMenu, ResourceLayoutAndFallback) {
  // German is not in the resources: the English menu is used.
  for (WORD language : {WORD(1033), WORD(1031)}) {
    HMENU menu = LoadTrayMenu(GetModuleHandleW(nullptr), language);
    ASSERT_NE(nullptr, menu);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, popup);
    ASSERT_EQ(6, GetMenuItemCount(popup));
    EXPECT_EQ(UINT(ID_TRAY_SETTINGS), GetMenuItemID(popup, 0));
    EXPECT_EQ(UINT(ID_TRAY_EXIT), GetMenuItemID(popup, 3));
    EXPECT_TRUE(GetMenuState(popup, 4, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(UINT(ID_TRAY_MOREWALLPAPERS), GetMenuItemID(popup, 5));
    HMENU icons = GetSubMenu(popup, 1), positions = GetSubMenu(popup, 2);
    EXPECT_EQ(UINT(ID_TRAY_SHOWICONS), GetMenuItemID(icons, 0));
    EXPECT_EQ(UINT(ID_TRAY_ICONSMOOTHING), GetMenuItemID(icons, 1));
    EXPECT_EQ(UINT(ID_TRAY_STRETCH), GetMenuItemID(positions, 0));
    EXPECT_EQ(UINT(ID_TRAY_FIT), GetMenuItemID(positions, 1));
    EXPECT_EQ(UINT(ID_TRAY_FILL), GetMenuItemID(positions, 2));
    wchar_t text[64];
    GetMenuStringW(popup, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(L"Settings...", text);
    EXPECT_TRUE(DestroyMenu(menu));
  }
  EXPECT_EQ(nullptr, LoadTrayMenu(GetModuleHandleW(L"kernel32"), 1033));
}

TEST(TrayMenu, CheckMarksFollowTheSettings) {
  struct Case { TrayMenuChecks state; } cases[] = {
      {{0, false, false}}, {{1, true, false}}, {{2, false, true}}, {{2, true, true}}};
  for (const Case& c : cases) {
    HMENU menu = LoadTrayMenu(GetModuleHandleW(nullptr), 1033);
    HMENU popup = GetSubMenu(menu, 0);
    ApplyTrayMenuChecks(popup, c.state);
    auto checked = [](HMENU m, int pos) { return (GetMenuState(m, pos, MF_BYPOSITION) & MF_CHECKED) != 0; };
    HMENU icons = GetSubMenu(popup, 1), positions = GetSubMenu(popup, 2);
    for (int p = 0; p < 3; ++p) EXPECT_EQ(DWORD(p) == c.state.picPos, checked(positions, p));
    EXPECT_EQ(c.state.iconsVisible, checked(icons, 0));
    EXPECT_EQ(c.state.smoothing, checked(icons, 1));
    DestroyMenu(menu);
  }
}

TEST(TrayMenu, CommandsAndRecord) {
  EXPECT_EQ(0, PicPosForCommand(ID_TRAY_STRETCH));
  EXPECT_EQ(1, PicPosForCommand(ID_TRAY_FIT));
  EXPECT_EQ(2, PicPosForCommand(ID_TRAY_FILL));
  EXPECT_EQ(-1, PicPosForCommand(ID_TRAY_EXIT));
  EXPECT_EQ(-1, PicPosForCommand(ID_TRAY_MUTE));
  EXPECT_EQ(3u, IconFilterFor(true));   // anisotropic
  EXPECT_EQ(1u, IconFilterFor(false));  // point
  // The balloon form of the record: everything up to and with dwInfoFlags, for this width.
  EXPECT_EQ(offsetof(NOTIFYICONDATAW, dwInfoFlags) + sizeof(DWORD), size_t(TrayIconRecordBytes()));
}

TEST(SettingsDialog, ValueMappings) {
  EXPECT_EQ(0u, ShowDialogValueFor(true));
  EXPECT_EQ(1u, ShowDialogValueFor(false));
  struct Case { LRESULT selection; bool ok; DWORD value; } cases[] = {
      {0, true, 0}, {2, true, 2}, {CB_ERR, false, 0}, {3, false, 0}, {-7, false, 0}};
  for (const Case& c : cases) {
    DWORD out = 0;
    EXPECT_EQ(c.ok, ComboChoice(c.selection, 3, &out)) << c.selection;
    if (c.ok) {
      EXPECT_EQ(c.value, out);
    }
  }
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

TEST(SettingsDialog, TemplateCreatesEveryControl) {
  InitSettingsDialogControls();
  HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SETTINGS),
                                   nullptr, PlainDialogProc, 0);
  ASSERT_NE(nullptr, dialog);
  for (int id : {IDC_GALLERY, IDC_HELPPAGE, IDCANCEL, IDC_DONTSHOW, IDC_AUTORUN, IDC_PRIORITY,
                 IDC_PICPOS_LABEL, IDC_PICPOS, IDC_SHOWICONS, IDC_MUTE, IDC_VOLUME}) {
    EXPECT_NE(nullptr, GetDlgItem(dialog, id)) << id;
  }
  EXPECT_EQ(nullptr, GetDlgItem(dialog, IDC_SMOOTHING));
  wchar_t cls[64] = {};
  GetClassNameW(GetDlgItem(dialog, IDC_VOLUME), cls, 64);
  EXPECT_STREQ(TRACKBAR_CLASSW, cls);
  wchar_t text[64] = {};
  GetDlgItemTextW(dialog, IDC_DONTSHOW, text, 64);
  EXPECT_STREQ(L"Don\u2019t show this at startup", text);
  EXPECT_TRUE(DestroyWindow(dialog));
}

}  // namespace
