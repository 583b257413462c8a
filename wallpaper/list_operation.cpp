#include "wallpaper/list_operation.h"

#include "framework/handles.h"

#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <utility>

namespace {

// Seconds between 1601-01-01 and 1970-01-01, in 100 ns units.
constexpr int64_t kUnixEpochIn100ns = 116444736000000000LL;

int64_t SecondsSince1970(const FILETIME& time) noexcept {
    const int64_t ticks = (static_cast<int64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    return (ticks - kUnixEpochIn100ns) / 10000000LL;
}

wchar_t FoldCase(wchar_t c) noexcept { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c; }

size_t StemLength(const wchar_t* name) noexcept {
    const wchar_t* dot = std::wcschr(name, L'.');
    return dot ? static_cast<size_t>(dot - name) : 0;
}

bool IsDotEntry(const wchar_t* name) noexcept {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// The heap sort of the list: a max-heap built bottom-up, then the largest
// taken out to the end one by one. rightChosen(child, right) picks the larger
// child; stops(value, child) ends a sift when value belongs above the child.
template <class RightChosen, class Stops>
void HeapSort(ListOperation::FileList& list, RightChosen rightChosen, Stops stops) {
    const ptrdiff_t n = static_cast<ptrdiff_t>(list.size());
    auto siftDown = [&](ListOperation::fileInfo value, ptrdiff_t hole, ptrdiff_t size) {
        ptrdiff_t child = 2 * hole + 1;
        while (child < size) {
            if (child + 1 < size && rightChosen(list[child], list[child + 1])) ++child;
            if (stops(value, list[child])) break;
            list[hole] = std::move(list[child]);
            hole = child;
            child = 2 * hole + 1;
        }
        list[hole] = std::move(value);
    };
    for (ptrdiff_t j = (n - 2) / 2; j >= 0; --j) siftDown(std::move(list[j]), j, n);
    for (ptrdiff_t i = n - 1; i >= 0; --i) {
        ListOperation::fileInfo value = std::move(list[i]);
        list[i] = std::move(list[0]);
        siftDown(std::move(value), 0, i);
    }
}

}  // namespace

int ListOperation::GetFileList(const wchar_t* extension, const wchar_t* folder, FileList& list) const {
    if (!extension || !folder) return kFolderNotFound;
    std::wstring base = folder;
    if (!base.empty() && base.back() == L'\\') base.pop_back();
    // The folder must exist and be a folder; the test is made on "<folder>\"
    // so that a drive's root ("C:") counts as well.
    const DWORD attributes = ::GetFileAttributesW((base + L'\\').c_str());
    if (base.empty() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return kFolderNotFound;
    const std::wstring pattern = base + L"\\*." + extension;
    WIN32_FIND_DATAW found{};
    velk::UniqueFind find(::FindFirstFileW(pattern.c_str(), &found));
    if (!find) return kNoFileMatches;
    // The picture path holds MAX_PATH units with the terminating zero; a
    // folder that fills it leaves no room for any name.
    const size_t used = base.size() + 1;
    const size_t room = used < MAX_PATH - 1 ? MAX_PATH - 1 - used : 0;
    do {
        if (IsDotEntry(found.cFileName) || (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (std::wcslen(found.cFileName) > room) continue;
        list.push_back({found.cFileName, SecondsSince1970(found.ftLastWriteTime)});
    } while (::FindNextFileW(find.get(), &found));
    return kListed;
}

int ListOperation::CompareFileNames(const wchar_t* a, const wchar_t* b) {
    if (!a) a = L"";
    if (!b) b = L"";
    const size_t la = StemLength(a);
    const size_t lb = StemLength(b);
    const size_t common = la < lb ? la : lb;
    for (size_t i = 0; i < common; ++i) {
        const int difference = static_cast<int>(FoldCase(a[i])) - static_cast<int>(FoldCase(b[i]));
        if (difference != 0) return difference;
    }
    return la >= lb ? 1 : -1;
}

int ListOperation::SortFileList(FileList& list, int32_t mode) const {
    if (list.empty()) return kListEmpty;
    if (static_cast<uint32_t>(mode) > 4) return kBadMode;
    switch (mode) {
    case kRandom:
        return ShuffleFileList(list);
    case kByName:
        HeapSort(list, [](const fileInfo& l, const fileInfo& r) { return CompareFileNames(l.name, r.name) < 0; },
                 [](const fileInfo& v, const fileInfo& c) { return CompareFileNames(v.name, c.name) >= 0; });
        break;
    case kByDate:
        HeapSort(list, [](const fileInfo& l, const fileInfo& r) { return l.modified < r.modified; },
                 [](const fileInfo& v, const fileInfo& c) { return v.modified >= c.modified; });
        break;
    case kByNameDescending:
        HeapSort(list, [](const fileInfo& l, const fileInfo& r) { return CompareFileNames(l.name, r.name) > 0; },
                 [](const fileInfo& v, const fileInfo& c) { return CompareFileNames(v.name, c.name) <= 0; });
        break;
    case kByDateNewest:
        HeapSort(list, [](const fileInfo& l, const fileInfo& r) { return l.modified > r.modified; },
                 [](const fileInfo& v, const fileInfo& c) { return v.modified <= c.modified; });
        break;
    }
    return kListed;
}

int ListOperation::ShuffleFileList(FileList& list) const {
    const size_t n = list.size();
    if (n > kMaxShuffle) return kTooManyToShuffle;
    std::srand(static_cast<unsigned>(std::time(nullptr)));
    for (size_t i = 0; i < n; ++i) {
        const size_t j = static_cast<size_t>(std::rand()) % n;
        if (j != i) std::swap(list[i], list[j]);
    }
    return kListed;
}
