// Texts from the program's string tables, in the fixed language of the player.
#pragma once

#include <windows.h>

#include <string>

// Language of menus and string-table texts; fixed at 1033 (English, United States) at start.
extern WORD g_LanguageId;

// Copies string `id` of the program's string table in `g_LanguageId` (else 1033) into out,
// at most 259 characters and terminated. An id with no string gives an empty text; false then.
bool LoadLocalizedString(UINT id, wchar_t (&out)[260]);
std::wstring GetLocalizedString(UINT id);
// The same from a given module (the program's own when null).
bool LoadModuleString(HMODULE module, WORD language, UINT id, wchar_t (&out)[260]);
