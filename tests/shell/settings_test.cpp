#include "shell/Autorun.h"
#include "shell/Settings.h"
#include "shell/Strings.h"
#include "shell/WebLink.h"

#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Puts one registry value back as it was (or removes it), and removes the keys on its path
// that the test created.
class RegistryValueGuard {
 public:
  RegistryValueGuard(HKEY root, std::wstring path, const wchar_t* name)
      : root_(root), path_(std::move(path)), name_(name ? name : L""), hasName_(name != nullptr) {
    // Remember which keys on the path are missing now, deepest last.
    std::wstring sofar;
    size_t start = 0;
    while (start < path_.size()) {
      size_t end = path_.find(L'\\', start);
      if (end == std::wstring::npos) end = path_.size();
      if (end > start) {
        sofar = path_.substr(0, end);
        HKEY k = nullptr;
        if (RegOpenKeyExW(root_, sofar.c_str(), 0, KEY_READ, &k) == ERROR_SUCCESS)
          RegCloseKey(k);
        else
          missingKeys_.push_back(sofar);
      }
      start = end + 1;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExW(key, ValueName(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
      data_.resize(size);
      RegQueryValueExW(key, ValueName(), nullptr, &type_, data_.empty() ? nullptr : data_.data(),
                       &size);
      existed_ = true;
    }
    RegCloseKey(key);
  }

  ~RegistryValueGuard() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path_.c_str(), 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      if (existed_)
        RegSetValueExW(key, ValueName(), 0, type_, data_.empty() ? nullptr : data_.data(),
                       DWORD(data_.size()));
      else
        RegDeleteValueW(key, ValueName());
      RegCloseKey(key);
    }
    for (auto it = missingKeys_.rbegin(); it != missingKeys_.rend(); ++it)
      RegDeleteTreeW(root_, it->c_str()), RegDeleteKeyW(root_, it->c_str());
  }

  const wchar_t* ValueName() const { return hasName_ ? name_.c_str() : nullptr; }

 private:
  HKEY root_;
  std::wstring path_, name_;
  bool hasName_;
  bool existed_ = false;
  DWORD type_ = 0;
  std::vector<BYTE> data_;
  std::vector<std::wstring> missingKeys_;
};

void SetRaw(HKEY root, const std::wstring& path, const wchar_t* name, DWORD type,
            const void* data, DWORD size) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

void DeleteValue(HKEY root, const std::wstring& path, const wchar_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}

struct RawValue {
  bool found = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

RawValue GetRaw(HKEY root, const std::wstring& path, const wchar_t* name) {
  RawValue v;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return v;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
    v.bytes.resize(size);
    RegQueryValueExW(key, name, nullptr, &v.type, v.bytes.data(), &size);
    v.bytes.resize(size);
    v.found = true;
  }
  RegCloseKey(key);
  return v;
}

DWORD AsDword(const RawValue& v) {
  DWORD d = 0;
  if (v.bytes.size() == 4) memcpy(&d, v.bytes.data(), 4);
  return d;
}

const wchar_t* const kAllSettings[] = {kSleepTimeValue, kPicPosValue, kIconSmoothingValue,
                                       kMuteValue, kSoundVolumeValue, kShowDialogValue};

class SettingsRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const wchar_t* name : kAllSettings) {
      guards_.emplace_back(new RegistryValueGuard(HKEY_CURRENT_USER, kSettingsKeyPath, name));
      DeleteValue(HKEY_CURRENT_USER, kSettingsKeyPath, name);
    }
  }
  void TearDown() override {
    for (auto* g : guards_) delete g;
  }
  std::vector<RegistryValueGuard*> guards_;
};

// ---- Settings --------------------------------------------------------------------------

