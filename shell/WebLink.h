// Opens a web address with the browser command the system registers for http.
#pragma once

#include <string>

inline constexpr const wchar_t* kBrowserCommandKey = L"http\\shell\\open\\command";

// The command line for an address: a quoted "%1" in the browser command is replaced by the
// address (the quotes stay); a command without it gets a blank and the address appended.
std::wstring BuildBrowserCommandLine(const std::wstring& command, const std::wstring& address);

// Starts the browser on the address. False when no browser command is registered or the
// process cannot be started.
bool OpenUrl(const std::wstring& address);
