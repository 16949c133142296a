// The icon table, the records written into another process and the placement of icons:
// everything of the synchronisation that needs no player around it.
#include "shell/IconSync.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "shell/RemoteMemory.h"

IconTable g_IconTable;
RECT g_IconBounds{};

namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// Looked up at run time: systems without WoW64 lack the export.
IsWow64ProcessFn LookUpIsWow64Process() {
  HMODULE kernel = GetModuleHandleW(L"kernel32");
  return kernel ? reinterpret_cast<IsWow64ProcessFn>(
                      reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
                : nullptr;
}
const IsWow64ProcessFn g_IsWow64Process = LookUpIsWow64Process();

void PutU32(unsigned char* at, unsigned v) { std::memcpy(at, &v, 4); }
void PutU64(unsigned char* at, unsigned long long v) { std::memcpy(at, &v, 8); }

// The 32-bit record: text pointer at 20, capacity at 24. The 64-bit record: the pointer is
// aligned to 8 and sits at 24, the capacity at 32.
constexpr size_t kText32 = 20, kCapacity32 = 24;
constexpr size_t kText64 = 24, kCapacity64 = 32;

}  // namespace

IconPlacement& IconTableEntry(const std::wstring& text) { return g_IconTable[text]; }

void RenameIconEntry(const std::wstring& from, const std::wstring& to) {
  auto it = g_IconTable.find(from);
  if (it == g_IconTable.end() || from == to) return;
  IconPlacement placement = it->second;
  g_IconTable.erase(it);
  g_IconTable[to] = placement;
}

size_t RemoteItemBlockBytes(bool wide) { return wide ? 72 : 40; }

void BuildRemoteItemRecord(bool wide, int index, unsigned long long remoteText,
                           unsigned char (&record)[kRemoteItemRecordBytes]) {
  std::memset(record, 0, sizeof record);
  PutU32(record + 0, LVIF_TEXT | LVIF_IMAGE);
  PutU32(record + 4, static_cast<unsigned>(index));
  if (wide) {
    PutU64(record + kText64, remoteText);
    PutU32(record + kCapacity64, kItemTextChars);
  } else {
    PutU32(record + kText32, static_cast<unsigned>(remoteText));
    PutU32(record + kCapacity32, kItemTextChars);
  }
}

unsigned long long RemoteItemTextPointer(bool wide,
                                         const unsigned char (&record)[kRemoteItemRecordBytes]) {
  if (wide) {
    unsigned long long p;
    std::memcpy(&p, record + kText64, 8);
    return p;
  }
  unsigned p;
  std::memcpy(&p, record + kText32, 4);
  return p;
}

bool UseWideItemLayout(bool playerIs64Bit, bool runsUnderWow64) {
  return playerIs64Bit || runsUnderWow64;
}

bool ExplorerUsesWideItems() {
  BOOL wow64 = FALSE;
  if (g_IsWow64Process && !g_IsWow64Process(GetCurrentProcess(), &wow64)) wow64 = FALSE;
  return UseWideItemLayout(sizeof(void*) == 8, wow64 != FALSE);
}

void TerminateItemText(wchar_t (&text)[kItemTextChars]) { text[kItemTextChars - 1] = 0; }

bool ReadListViewIcons(HWND listView, bool wide, IconTable& table) {
  if (!listView || !IsWindow(listView)) return false;
  RemoteProcess process(listView);
  if (!process.ok()) return false;
  RemoteBlock item(process, RemoteItemBlockBytes(wide));
  RemoteBlock text(process, kItemTextChars * sizeof(wchar_t));
  RemoteBlock point(process, sizeof(POINT));
  if (!item.ok() || !text.ok() || !point.ok()) return false;

  const int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    unsigned char record[kRemoteItemRecordBytes];
    BuildRemoteItemRecord(wide, i, text.address(), record);
    const wchar_t empty = 0;
    // The text block is shared by every item: clear it so that a failed copy never hands
    // this item the previous item's text.
    if (!item.Write(record, sizeof record) || !text.Write(&empty, sizeof empty)) continue;
    if (!SendMessageW(listView, LVM_GETITEMW, 0, item.param())) continue;
    unsigned char back[kRemoteItemRecordBytes];
    if (!item.Read(back, sizeof back)) continue;
    wchar_t name[kItemTextChars];
    // The list view may answer with a pointer to its own copy of the text instead.
    const unsigned long long at = RemoteItemTextPointer(wide, back);
    const bool own = at == text.address() || at == 0;
    if (own ? !text.Read(name, sizeof name) : !ReadRemote(process, at, name, sizeof name)) continue;
    TerminateItemText(name);

    const POINT zero{0, 0};
    if (!point.Write(&zero, sizeof zero)) continue;
    if (!SendMessageW(listView, LVM_GETITEMPOSITION, i, point.param())) continue;
    POINT where;
    if (!point.Read(&where, sizeof where)) continue;
    IconPlacement& entry = table[name];
    entry.x = where.x;
    entry.y = where.y;
    entry.index = i;
  }
  return count > 0;
}