TEST_F(SettingsRegistry, FreshUserGetsTheDefaultsAndChangesAreWrittenAsDwords) {
  SettingsStore fresh;
  EXPECT_EQ(fresh.GetFrameIntervalMs(), 30u);  // priority Normal
  EXPECT_EQ(fresh.GetPicPos(), DWORD(kPicPosFill));
  EXPECT_FALSE(fresh.GetIconSmoothing());
  EXPECT_TRUE(fresh.GetMute());
  EXPECT_EQ(fresh.GetSoundVolume(), 100u);
  DWORD showDialog = 1;
  EXPECT_TRUE(LoadStartupSettings(&showDialog));
  EXPECT_EQ(showDialog, 1u);

  fresh.SetSleepTime(2);
  fresh.SetPicPos(kPicPosFit);
  fresh.SetIconSmoothing(true);
  fresh.SetMute(false);
  fresh.SetSoundVolume(35);
  EXPECT_TRUE(WriteRegistryDword(0, kShowDialogValue));
  EXPECT_EQ(fresh.GetFrameIntervalMs(), 60u);  // the cache follows the setter

  const struct {
    const wchar_t* name;
    DWORD stored;
  } expected[] = {{kSleepTimeValue, 2},  {kPicPosValue, 1}, {kIconSmoothingValue, 1},
                  {kMuteValue, 0},       {kSoundVolumeValue, 35}, {kShowDialogValue, 0}};
  for (const auto& e : expected) {
    const RawValue raw = GetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, e.name);
    ASSERT_TRUE(raw.found) << e.name;
    EXPECT_EQ(raw.type, DWORD(REG_DWORD)) << e.name;
    EXPECT_EQ(raw.bytes.size(), 4u) << e.name;
    EXPECT_EQ(AsDword(raw), e.stored) << e.name;
  }
  // The quotes are part of the names: the unquoted spelling holds nothing.
  EXPECT_FALSE(GetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, L"Sleep time").found);

  SettingsStore next;  // as a new process
  EXPECT_EQ(next.GetFrameIntervalMs(), 60u);
  EXPECT_EQ(next.GetPicPos(), DWORD(kPicPosFit));
  EXPECT_TRUE(next.GetIconSmoothing());
  EXPECT_FALSE(next.GetMute());
  EXPECT_EQ(next.GetSoundVolume(), 35u);
  showDialog = 1;
  EXPECT_TRUE(LoadStartupSettings(&showDialog));
  EXPECT_EQ(showDialog, 0u);
}

TEST_F(SettingsRegistry, ReadsOnceAndKeepsTheCache) {
  SettingsStore store;
  EXPECT_EQ(store.GetPicPos(), DWORD(kPicPosFill));
  const DWORD stretch = 0;
  SetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, kPicPosValue, REG_DWORD, &stretch, 4);
  EXPECT_EQ(store.GetPicPos(), DWORD(kPicPosFill));  // another process's change is not seen
  EXPECT_EQ(SettingsStore().GetPicPos(), DWORD(kPicPosStretch));
}

struct OddValue {
  const char* what;
  const wchar_t* name;
  DWORD type;
  std::vector<BYTE> bytes;
};

std::vector<BYTE> Dword(DWORD d) { return {BYTE(d), BYTE(d >> 8), BYTE(d >> 16), BYTE(d >> 24)}; }

TEST_F(SettingsRegistry, OddStoredValuesGiveSafeSettings) {
  const OddValue values[] = {
      {"hostile sleep time", kSleepTimeValue, REG_DWORD, Dword(0xFFFFFFFF)},
      {"picpos 7", kPicPosValue, REG_DWORD, Dword(7)},
      {"volume above 100", kSoundVolumeValue, REG_DWORD, Dword(1000)},
      {"smoothing as any nonzero", kIconSmoothingValue, REG_DWORD, Dword(5)},
      {"mute as a string", kMuteValue, REG_SZ, {'0', 0, 0, 0}},
      {"show dialog as a 2-byte dword", kShowDialogValue, REG_DWORD, {0, 0}},
  };
  for (const auto& v : values)
    SetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, v.name, v.type, v.bytes.data(),
           DWORD(v.bytes.size()));

  SettingsStore store;
  EXPECT_EQ(store.GetFrameIntervalMs(), DWORD(USER_TIMER_MAXIMUM));
  EXPECT_EQ(store.GetPicPos(), DWORD(kPicPosFill));
  EXPECT_EQ(store.GetSoundVolume(), 100u);
  EXPECT_TRUE(store.GetIconSmoothing());
  EXPECT_TRUE(store.GetMute());  // not a DWORD: the default stays
  DWORD showDialog = 1;
  EXPECT_TRUE(LoadStartupSettings(&showDialog));
  EXPECT_EQ(showDialog, 1u);

  // Wider or narrower than a DWORD, or of another type, is never half-read.
  const OddValue notDwords[] = {
      {"qword", kSleepTimeValue, REG_QWORD, {2, 0, 0, 0, 0, 0, 0, 0}},
      {"one byte", kPicPosValue, REG_BINARY, {0}},
      {"binary of four", kSoundVolumeValue, REG_BINARY, Dword(10)},
      {"empty", kMuteValue, REG_DWORD, {}},
  };
  for (const auto& v : notDwords)
    SetRaw(HKEY_CURRENT_USER, kSettingsKeyPath, v.name, v.type, v.bytes.data(),
           DWORD(v.bytes.size()));
  SettingsStore again;
  EXPECT_EQ(again.GetFrameIntervalMs(), 30u);
  EXPECT_EQ(again.GetPicPos(), DWORD(kPicPosFill));
  EXPECT_EQ(again.GetSoundVolume(), 100u);
  EXPECT_TRUE(again.GetMute());
}

