// A list view in a process of its own, standing where Explorer's desktop list view would:
// items with known texts and positions for the cross-process reads. Closes on WM_CLOSE or
// after a minute, whichever comes first.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, msg, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSW wc{};
  wc.lpfnWndProc = HostProc;
  wc.hInstance = instance;
  wc.lpszClassName = L"TwIconsListHost";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, L"TwIconsListHost", L"list host", WS_OVERLAPPEDWINDOW, 0, 0,
                                640, 480, nullptr, nullptr, instance, nullptr);
  RECT client;
  GetClientRect(window, &client);
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_ICON,
                              0, 0, client.right, client.bottom, window, nullptr, instance, nullptr);
  // Icons of 32 x 32 pixels, as a desktop has.
  HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 1, 1);
  ImageList_AddIcon(images, LoadIconW(nullptr, IDI_APPLICATION));
  SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images));
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  // The long name is longer than any list-view text buffer of the reader.
  const std::wstring longName(300, L'x');
  struct Item { const wchar_t* text; int x, y; } items[] = {
      {L"Alpha", 20, 30}, {L"Beta", 140, 30}, {longName.c_str(), 20, 150}, {L"Gamma", 260, 150}};
  int index = 0;
  for (const Item& item : items) {
    LVITEMW lv{};
    lv.mask = LVIF_TEXT;
    lv.iItem = index;
    lv.pszText = const_cast<wchar_t*>(item.text);
    const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&lv)));
    (void)at;
    ++index;
  }
  // The list view arranges new items when it first lays itself out; the fixture's positions
  // are set after that, and the title tells the test they are in place.
  MSG msg;
  const DWORD settle = GetTickCount() + 300;
  while (GetTickCount() < settle) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    Sleep(10);
  }
  for (int i = 0; i < index; ++i) {
    SendMessageW(list, LVM_SETITEMPOSITION, i, MAKELPARAM(items[i].x, items[i].y));
  }
  SetWindowTextW(window, L"ready");
  SetTimer(window, 1, 60000, nullptr);
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
