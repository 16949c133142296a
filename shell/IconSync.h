// Keeping the player's own desktop icons in step with Explorer's: the table of Explorer's
// icon positions by item text, the list-view records written into Explorer's process, and the
// placement of the own icons.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

// Where Explorer shows an item (list-view coordinates) and its index there at the last read.
struct IconPlacement {
  int x = 0;
  int y = 0;
  int index = 0;
};

// Items are matched by their text, compared case-sensitively; two Explorer items with the
// same text share one entry and the later one read wins.
using IconTable = std::map<std::wstring, IconPlacement>;
extern IconTable g_IconTable;

// Left, top, right, bottom of the own icons' labels; the icon copy fixes alpha only there.
extern RECT g_IconBounds;

// Own items that Explorer does not list are parked far outside the view.
inline constexpr int kParkedIconX = 10000;
inline constexpr int kParkedIconY = 10000;

// List-view texts are read into 260 characters; the last one always ends the text.
inline constexpr int kItemTextChars = 260;

// The table's entry for a text, a zeroed one inserted when the text is new.
IconPlacement& IconTableEntry(const std::wstring& text);
// An item renamed in the own view keeps its place: its entry moves to the new text.
void RenameIconEntry(const std::wstring& from, const std::wstring& to);

// The item record (LVITEMW with mask, item, text pointer and capacity) as the list view's
// process sees it. A 32-bit process reads a 40-byte record with 4-byte pointers; a 64-bit
// one reads the 64-bit layout, whose block is 72 bytes.
inline constexpr size_t kRemoteItemRecordBytes = 40;
size_t RemoteItemBlockBytes(bool wide);
void BuildRemoteItemRecord(bool wide, int index, unsigned long long remoteText,
                           unsigned char (&record)[kRemoteItemRecordBytes]);
unsigned long long RemoteItemTextPointer(bool wide,
                                         const unsigned char (&record)[kRemoteItemRecordBytes]);

// Explorer runs natively, so its records follow the system's width: a 64-bit player is on a
// 64-bit system by definition, and a 32-bit player is on one when it runs under WoW64.
bool UseWideItemLayout(bool playerIs64Bit, bool runsUnderWow64);
bool ExplorerUsesWideItems();

// A position as LVM_SETITEMPOSITION takes it: x in the low and y in the high 16 bits.
inline LPARAM PackPosition(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// Ends a text read from another process within its buffer.
void TerminateItemText(wchar_t (&text)[kItemTextChars]);

// Reads every item's text and position from a list view of another process into the table.
// True when the list view had items. Items whose messages or copies fail are skipped.
bool ReadListViewIcons(HWND listView, bool wide, IconTable& table);
bool ReadExplorerIcons32();
bool ReadExplorerIcons64();
// An item's rectangle (LVIR_ICON, LVIR_LABEL...) from a list view of another process.
bool GetRemoteItemRect(HWND listView, int item, int code, RECT* out);

// Explorer's desktop list view, looked up again when the cached handle is no longer a window.
HWND ExplorerListView();
void MoveExplorerIcon(POINT position, int explorerIndex);

// The text of an item of a list view of this process, at most 259 characters; false when the
// list view does not answer for that item.
bool ReadItemText(HWND listView, int item, std::wstring* text);
// The table's entry for an item of a list view of this process, or null.
IconPlacement* FindIconEntry(HWND listView, int item);
// Puts every own item where Explorer has it, or parks it when Explorer has no such item.
void ApplyIconPositions(HWND ownListView);

// Steps the own icon size toward `target` (the measured height of Explorer's icon) one step
// at a time, in one direction: down while it is larger, else up while it is smaller. Ends when
// it reaches or passes the target, when the own height cannot be measured, or when a step does
// not move it: some sizes cannot be reached, and some list views ignore the step altogether.
void StepIconSizeToward(int target, const std::function<int()>& measure,
                        const std::function<void(int direction)>& step);

// The bounds of the labels that lie within the window rectangle's right and bottom, grown
// by each label's height below it. `window` is in screen coordinates and the labels in the
// list view's; on the desktop the two coincide.
RECT BoundsOfLabels(const RECT& window, const std::vector<RECT>& labels);
