// The player's settings: DWORD values under the current user's settings key, each read once
// into a cache and written back at once when changed.
#pragma once

#include <windows.h>

#include <string>

// Registry paths and value names. Five names carry double quotes as part of the name; stored
// settings of earlier installs rely on that spelling.
inline constexpr const wchar_t* kSettingsKeyPath = L"Software\\Orvanel\\Quillmere\\";
inline constexpr const wchar_t* kSleepTimeValue = L"\"Sleep time\"";
inline constexpr const wchar_t* kPicPosValue = L"\"PicPos\"";
inline constexpr const wchar_t* kIconSmoothingValue = L"\"Icon smoothing\"";
inline constexpr const wchar_t* kMuteValue = L"\"Mute\"";
inline constexpr const wchar_t* kSoundVolumeValue = L"\"Sound Volume\"";
inline constexpr const wchar_t* kShowDialogValue = L"Show dialog";

// Picture positions.
enum : DWORD { kPicPosStretch = 0, kPicPosFit = 1, kPicPosFill = 2 };

// Reads a REG_DWORD of exactly four bytes from the settings key (created when missing). A
// missing value, a value of any other type or size, or a key that cannot be opened leaves
// *out as it was. True when *out was read.
bool ReadRegistryDword(DWORD* out, const wchar_t* name);
// Writes a REG_DWORD into the settings key (created when missing).
bool WriteRegistryDword(DWORD value, const wchar_t* name);

// The cached settings. A fresh store reads each value on first use, as a new process does;
// the process has one (`Settings()`), tests make their own.
class SettingsStore {
 public:
  // The frame interval in ms for "Sleep time" s: s*(s+3)*5 + 10; 0, 1, 2 give 10, 30, 60.
  // Hostile values are computed without overflow and capped at the longest window timer.
  DWORD GetFrameIntervalMs();
  DWORD GetSleepTime();
  void SetSleepTime(DWORD s);
  // 0 stretch, 1 fit, 2 fill; a stored value outside these reads as the default, fill.
  DWORD GetPicPos();
  void SetPicPos(DWORD pos);
  bool GetIconSmoothing();
  void SetIconSmoothing(bool on);
  bool GetMute();
  void SetMute(bool on);
  // 0..100; a larger stored value reads as 100.
  DWORD GetSoundVolume();
  void SetSoundVolume(DWORD volume);

 private:
  struct Cached {
    const wchar_t* name;
    DWORD value;
    bool loaded;
  };
  DWORD Get(Cached& c);
  void Set(Cached& c, DWORD value);

  Cached sleepTime_{kSleepTimeValue, 1, false};
  Cached picPos_{kPicPosValue, kPicPosFill, false};
  Cached iconSmoothing_{kIconSmoothingValue, 0, false};
  Cached mute_{kMuteValue, 1, false};
  Cached soundVolume_{kSoundVolumeValue, 100, false};
};

SettingsStore& Settings();

// The process-wide getters and setters.
DWORD GetFrameIntervalMs();
void SetSleepTime(DWORD s);
DWORD GetPicPos();
void SetPicPos(DWORD pos);
bool GetIconSmoothing();
void SetIconSmoothing(bool on);
bool GetMute();
void SetMute(bool on);
DWORD GetSoundVolume();
void SetSoundVolume(DWORD volume);

// The frame interval formula alone.
DWORD FrameIntervalForSleepTime(DWORD s);

// Opens or creates the settings key (the start fails without it) and reads "Show dialog"
// into *showDialog, which keeps its value when the value is missing or not a 4-byte DWORD.
bool LoadStartupSettings(DWORD* showDialog);
