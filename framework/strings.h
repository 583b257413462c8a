// String-table loading in the user interface language, and text formatting.
#pragma once
#include <windows.h>
#include <string>

namespace velk {

// The language whose string table the program shows: Japanese when the
// user's interface language is Japanese, else the neutral table.
LANGID UiLanguage() noexcept;

// Loads string `id` from the program's string tables: first the table of
// UiLanguage(), then the neutral table, then any table that has it. Answers
// false (and leaves `out` alone) when no table has the string.
bool LoadResString(UINT id, std::wstring& out, HMODULE module = nullptr);
// The string, or empty.
std::wstring LoadResString(UINT id, HMODULE module = nullptr);

// printf-style formatting into a std::wstring.
std::wstring FormatText(const wchar_t* format, ...);

}  // namespace velk
