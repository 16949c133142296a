// twctl: acts on the player from another process, for tests and scripts. Output is UTF-8
// lines on stdout; the exit code says whether the act succeeded.
//
//   twctl close|stop|resume [--class C] [--post]
//       WM_CLOSE (always posted), WM_USER+2 (stop), WM_USER+3 (resume) to the first window
//       of class C ("TarnwickWnd"), looked for among top-level windows and their children.
//       stop/resume are sent (10 s at most) unless --post. Exit 2: no such window.
//   twctl find [--class C]
//       "window HWND parent HWND PARENTCLASS visible V rect X Y W H above N"; above counts
//       the siblings over it in the z-order. Exit 2: none.
//   twctl resize W H [--class C]
//   twctl repaint [--class C]
//       Invalidates the window that holds the player's window (its parent) and its
//       children, so that they repaint. Exit 2: no such window or no parent.
//   twctl get NAME | set NAME DWORD | set-sz NAME TEXT | set-raw NAME TYPE HEX | delete NAME
//         [--root HKCU|HKCR] [--key settings|run|PATH]
//       Registry values, by default under the player's settings key. NAME may be an alias:
//       sleep, picpos, smoothing, mute, volume, showdialog (the exact stored names, quotes
//       included), autorun ("Brisvane"), or @ for a key's default value. get prints
//       "dword N", "sz TEXT", "type T size S HEX" or "missing" (exit 2).
//   twctl msgbox [--timeout S] [--keep]
//       Waits for a message box of any process (S seconds, default 10), prints
//       "caption: C" and "text: T", and presses its default button unless --keep.
//       Exit 3: none appeared.
//   twctl run [--timeout S] PROGRAM [ARGS...]
//       Starts PROGRAM with ARGS (passed as they are, after PROGRAM), prints "pid P main
//       thread T" at once (T in hex, as Wine's fault reports write it) and "exit N" when it
//       ends: the code the program's process ended with, as Windows
//       sees it. (Under Wine the status of the Linux process that ran a program may differ
//       from it.) The program runs in a job that ends it when twctl ends, so killing twctl
//       ends the program too; after S seconds (default 10) twctl ends it itself, prints
//       "timeout" and exits with 4.
//   twctl wait IMAGE [--timeout S]
//       Waits for every running process of that image name (e.g. tarnwick.exe) to end:
//       prints "waiting pid P" for each once it holds the process (its exit code is then
//       kept whenever it ends), and "pid P exit N" for each as it ends. Exit 2: none
//       running; exit 4: timed out.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

void Print(const std::wstring& line) {
  const std::wstring text = line + L"\n";
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), out.data(), n, nullptr,
                      nullptr);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), out.data(), DWORD(out.size()), &written, nullptr);
}

std::wstring Hex(uintptr_t v) {
  wchar_t buf[32];
  swprintf(buf, 32, L"0x%llx", static_cast<unsigned long long>(v));
  return buf;
}

struct Args {
  std::vector<std::wstring> positional;
  std::wstring cls = L"TarnwickWnd";
  bool post = false;
  bool keep = false;
  double timeout = 10;
  HKEY root = HKEY_CURRENT_USER;
  std::wstring key = L"Software\\Orvanel\\Quillmere\\";
  bool ok = true;
};

Args Parse(int argc, wchar_t** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    const std::wstring s = argv[i];
    auto next = [&]() -> std::wstring {
      if (i + 1 >= argc) {
        a.ok = false;
        return std::wstring();
      }
      return argv[++i];
    };
    if (s == L"--class") {
      a.cls = next();
    } else if (s == L"--post") {
      a.post = true;
    } else if (s == L"--keep") {
      a.keep = true;
    } else if (s == L"--timeout") {
      a.timeout = _wtof(next().c_str());
    } else if (s == L"--root") {
      const std::wstring r = next();
      if (r == L"HKCU") a.root = HKEY_CURRENT_USER;
      else if (r == L"HKCR") a.root = HKEY_CLASSES_ROOT;
      else if (r == L"HKLM") a.root = HKEY_LOCAL_MACHINE;
      else a.ok = false;
    } else if (s == L"--key") {
      const std::wstring k = next();
      if (k == L"settings") a.key = L"Software\\Orvanel\\Quillmere\\";
      else if (k == L"run") a.key = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
      else a.key = k;
    } else {
      a.positional.push_back(s);
    }
  }
  return a;
}

