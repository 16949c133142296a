// The child half of the screen smoke test: a child window inside another process's window
// (argv[1] is its handle) rendering a known colour with Direct3D 9. It writes the ready
// file (argv[2]) after some frames and renders until the file is removed (at most 50 s).
#include <windows.h>
#include <d3d9.h>
#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  HWND parent = reinterpret_cast<HWND>(static_cast<UINT_PTR>(wcstoull(argv[1], nullptr, 10)));
  const wchar_t* ready = argv[2];
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SmokeChildWnd";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowExW(0, L"SmokeChildWnd", L"child", WS_CHILD | WS_VISIBLE, 50, 50, 200, 150,
                             parent, nullptr, wc.hInstance, nullptr);
  if (!wnd) return 3;
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!d3d) return 4;
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_X8R8G8B8;
  pp.hDeviceWindow = wnd;
  IDirect3DDevice9* dev = nullptr;
  if (FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd,
                               D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev)))
    return 5;
  const DWORD start = GetTickCount();
  for (int frame = 0; GetTickCount() - start < 50000; ++frame) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0x20, 0xC0, 0x60), 1.0f, 0);
    dev->Present(nullptr, nullptr, nullptr, nullptr);
    if (frame == 20) {
      if (FILE* f = _wfopen(ready, L"w")) fclose(f);
    }
    if (frame > 20 && GetFileAttributesW(ready) == INVALID_FILE_ATTRIBUTES) break;
    Sleep(20);
  }
  dev->Release();
  d3d->Release();
  return 0;
}
