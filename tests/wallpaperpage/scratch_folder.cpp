#include "tests/wallpaperpage/scratch_folder.h"

#include <shellapi.h>

namespace velk::test {

ScratchFolder::ScratchFolder(const wchar_t* tag) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + tag + L"_" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(::GetTickCount64()) + L"\\";
    ::CreateDirectoryW(path_.c_str(), nullptr);
}

void ScratchFolder::Remove() const {
    std::wstring from = path_.substr(0, path_.size() - 1);
    from.push_back(0);  // a double-zero-terminated list
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

std::wstring ScratchFolder::AddFile(const std::wstring& name, const std::string& bytes, int64_t modified) const {
    const std::wstring full = path_ + name;
    HANDLE file = ::CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    if (modified != 0) {
        const int64_t ticks = modified * 10000000LL + 116444736000000000LL;
        FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
        ::SetFileTime(file, nullptr, nullptr, &time);
    }
    ::CloseHandle(file);
    return full;
}

std::wstring ScratchFolder::AddFolder(const std::wstring& name) const {
    const std::wstring full = path_ + name;
    ::CreateDirectoryW(full.c_str(), nullptr);
    return full;
}

}  // namespace velk::test