// ---- Windows -------------------------------------------------------------------------------

struct FindState {
  const std::wstring* cls;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND wnd, LPARAM lp) {
  auto* st = reinterpret_cast<FindState*>(lp);
  wchar_t name[256] = {};
  GetClassNameW(wnd, name, 256);
  if (*st->cls == name) {
    st->found = wnd;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK MatchTop(HWND wnd, LPARAM lp) {
  auto* st = reinterpret_cast<FindState*>(lp);
  if (!MatchChild(wnd, lp)) return FALSE;
  EnumChildWindows(wnd, MatchChild, lp);  // every depth
  return st->found ? FALSE : TRUE;
}

HWND FindByClass(const std::wstring& cls) {
  FindState st{&cls, nullptr};
  EnumWindows(MatchTop, reinterpret_cast<LPARAM>(&st));
  return st.found;
}

int SendToPlayer(const Args& a, UINT msg, const wchar_t* what) {
  HWND wnd = FindByClass(a.cls);
  if (!wnd) {
    Print(L"no window of class " + a.cls);
    return 2;
  }
  if (msg == WM_CLOSE || a.post) {
    if (!PostMessageW(wnd, msg, 0, 0)) return 1;
  } else {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(wnd, msg, 0, 0, SMTO_ABORTIFHUNG, 10000, &result)) {
      Print(L"no answer");
      return 1;
    }
  }
  Print(std::wstring(L"sent ") + what + L" to " + Hex(reinterpret_cast<uintptr_t>(wnd)));
  return 0;
}

int FindCommand(const Args& a) {
  HWND wnd = FindByClass(a.cls);
  if (!wnd) {
    Print(L"no window of class " + a.cls);
    return 2;
  }
  HWND parent = GetAncestor(wnd, GA_PARENT);
  wchar_t parentClass[256] = L"-";
  if (parent) GetClassNameW(parent, parentClass, 256);
  RECT rc{};
  GetWindowRect(wnd, &rc);
  int above = 0;
  for (HWND h = GetWindow(wnd, GW_HWNDPREV); h; h = GetWindow(h, GW_HWNDPREV)) ++above;
  wchar_t line[512];
  swprintf(line, 512, L"window %ls parent %ls %ls visible %d rect %ld %ld %ld %ld above %d",
           Hex(reinterpret_cast<uintptr_t>(wnd)).c_str(),
           Hex(reinterpret_cast<uintptr_t>(parent)).c_str(), parentClass,
           IsWindowVisible(wnd) ? 1 : 0, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
           above);
  Print(line);
  return 0;
}

int ResizeCommand(const Args& a) {
  if (a.positional.size() != 3) return 64;
  HWND wnd = FindByClass(a.cls);
  if (!wnd) return 2;
  const int w = _wtoi(a.positional[1].c_str()), h = _wtoi(a.positional[2].c_str());
  return SetWindowPos(wnd, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0
                                                                                            : 1;
}

int RepaintCommand(const Args& a) {
  HWND wnd = FindByClass(a.cls);
  HWND parent = wnd ? GetParent(wnd) : nullptr;
  if (!parent) return 2;
  const UINT flags = RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN;
  return RedrawWindow(parent, nullptr, nullptr, flags) ? 0 : 1;
}

// ---- Registry ------------------------------------------------------------------------------

std::wstring ValueName(const std::wstring& alias) {
  if (alias == L"sleep") return L"\"Sleep time\"";
  if (alias == L"picpos") return L"\"PicPos\"";
  if (alias == L"smoothing") return L"\"Icon smoothing\"";
  if (alias == L"mute") return L"\"Mute\"";
  if (alias == L"volume") return L"\"Sound Volume\"";
  if (alias == L"showdialog") return L"Show dialog";
  if (alias == L"autorun") return L"Brisvane";
  if (alias == L"@") return std::wstring();
  return alias;
}

int RegistryCommand(const Args& a) {
  const std::wstring& cmd = a.positional[0];
  if (a.positional.size() < 2) return 64;
  const std::wstring name = ValueName(a.positional[1]);
  const wchar_t* valueName = name.empty() ? nullptr : name.c_str();
  HKEY key = nullptr;
  if (cmd == L"get") {
    if (RegOpenKeyExW(a.root, a.key.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
      Print(L"missing");
      return 2;
    }
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
      RegCloseKey(key);
      Print(L"missing");
      return 2;
    }
    std::vector<BYTE> data(size + sizeof(wchar_t), 0);
    RegQueryValueExW(key, valueName, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (type == REG_DWORD && size == 4) {
      DWORD d;
      memcpy(&d, data.data(), 4);
      Print(L"dword " + std::to_wstring(d));
    } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
      Print(L"sz " + std::wstring(reinterpret_cast<const wchar_t*>(data.data())));
    } else {
      std::wstring hex;
      wchar_t b[4];
      for (DWORD i = 0; i < size; ++i) swprintf(b, 4, L"%02x", data[i]), hex += b;
      Print(L"type " + std::to_wstring(type) + L" size " + std::to_wstring(size) + L" " + hex);
    }
    return 0;
  }
  if (cmd == L"delete") {
    if (RegOpenKeyExW(a.root, a.key.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return 0;
    RegDeleteValueW(key, valueName);
    RegCloseKey(key);
    return 0;
  }
  if (a.positional.size() < 3) return 64;
  DWORD type = REG_DWORD;
  std::vector<BYTE> data;
  if (cmd == L"set") {
    const DWORD d = DWORD(wcstoul(a.positional[2].c_str(), nullptr, 0));
    data.assign(reinterpret_cast<const BYTE*>(&d), reinterpret_cast<const BYTE*>(&d) + 4);
  } else if (cmd == L"set-sz") {
    type = REG_SZ;
    const std::wstring& t = a.positional[2];
    data.assign(reinterpret_cast<const BYTE*>(t.c_str()),
                reinterpret_cast<const BYTE*>(t.c_str() + t.size() + 1));
  } else if (cmd == L"set-raw") {
    if (a.positional.size() < 4) return 64;
    type = DWORD(wcstoul(a.positional[2].c_str(), nullptr, 0));
    const std::wstring& hex = a.positional[3];
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      data.push_back(BYTE(wcstoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  } else {
    return 64;
  }
  if (RegCreateKeyExW(a.root, a.key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return 1;
  const LONG rc = RegSetValueExW(key, valueName, 0, type, data.empty() ? nullptr : data.data(),
                                 DWORD(data.size()));
  RegCloseKey(key);
  return rc == ERROR_SUCCESS ? 0 : 1;
}

// ---- Message boxes -------------------------------------------------------------------------

BOOL CALLBACK MatchDialog(HWND wnd, LPARAM lp) {
  wchar_t cls[64] = {};
  GetClassNameW(wnd, cls, 64);
  // A message box is a dialog with the text in its static control 0xFFFF.
  if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(wnd) && GetDlgItem(wnd, 0xFFFF)) {
    *reinterpret_cast<HWND*>(lp) = wnd;
    return FALSE;
  }
  return TRUE;
}

std::wstring WindowText(HWND wnd) {
  const int n = GetWindowTextLengthW(wnd);
  std::wstring s(size_t(n) + 1, L'\0');
  GetWindowTextW(wnd, s.data(), n + 1);
  s.resize(wcslen(s.c_str()));
  return s;
}

int MessageBoxCommand(const Args& a) {
  const DWORD deadline = GetTickCount() + DWORD(a.timeout * 1000);
  HWND box = nullptr;
  for (;;) {
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&box));
    if (box || int(GetTickCount() - deadline) >= 0) break;
    Sleep(100);
  }
  if (!box) {
    Print(L"no message box");
    return 3;
  }
  Print(L"caption: " + WindowText(box));
  Print(L"text: " + WindowText(GetDlgItem(box, 0xFFFF)));
  if (a.keep) return 0;
  // The default button is the one a user's Enter would press.
  const LRESULT def = SendMessageW(box, DM_GETDEFID, 0, 0);
  const int id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(GetDlgItem(box, id)));
  for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(50);
  return IsWindow(box) ? 1 : 0;
}

// ---- Processes -----------------------------------------------------------------------------

int WaitCommand(const Args& a) {
  if (a.positional.size() != 2) return 64;
  const std::wstring& image = a.positional[1];
  std::vector<DWORD> pids;
  HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snap == INVALID_HANDLE_VALUE) return 1;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof pe;
  for (BOOL more = Process32FirstW(snap, &pe); more; more = Process32NextW(snap, &pe))
    if (_wcsicmp(pe.szExeFile, image.c_str()) == 0 && pe.th32ProcessID != GetCurrentProcessId())
      pids.push_back(pe.th32ProcessID);
  CloseHandle(snap);
  if (pids.empty()) {
    Print(L"no process " + image);
    return 2;
  }
  std::vector<std::pair<DWORD, HANDLE>> held;
  for (DWORD pid : pids) {
    HANDLE p = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!p) continue;  // ended meanwhile; its code is gone with it
    held.emplace_back(pid, p);
    Print(L"waiting pid " + std::to_wstring(pid));
  }
  const DWORD deadline = GetTickCount() + DWORD(a.timeout * 1000);
  int rc = 0;
  for (auto [pid, p] : held) {
    const int left = int(deadline - GetTickCount());
    if (WaitForSingleObject(p, left > 0 ? DWORD(left) : 0) != WAIT_OBJECT_0) {
      Print(L"pid " + std::to_wstring(pid) + L" timeout");
      rc = 4;
    } else {
      DWORD code = 0;
      GetExitCodeProcess(p, &code);
      Print(L"pid " + std::to_wstring(pid) + L" exit " + std::to_wstring(code));
    }
    CloseHandle(p);
  }
  return rc;
}

std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
    } else {
      if (c == L'"') out.append(slashes + 1, L'\\');
      slashes = 0;
    }
    out += c;
  }
  out.append(slashes, L'\\');
  return out + L"\"";
}