TEST(FrameInterval, FollowsTheFormulaWithoutOverflow) {
  const struct {
    DWORD s, ms;
  } cases[] = {{0, 10},
               {1, 30},
               {2, 60},
               {3, 100},
               {20000, 2000300010u},
               {30000, DWORD(USER_TIMER_MAXIMUM)},
               {0xFFFFFFFF, DWORD(USER_TIMER_MAXIMUM)}};
  for (const auto& c : cases) EXPECT_EQ(FrameIntervalForSleepTime(c.s), c.ms) << c.s;
}

// ---- Autorun ----------------------------------------------------------------------------

class AutorunRegistry : public ::testing::Test {
 protected:
  void SetUp() override { DeleteValue(HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue); }
  RegistryValueGuard guard_{HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue};
};

TEST_F(AutorunRegistry, ValueIsTheQuotedPathAndDashDWithItsTerminator) {
  EXPECT_FALSE(IsAutorunSet());
  ASSERT_TRUE(SetAutorun());
  const std::wstring path = GetProgramPath();
  ASSERT_FALSE(path.empty());
  const std::wstring expected = L"\"" + path + L"\" -d";
  const RawValue raw = GetRaw(HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue);
  ASSERT_TRUE(raw.found);
  EXPECT_EQ(raw.type, DWORD(REG_SZ));
  ASSERT_EQ(raw.bytes.size(), (expected.size() + 1) * sizeof(wchar_t));
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(raw.bytes.data())), expected);
  EXPECT_TRUE(IsAutorunSet());
}

TEST_F(AutorunRegistry, LongPathIsStoredWholeAndReportedAsSet) {
  std::wstring path = L"C:\\Program Files\\";
  while (path.size() < 250) path += L"a rather long folder name\\";
  path += L"player.exe";
  ASSERT_GT(path.size(), size_t(MAX_PATH));
  ASSERT_TRUE(SetAutorunFor(path));
  const RawValue raw = GetRaw(HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue);
  EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(raw.bytes.data())),
            L"\"" + path + L"\" -d");
  EXPECT_TRUE(IsAutorunSetFor(path));
  EXPECT_FALSE(IsAutorunSetFor(L"C:\\elsewhere\\player.exe"));
}

TEST_F(AutorunRegistry, OtherValuesAreNotOurs) {
  const std::wstring path = L"C:\\p\\player.exe";
  const struct {
    const char* what;
    DWORD type;
    std::wstring text;
  } cases[] = {
      {"path at the very start", REG_SZ, path + L" -d"},
      {"another program", REG_SZ, L"\"C:\\q\\other.exe\" -d"},
      {"not a string", REG_BINARY, L"\"" + path + L"\" -d"},
  };
  for (const auto& c : cases) {
    SetRaw(HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue, c.type, c.text.c_str(),
           DWORD((c.text.size() + 1) * sizeof(wchar_t)));
    EXPECT_FALSE(IsAutorunSetFor(path)) << c.what;
  }
  // A string without its terminator is still read safely.
  const std::wstring unterminated = L"\"" + path + L"\"";
  SetRaw(HKEY_CURRENT_USER, kRunKeyPath, kAutorunValue, REG_SZ, unterminated.c_str(),
         DWORD(unterminated.size() * sizeof(wchar_t)));
  EXPECT_TRUE(IsAutorunSetFor(path));
}

// ---- Web links --------------------------------------------------------------------------

TEST(BrowserCommandLine, QuotedPlaceholderIsReplacedLiterally) {
  const std::wstring url = L"http://example.test/a.php?x=%s%n&y=1";
  const struct {
    const wchar_t* command;
    std::wstring line;
  } cases[] = {
      {L"\"C:\\b\\browser.exe\" \"%1\"", L"\"C:\\b\\browser.exe\" \"" + url + L"\""},
      {L"\"C:\\b\\browser.exe\" -nohome", L"\"C:\\b\\browser.exe\" -nohome " + url},
      {L"C:\\b\\browser.exe %1", L"C:\\b\\browser.exe %1 " + url},  // unquoted: appended
      {L"\"C:\\b\\100%d.exe\" -osint -url \"%1\" %s",
       L"\"C:\\b\\100%d.exe\" -osint -url \"" + url + L"\" %s"},
  };
  for (const auto& c : cases) EXPECT_EQ(BuildBrowserCommandLine(c.command, url), c.line);
}