bool GetRemoteItemRect(HWND listView, int item, int code, RECT* out) {
  if (!listView || !IsWindow(listView)) return false;
  RemoteProcess process(listView);
  if (!process.ok()) return false;
  RemoteBlock block(process, sizeof(RECT));
  RECT request{code, 0, 0, 0};
  if (!block.Write(&request, sizeof request)) return false;
  if (!SendMessageW(listView, LVM_GETITEMRECT, item, block.param())) return false;
  return block.Read(out, sizeof *out);
}

bool ReadItemText(HWND listView, int item, std::wstring* text) {
  wchar_t name[kItemTextChars] = {};
  LVITEMW request{};
  request.mask = LVIF_TEXT;
  request.iItem = item;
  request.pszText = name;
  request.cchTextMax = kItemTextChars;
  if (!SendMessageW(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&request))) return false;
  // The list view may point at its own copy of the text.
  *text = request.pszText ? request.pszText : L"";
  if (text->size() >= kItemTextChars) text->resize(kItemTextChars - 1);
  return true;
}

IconPlacement* FindIconEntry(HWND listView, int item) {
  std::wstring text;
  if (!ReadItemText(listView, item, &text)) return nullptr;
  auto it = g_IconTable.find(text);
  return it == g_IconTable.end() ? nullptr : &it->second;
}

void ApplyIconPositions(HWND ownListView) {
  const int count = static_cast<int>(SendMessageW(ownListView, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    if (const IconPlacement* entry = FindIconEntry(ownListView, i)) {
      SendMessageW(ownListView, LVM_SETITEMPOSITION, i, PackPosition(entry->x, entry->y));
    } else {
      POINT parked{kParkedIconX, kParkedIconY};
      SendMessageW(ownListView, LVM_SETITEMPOSITION32, i, reinterpret_cast<LPARAM>(&parked));
    }
  }
}

void StepIconSizeToward(int target, const std::function<int()>& measure,
                        const std::function<void(int direction)>& step) {
  if (target <= 0) return;
  int height = measure();
  if (height <= 0) return;
  // Each pass must bring the height strictly closer; a list view that ignores the step, or a
  // size between two of its steps, ends the loop instead of spinning on it.
  // One direction only: a size between two steps ends just past the target instead of
  // stepping back and forth across it.
  if (target < height) {
    while (target < height) {
      step(-1);
      const int next = measure();
      if (next <= 0 || next >= height) return;
      height = next;
    }
    return;
  }
  while (height < target) {
    step(+1);
    const int next = measure();
    if (next <= 0 || next <= height) return;
    height = next;
  }
}

RECT BoundsOfLabels(const RECT& window, const std::vector<RECT>& labels) {
  RECT b{window.right, window.bottom, window.left, window.top};
  for (const RECT& r : labels) {
    if (r.left > window.right || r.top > window.bottom) continue;
    b.left = std::min(b.left, r.left);
    b.top = std::min(b.top, r.top);
    b.right = std::max(b.right, r.right);
    b.bottom = std::max(b.bottom, 2 * r.bottom - r.top);
  }
  return b;
}

std::vector<int> SelectedListViewItems(HWND listView) {
  std::vector<int> items;
  const int count = static_cast<int>(SendMessageW(listView, LVM_GETITEMCOUNT, 0, 0));
  // The search starts after the item it is given, so it starts from -1 to see item 0 too.
  int at = -1;
  while (static_cast<int>(items.size()) < count) {
    at = static_cast<int>(SendMessageW(listView, LVM_GETNEXTITEM, at, LVNI_SELECTED));
    if (at < 0) break;
    items.push_back(at);
  }
  return items;
}
