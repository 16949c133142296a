#include "shell/Settings.h"

namespace {

HKEY OpenSettingsKey() {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                      nullptr, &key, nullptr) != ERROR_SUCCESS)
    return nullptr;
  return key;
}

bool QueryDword(HKEY key, const wchar_t* name, DWORD* out) {
  DWORD type = 0, value = 0, size = sizeof value;
  const LONG rc = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                                   &size);
  // A value of another type or size (ERROR_MORE_DATA for a longer one) is not ours.
  if (rc != ERROR_SUCCESS || type != REG_DWORD || size != sizeof value) return false;
  *out = value;
  return true;
}

}  // namespace

bool ReadRegistryDword(DWORD* out, const wchar_t* name) {
  HKEY key = OpenSettingsKey();
  if (!key) return false;
  const bool ok = QueryDword(key, name, out);
  RegCloseKey(key);
  return ok;
}

bool WriteRegistryDword(DWORD value, const wchar_t* name) {
  HKEY key = OpenSettingsKey();
  if (!key) return false;
  const bool ok = RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                 sizeof value) == ERROR_SUCCESS;
  RegCloseKey(key);
  return ok;
}

bool LoadStartupSettings(DWORD* showDialog) {
  HKEY key = OpenSettingsKey();
  if (!key) return false;
  QueryDword(key, kShowDialogValue, showDialog);
  RegCloseKey(key);
  return true;
}

DWORD FrameIntervalForSleepTime(DWORD s) {
  // Anything above this is longer than the longest timer anyway; the cap keeps the product
  // below 64 bits, so no stored value can wrap round to a short interval.
  if (s > 65535) return DWORD(USER_TIMER_MAXIMUM);
  const unsigned long long wide = s;
  const unsigned long long ms = wide * (wide + 3) * 5 + 10;
  return ms > USER_TIMER_MAXIMUM ? DWORD(USER_TIMER_MAXIMUM) : DWORD(ms);
}

DWORD SettingsStore::Get(Cached& c) {
  if (!c.loaded) {
    ReadRegistryDword(&c.value, c.name);
    c.loaded = true;
  }
  return c.value;
}

void SettingsStore::Set(Cached& c, DWORD value) {
  Get(c);
  c.value = value;
  WriteRegistryDword(value, c.name);
}

DWORD SettingsStore::GetFrameIntervalMs() { return FrameIntervalForSleepTime(Get(sleepTime_)); }
DWORD SettingsStore::GetSleepTime() { return Get(sleepTime_); }
void SettingsStore::SetSleepTime(DWORD s) { Set(sleepTime_, s); }

DWORD SettingsStore::GetPicPos() {
  const DWORD pos = Get(picPos_);
  return pos <= kPicPosFill ? pos : DWORD(kPicPosFill);
}
void SettingsStore::SetPicPos(DWORD pos) { Set(picPos_, pos); }

bool SettingsStore::GetIconSmoothing() { return Get(iconSmoothing_) != 0; }
void SettingsStore::SetIconSmoothing(bool on) { Set(iconSmoothing_, on ? 1 : 0); }
bool SettingsStore::GetMute() { return Get(mute_) != 0; }
void SettingsStore::SetMute(bool on) { Set(mute_, on ? 1 : 0); }

DWORD SettingsStore::GetSoundVolume() {
  const DWORD v = Get(soundVolume_);
  return v <= 100 ? v : 100;
}
void SettingsStore::SetSoundVolume(DWORD volume) { Set(soundVolume_, volume); }

SettingsStore& Settings() {
  static SettingsStore store;
  return store;
}

DWORD GetFrameIntervalMs() { return Settings().GetFrameIntervalMs(); }
void SetSleepTime(DWORD s) { Settings().SetSleepTime(s); }
DWORD GetPicPos() { return Settings().GetPicPos(); }
void SetPicPos(DWORD pos) { Settings().SetPicPos(pos); }
bool GetIconSmoothing() { return Settings().GetIconSmoothing(); }
void SetIconSmoothing(bool on) { Settings().SetIconSmoothing(on); }
bool GetMute() { return Settings().GetMute(); }
void SetMute(bool on) { Settings().SetMute(on); }
DWORD GetSoundVolume() { return Settings().GetSoundVolume(); }
void SetSoundVolume(DWORD volume) { Settings().SetSoundVolume(volume); }
