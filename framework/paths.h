// Splitting paths and copying texts into fixed buffers, with the results of
// the runtime's secure functions but only calls that every supported Windows
// has (the system runtime of Windows XP lacks the secure ones).
#pragma once
#include <cstddef>
#include <string>

namespace velk {

// Splits `path` into drive ("C:"), folder (up to and including the last
// separator), file name and extension (from the last dot of the file name).
// A part whose buffer is null (with 0 units) is skipped. Answers 0, or an
// errno value with every given buffer empty: EINVAL for a null path or a
// buffer without its size, ERANGE when a part does not fit its buffer.
int SplitPath(const wchar_t* path, wchar_t* drive, size_t driveUnits, wchar_t* dir, size_t dirUnits,
              wchar_t* name, size_t nameUnits, wchar_t* ext, size_t extUnits) noexcept;

// Copies as much of `text` as fits into `out` (of `units` units, at least 1)
// and terminates it; a null text copies as empty.
void CopyTruncated(wchar_t* out, size_t units, const wchar_t* text) noexcept;

// The drive and folder of a path, with the folder's last separator
// ("C:\\tools\\" of "C:\\tools\\a.exe"); empty for a null path or one that
// cannot be split.
std::wstring FolderOfPath(const wchar_t* path);
// The full path of the program's own file (at most MAX_PATH units).
std::wstring ProgramPath();
// The program's folder: FolderOfPath(ProgramPath()). Its own files
// (the hook library, the audio tool, the help file) are found there.
std::wstring ProgramFolder();

template <size_t N>
void CopyTruncated(wchar_t (&out)[N], const wchar_t* text) noexcept {
    CopyTruncated(out, N, text);
}

}  // namespace velk
