// Starting with Windows: a value under the current user's Run key that starts the player with
// "-d" (which delays the start until the desktop has settled).
#pragma once

#include <string>

inline constexpr const wchar_t* kRunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
inline constexpr const wchar_t* kAutorunValue = L"Brisvane";

// The program's own path, however long.
std::wstring GetProgramPath();
// The Run value for a program: the path in double quotes, a blank and -d.
std::wstring AutorunCommandFor(const std::wstring& programPath);

// Writes the Run value for this program / for the given path.
bool SetAutorun();
bool SetAutorunFor(const std::wstring& programPath);
// True when the Run value names this program / the given path after its opening quote.
bool IsAutorunSet();
bool IsAutorunSetFor(const std::wstring& programPath);
