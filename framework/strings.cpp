#include "framework/strings.h"
#include "framework/platform.h"
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace velk {
namespace {

// String resources live in blocks of 16: block id/16+1, entry id%16, each
// entry a length-prefixed UTF-16 text.
bool FindInBlock(HMODULE module, UINT id, LANGID language, std::wstring& out) {
    HRSRC block = ::FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!block) return false;
    HGLOBAL loaded = ::LoadResource(module, block);
    const auto* p = static_cast<const WCHAR*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!p) return false;
    const WCHAR* end = p + ::SizeofResource(module, block) / sizeof(WCHAR);
    for (UINT i = 0; i < id % 16; ++i) {
        if (p >= end) return false;
        p += 1 + *p;
    }
    if (p >= end || *p == 0 || p + 1 + *p > end) return false;
    out.assign(p + 1, *p);
    return true;
}

struct LanguageSearch {
    UINT id;
    std::wstring* out;
    bool found;
};

BOOL CALLBACK TryLanguage(HMODULE module, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) {
    auto* search = reinterpret_cast<LanguageSearch*>(param);
    if (FindInBlock(module, search->id, language, *search->out)) {
        search->found = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

LANGID UiLanguage() noexcept {
    LANGID ui = Platform().GetUserDefaultUILanguage();
    if (PRIMARYLANGID(ui) == LANG_JAPANESE) return MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
    return MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
}

bool LoadResString(UINT id, std::wstring& out, HMODULE module) {
    if (!module) module = ::GetModuleHandleW(nullptr);
    std::wstring text;
    if (FindInBlock(module, id, UiLanguage(), text) ||
        FindInBlock(module, id, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), text)) {
        out = std::move(text);
        return true;
    }
    LanguageSearch search{id, &text, false};
    ::EnumResourceLanguagesW(module, RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), TryLanguage,
                             reinterpret_cast<LONG_PTR>(&search));
    if (!search.found) return false;
    out = std::move(text);
    return true;
}

std::wstring LoadResString(UINT id, HMODULE module) {
    std::wstring text;
    LoadResString(id, text, module);
    return text;
}

std::wstring FormatText(const wchar_t* format, ...) {
    if (!format) return {};
    // The runtime's own wide formatting, where %s takes a wide text as the
    // program's format strings expect.
    va_list args;
    va_start(args, format);
    int length = _vscwprintf(format, args);
    va_end(args);
    if (length <= 0) return {};
    std::vector<wchar_t> buffer(static_cast<size_t>(length) + 1);
    va_start(args, format);
    int written = _vsnwprintf(buffer.data(), buffer.size(), format, args);
    va_end(args);
    if (written < 0) return {};
    return std::wstring(buffer.data(), static_cast<size_t>(written));
}

}  // namespace velk
