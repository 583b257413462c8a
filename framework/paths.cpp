#include "framework/paths.h"
#include <windows.h>
#include <cerrno>
#include <cstdlib>
#include <cwchar>

namespace velk {
namespace {

struct Part {
    wchar_t* out;
    size_t units;
    const wchar_t* begin;
    const wchar_t* end;
    size_t length() const noexcept { return static_cast<size_t>(end - begin); }
};

bool IsSeparator(wchar_t c) noexcept { return c == L'\\' || c == L'/'; }

}  // namespace

int SplitPath(const wchar_t* path, wchar_t* drive, size_t driveUnits, wchar_t* dir, size_t dirUnits,
              wchar_t* name, size_t nameUnits, wchar_t* ext, size_t extUnits) noexcept {
    // The boundaries: drive | folder | name | extension.
    const wchar_t* const start = path ? path : L"";
    const wchar_t* const end = start + std::wcslen(start);
    const wchar_t* const folder = (end - start >= 2 && start[1] == L':') ? start + 2 : start;
    const wchar_t* file = folder;
    for (const wchar_t* c = folder; c < end; ++c)
        if (IsSeparator(*c)) file = c + 1;
    const wchar_t* dot = end;
    for (const wchar_t* c = file; c < end; ++c)
        if (*c == L'.') dot = c;
    Part parts[] = {{drive, driveUnits, start, folder},
                    {dir, dirUnits, folder, file},
                    {name, nameUnits, file, dot},
                    {ext, extUnits, dot, end}};

    int result = path ? 0 : EINVAL;
    for (const Part& part : parts) {
        if ((part.out == nullptr) != (part.units == 0)) result = EINVAL;
        else if (!result && part.out && part.length() >= part.units) result = ERANGE;
    }
    for (const Part& part : parts) {
        if (!part.out || !part.units) continue;
        const size_t length = result ? 0 : part.length();
        std::wmemcpy(part.out, part.begin, length);
        part.out[length] = 0;
    }
    return result;
}

void CopyTruncated(wchar_t* out, size_t units, const wchar_t* text) noexcept {
    if (!out || units == 0) return;
    size_t length = 0;
    if (text)
        while (length + 1 < units && text[length]) ++length;
    std::wmemcpy(out, text ? text : L"", length);
    out[length] = 0;
}

std::wstring FolderOfPath(const wchar_t* path) {
    wchar_t drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {};
    if (!path || SplitPath(path, drive, _MAX_DRIVE, dir, _MAX_DIR, nullptr, 0, nullptr, 0) != 0) return {};
    return std::wstring(drive) + dir;
}

std::wstring ProgramPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::wstring ProgramFolder() { return FolderOfPath(ProgramPath().c_str()); }

}  // namespace velk
