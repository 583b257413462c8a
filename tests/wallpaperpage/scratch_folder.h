// A fresh folder under the temporary folder, removed with its files when the
// object goes.
#pragma once
#include <windows.h>
#include <string>

namespace velk::test {

class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* tag);
    ~ScratchFolder() { Remove(); }
    // Deletes the folder with everything in it.
    void Remove() const;
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder with its trailing backslash.
    const std::wstring& Path() const noexcept { return path_; }
    // Creates (or overwrites) a file with the bytes and the last write time
    // (seconds since 1970; 0 keeps the current time); answers its full path.
    std::wstring AddFile(const std::wstring& name, const std::string& bytes = "x", int64_t modified = 0) const;
    std::wstring AddFolder(const std::wstring& name) const;

private:
    std::wstring path_;
};

}  // namespace velk::test