// Whether this process still holds a handle to the process `pid` or to one of its threads.
bool HoldsHandleTo(DWORD pid) {
  for (uintptr_t v = 4; v < 0x10000; v += 4) {
    HANDLE h = reinterpret_cast<HANDLE>(v);
    if (GetProcessId(h) == pid || GetProcessIdOfThread(h) == pid) return true;
  }
  return false;
}

class BrowserRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t exe[MAX_PATH * 4];
    GetModuleFileNameW(nullptr, exe, MAX_PATH * 4);
    std::wstring dir = exe;
    dir.resize(dir.rfind(L'\\') + 1);
    recorder_ = dir + L"url_recorder.exe";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    record_ = std::wstring(temp) + L"tw_url_record.txt";
    DeleteFileW(record_.c_str());
    SetEnvironmentVariableW(L"TW_RECORD_FILE", record_.c_str());
  }
  void TearDown() override {
    DeleteFileW(record_.c_str());
    SetEnvironmentVariableW(L"TW_RECORD_FILE", nullptr);
  }

  void SetBrowserCommand(const std::wstring& command) {
    SetRaw(HKEY_CLASSES_ROOT, kBrowserCommandKey, nullptr, REG_SZ, command.c_str(),
           DWORD((command.size() + 1) * sizeof(wchar_t)));
  }

  // The recorded command line, waiting for the recorder to finish (60 s at most).
  std::wstring Recorded() {
    for (int i = 0; i < 600; ++i) {
      HANDLE f = CreateFileW(record_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
      if (f != INVALID_HANDLE_VALUE) {
        std::wstring text(GetFileSize(f, nullptr) / sizeof(wchar_t), L'\0');
        DWORD got = 0;
        ReadFile(f, text.data(), DWORD(text.size() * sizeof(wchar_t)), &got, nullptr);
        CloseHandle(f);
        DeleteFileW(record_.c_str());
        return text;
      }
      Sleep(100);
    }
    return L"(nothing recorded)";
  }

  RegistryValueGuard guard_{HKEY_CLASSES_ROOT, kBrowserCommandKey, nullptr};
  std::wstring recorder_, record_;
};

TEST_F(BrowserRegistry, StartsTheRegisteredBrowserWithTheAddress) {
  const std::wstring url = L"http://example.test/gallery.php?page=wallpaper&utm_nooverride=1%n";
  const struct {
    const char* what;
    std::wstring command;
    std::wstring line;
  } cases[] = {
      {"quoted placeholder", L"\"" + recorder_ + L"\" \"%1\"",
       L"\"" + recorder_ + L"\" \"" + url + L"\""},
      {"no placeholder", L"\"" + recorder_ + L"\" --new-window",
       L"\"" + recorder_ + L"\" --new-window " + url},
  };
  for (const auto& c : cases) {
    SetBrowserCommand(c.command);
    ASSERT_TRUE(OpenUrl(url)) << c.what;
    const std::wstring recorded = Recorded();
    const size_t newline = recorded.find(L'\n');
    ASSERT_NE(newline, std::wstring::npos) << c.what;
    EXPECT_EQ(recorded.substr(newline + 1), c.line) << c.what;
    const DWORD pid = DWORD(std::stoul(recorded.substr(0, newline)));
    EXPECT_FALSE(HoldsHandleTo(pid)) << c.what << ": process or thread handle left open";
  }
}

TEST_F(BrowserRegistry, FailsWithoutAStartableBrowser) {
  SetBrowserCommand(L"\"C:\\no\\such\\browser.exe\" \"%1\"");
  EXPECT_FALSE(OpenUrl(L"http://example.test/"));
  SetBrowserCommand(L"");
  EXPECT_FALSE(OpenUrl(L"http://example.test/"));
}

// ---- Strings ----------------------------------------------------------------------------

TEST(LocalizedStrings, ReadsTheStringTableInTheFixedLanguage) {
  const WORD saved = g_LanguageId;
  const struct {
    WORD language;
    UINT id;
    std::wstring text;
  } cases[] = {
      {1033, 1, L"first"},   {1033, 3, L"third"},       {1033, 2, L""},  // a gap
      {1033, 40, L"block three"}, {1033, 999, L""},                       // no such block
      {1031, 1, L"erste"},   {1031, 40, L"block three"},                  // falls back to 1033
      {1033, 41, std::wstring(259, L'x')},                                // cut at 259
  };
  for (const auto& c : cases) {
    g_LanguageId = c.language;
    EXPECT_EQ(GetLocalizedString(c.id), c.text) << c.language << "/" << c.id;
  }
  g_LanguageId = saved;
}

}  // namespace
