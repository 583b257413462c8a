// The picture list of one display: the picture files of a folder, sorted by
// name or date or shuffled, through which the automatic change and the page's
// ">" and "<" buttons step.
#pragma once
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

class ListOperation {
public:
    // One picture file: its name without the folder, and its last write time
    // in seconds since 1970.
    struct fileInfo {
        std::wstring name;
        int64_t modified = 0;
    };
    using FileList = std::vector<fileInfo>;

    // Results of the list operations.
    static constexpr int kListed = 0;
    static constexpr int kFolderNotFound = 1;
    static constexpr int kNoFileMatches = 2;
    static constexpr int kListEmpty = 3;
    static constexpr int kBadMode = 4;
    static constexpr int kTooManyToShuffle = 5;

    // Sort modes: 0 by name, 1 by date (oldest first), 2 random, 3 by name
    // backwards, 4 by date (newest first).
    static constexpr int32_t kByName = 0;
    static constexpr int32_t kByDate = 1;
    static constexpr int32_t kRandom = 2;
    static constexpr int32_t kByNameDescending = 3;
    static constexpr int32_t kByDateNewest = 4;
    // The runtime's rand() reaches 32767, so a longer list cannot be shuffled.
    static constexpr size_t kMaxShuffle = 32767;

    // Appends the files "<folder>\*.<extension>" in the order the file system
    // reports them. Files whose full path would not fit MAX_PATH - 1 characters
    // are left out, since no picture path could name them.
    int GetFileList(const wchar_t* extension, const wchar_t* folder, FileList& list) const;
    // Sorts in place by the mode (a heap sort; not stable).
    int SortFileList(FileList& list, int32_t mode) const;
    // Shuffles with the runtime's generator seeded by the current second, so
    // two lists of one size shuffled within the same second get one permutation.
    int ShuffleFileList(FileList& list) const;
    // Orders names by their stems (the text before the first "."), A to Z
    // folded to a to z, a stem that is a prefix of the other first; never 0.
    static int CompareFileNames(const wchar_t* a, const wchar_t* b);
    static int CompareFileNames(const std::wstring& a, const std::wstring& b) {
        return CompareFileNames(a.c_str(), b.c_str());
    }
};
