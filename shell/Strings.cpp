#include "shell/Strings.h"

WORD g_LanguageId = 1033;

namespace {

const WORD* FindBlock(HMODULE module, UINT block, WORD language, DWORD* bytes) {
  HRSRC res = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), language);
  if (!res) return nullptr;
  HGLOBAL handle = LoadResource(module, res);
  if (!handle) return nullptr;
  *bytes = SizeofResource(module, res);
  return static_cast<const WORD*>(LockResource(handle));
}

}  // namespace

bool LoadModuleString(HMODULE module, WORD language, UINT id, wchar_t (&out)[260]) {
  out[0] = L'\0';
  if (!module) module = GetModuleHandleW(nullptr);
  const UINT block = id / 16 + 1;
  if (block > 0xFFFF) return false;
  DWORD bytes = 0;
  const WORD* p = FindBlock(module, block, language, &bytes);
  if (!p && language != 1033) p = FindBlock(module, block, 1033, &bytes);
  if (!p) return false;
  // Each of the block's 16 strings is a length and that many UTF-16 units; every step is
  // checked against the resource's size.
  const size_t units = bytes / sizeof(WORD);
  size_t pos = 0;
  for (UINT i = 0; i < id % 16; ++i) {
    if (pos >= units) return false;
    pos += 1 + size_t(p[pos]);
  }
  if (pos >= units) return false;
  size_t length = p[pos];
  if (length > units - pos - 1) return false;
  if (length > 259) length = 259;
  for (size_t i = 0; i < length; ++i) out[i] = wchar_t(p[pos + 1 + i]);
  out[length] = L'\0';
  return length > 0;
}

bool LoadLocalizedString(UINT id, wchar_t (&out)[260]) {
  return LoadModuleString(nullptr, g_LanguageId, id, out);
}

std::wstring GetLocalizedString(UINT id) {
  wchar_t buf[260];
  LoadLocalizedString(id, buf);
  return buf;
}
