#include "core/document/ResourceModule.h"

#include <cwctype>

#include "core/render/D3DUtil.h"

const wchar_t* const kResourceModuleName = L"velmora.dll";

std::wstring PathExtension(const std::wstring& path)
{
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos) return std::wstring();
  std::wstring ext = path.substr(dot);
  for (wchar_t& c : ext) c = static_cast<wchar_t>(std::towlower(c));
  return ext;
}

bool IsModulePath(const std::wstring& path) { return path.empty() || PathExtension(path) == L".dll"; }

bool ModuleResourceId(long long stamp, int* id)
{
  if (!IsIntegerResourceId(stamp)) return false;
  *id = static_cast<int>(stamp);
  return true;
}

HMODULE OpenResourceModule(const std::wstring& name)
{
  if (name.empty()) return nullptr;
  // Plain data-file mapping: resources can be found in it on every Windows version the
  // player runs on (the image-resource flag is unknown before Vista).
  return LoadLibraryExW(name.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}

bool FindResourceBytes(HMODULE module, long long id, const wchar_t* type, const void** bytes, DWORD* size)
{
  return FindModuleResource(module, id, type, bytes, size);
}
