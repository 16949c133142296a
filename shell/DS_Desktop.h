// The desktop icon layer: a shell view of the desktop folder hosted in the player's window.
// Its list view never paints on screen; it paints into a 32-bit memory bitmap that the
// Direct3D host copies into the icon texture and draws over the scene. The view stays a live
// shell view: it takes drag and drop and label editing.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

class DS_Desktop : public IShellBrowser {
 public:
  DS_Desktop() = default;
  virtual ~DS_Desktop();
  DS_Desktop(const DS_Desktop&) = delete;
  DS_Desktop& operator=(const DS_Desktop&) = delete;

  // Builds the shell view inside `hostWindow` (OLE must be initialised). False when the
  // desktop folder gives no view.
  bool Create(HWND hostWindow);
  // Revokes the drop targets, undoes the subclassing and releases the view and the memory
  // bitmap. Must run while OLE is still initialised; running it twice is harmless.
  void ReleaseView();

  // With the host window visible and an own list view: whether that list view is visible;
  // otherwise whether Explorer's desktop list view is.
  bool AreIconsVisible() const;
  // Shows the list view (the own one, else Explorer's) when hidden, hides it when shown; the
  // host draws the icons exactly while it is visible. Returns whether it is visible now.
  bool ToggleIcons();

  // Once per frame tick: follows Explorer's icons and writes back icons the user moved.
  void SyncIcons();
  void MatchIconSize();
  void ComputeIconBounds(int count);
  int GetHeaderHeight() const;

  HWND hostWindow() const { return hostWindow_; }
  HWND viewWindow() const { return viewWindow_; }
  HWND ownListView() const { return ownListView_; }
  int knownIconCount() const { return knownIconCount_; }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IOleWindow
  STDMETHODIMP GetWindow(HWND* window) override;
  STDMETHODIMP ContextSensitiveHelp(BOOL enter) override;
  // IShellBrowser
  STDMETHODIMP InsertMenusSB(HMENU shared, LPOLEMENUGROUPWIDTHS widths) override;
  STDMETHODIMP SetMenuSB(HMENU shared, HOLEMENU oleMenu, HWND activeObject) override;
  STDMETHODIMP RemoveMenusSB(HMENU shared) override;
  STDMETHODIMP SetStatusTextSB(LPCWSTR text) override;
  STDMETHODIMP EnableModelessSB(BOOL enable) override;
  STDMETHODIMP TranslateAcceleratorSB(MSG* msg, WORD id) override;
  STDMETHODIMP BrowseObject(PCUIDLIST_RELATIVE pidl, UINT flags) override;
  STDMETHODIMP GetViewStateStream(DWORD mode, IStream** stream) override;
  STDMETHODIMP GetControlWindow(UINT id, HWND* window) override;
  STDMETHODIMP SendControlMsg(UINT id, UINT msg, WPARAM wParam, LPARAM lParam,
                              LRESULT* result) override;
  STDMETHODIMP QueryActiveShellView(IShellView** view) override;
  STDMETHODIMP OnViewWindowActive(IShellView* view) override;
  STDMETHODIMP SetToolbarItems(LPTBBUTTONSB buttons, UINT count, UINT flags) override;

 private:
  HWND VisibilityListView() const;

  int knownIconCount_ = 0;
  LONG refCount_ = 0;
  IShellView* shellView_ = nullptr;
  HWND hostWindow_ = nullptr;
  HWND viewWindow_ = nullptr;
  IDropTarget* dropTarget_ = nullptr;
  HWND ownListView_ = nullptr;
  // Which windows hold a registration of the drop target, so that exactly those are revoked.
  bool viewDropRegistered_ = false;
  bool hostDropRegistered_ = false;
  bool selfReferenced_ = false;
};

// The memory bitmap the own list view paints into: a DC holding a 32-bit bottom-up DIB section
// of the host window's size (bytes blue, green, red, alpha).
extern HDC g_IconMemDC;
extern void* g_IconBits;
// Where the own list view paints nothing, the bitmap keeps this colour and stays transparent.
inline constexpr COLORREF kIconKeyColor = RGB(1, 1, 1);

// Own item indices collected when a drag starts; the next sync writes their moves back.
extern std::vector<int> g_DraggedIcons;
// The text of the item whose label is being edited.
extern std::wstring g_EditedLabel;
// Set when the own list view's style changes; the next paint re-applies the table's positions.
extern bool g_IconPositionsDirty;

// Window procedures of the hosted view window and its list view (subclassed).
LRESULT CALLBACK DesktopViewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DesktopListViewProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);

// Lets the own list view lay its items out as it does at its first paint, so that positions
// set afterwards stay: some list views arrange every item at their first paint with items,
// which would undo positions applied before it. Paints into the memory bitmap only.
void LayOutOwnListView(HWND listView);
// Puts the own items at Explorer's positions once the list view has laid itself out.
void PlaceOwnIcons(HWND listView);

// The selected items of a list view, every one of them, item 0 included.
std::vector<int> SelectedListViewItems(HWND listView);