int RunCommand(int argc, wchar_t** argv) {
  double timeout = 10;
  int i = 2;
  for (; i < argc && wcsncmp(argv[i], L"--", 2) == 0; ++i) {
    if (wcscmp(argv[i], L"--timeout") == 0 && i + 1 < argc) {
      timeout = _wtof(argv[++i]);
    } else {
      return 64;
    }
  }
  if (i >= argc) return 64;
  std::wstring line;
  for (int k = i; k < argc; ++k) line += (k > i ? L" " : L"") + QuoteArgument(argv[k]);

  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  std::vector<wchar_t> mutableLine(line.begin(), line.end());
  mutableLine.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                      nullptr, nullptr, &si, &pi)) {
    Print(L"cannot start " + line);
    return 1;
  }
  if (job) AssignProcessToJobObject(job, pi.hProcess);
  ResumeThread(pi.hThread);
  CloseHandle(pi.hThread);
  // The main thread's id in the form of Wine's fault reports, so that a test can tell a
  // fault of the program's own thread from one in a thread of the platform's.
  wchar_t thread[16];
  swprintf(thread, 16, L"%04lx", static_cast<unsigned long>(pi.dwThreadId));
  Print(L"pid " + std::to_wstring(pi.dwProcessId) + L" main thread " + thread);
  int rc = 0;
  if (WaitForSingleObject(pi.hProcess, DWORD(timeout * 1000)) != WAIT_OBJECT_0) {
    TerminateProcess(pi.hProcess, 255);
    WaitForSingleObject(pi.hProcess, 10000);
    Print(L"timeout");
    rc = 4;
  } else {
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    Print(L"exit " + std::to_wstring(code));
  }
  CloseHandle(pi.hProcess);
  if (job) CloseHandle(job);
  return rc;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 2 && wcscmp(argv[1], L"run") == 0) return RunCommand(argc, argv);
  const Args a = Parse(argc, argv);
  if (!a.ok || a.positional.empty()) {
    Print(L"usage: twctl close|stop|resume|find|resize|repaint|get|set|set-sz|set-raw|delete|msgbox|run|wait");
    return 64;
  }
  const std::wstring& cmd = a.positional[0];
  if (cmd == L"close") return SendToPlayer(a, WM_CLOSE, L"WM_CLOSE");
  if (cmd == L"stop") return SendToPlayer(a, WM_USER + 2, L"stop");
  if (cmd == L"resume") return SendToPlayer(a, WM_USER + 3, L"resume");
  if (cmd == L"find") return FindCommand(a);
  if (cmd == L"resize") return ResizeCommand(a);
  if (cmd == L"repaint") return RepaintCommand(a);
  if (cmd == L"get" || cmd == L"set" || cmd == L"set-sz" || cmd == L"set-raw" ||
      cmd == L"delete")
    return RegistryCommand(a);
  if (cmd == L"msgbox") return MessageBoxCommand(a);
  if (cmd == L"wait") return WaitCommand(a);
  Print(L"unknown command " + cmd);
  return 64;
}
