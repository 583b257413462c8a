// Lists and sorts a folder of 40 000 pictures as a display's picture list is
// rebuilt: the listing of "*.jpg" and "*.bmp", then the sort by name, by date,
// and the refused shuffle. Prints the median of several runs of each step as
// figures for bench/run. Without an argument the folder holds 40 000 pictures.
#include "bench/figure.h"
#include "wallpaper/list_operation.h"
#include "wallpaper/wallpaper_page.h"

#include <windows.h>
#include <algorithm>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class F>
double Median(int runs, F step) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        LARGE_INTEGER a, b;
        ::QueryPerformanceCounter(&a);
        step();
        ::QueryPerformanceCounter(&b);
        times.push_back(Milliseconds(a, b));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int count = argc > 1 ? _wtoi(argv[1]) : 40000;
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"list_bench_" + std::to_wstring(count) + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // The folder is made once and kept, so later runs measure only the list work.
    WIN32_FIND_DATAW probe;
    HANDLE existing = ::FindFirstFileW((folder + L"*.jpg").c_str(), &probe);
    if (existing != INVALID_HANDLE_VALUE) ::FindClose(existing);
    else {
        for (int i = 0; i < count; ++i) {
            // Names in scrambled order, a tenth of them bitmaps, times spread over years.
            const int key = static_cast<int>((static_cast<long long>(i) * 7919) % count);
            const std::wstring name = L"Photo_" + std::to_wstring(key) + (i % 10 == 0 ? L".bmp" : L".jpg");
            HANDLE file = ::CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                std::printf("cannot create the bench files\n");
                return 1;
            }
            const long long ticks = (1400000000LL + key * 3600LL) * 10000000LL + 116444736000000000LL;
            FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
            ::SetFileTime(file, nullptr, nullptr, &time);
            ::CloseHandle(file);
        }
    }

    const ListOperation op;
    ListOperation::FileList list;
    const int runs = 5;
    const double listing = Median(runs, [&] {
        list.clear();
        op.GetFileList(L"jpg", folder.c_str(), list);
        op.GetFileList(L"bmp", folder.c_str(), list);
    });
    const ListOperation::FileList listed = list;
    const double byName = Median(runs, [&] {
        list = listed;
        op.SortFileList(list, ListOperation::kByName);
    });
    const double byDate = Median(runs, [&] {
        list = listed;
        op.SortFileList(list, ListOperation::kByDate);
    });
    int shuffleResult = 0;
    const double random = Median(runs, [&] {
        list = listed;
        shuffleResult = op.SortFileList(list, ListOperation::kRandom);
    });
    const double copy = Median(runs, [&] { list = listed; });
    // A step's own time: its median less the copy it starts from.
    auto own = [&](double step) { return std::max(0.0, step - copy); };
    // Every listed file is one of ours, and the sorts keep every entry.
    const size_t expected = static_cast<size_t>(count);
    bool valid = listed.size() == expected && list.size() == expected;
    std::printf("files listed %zu of %d\n", listed.size(), count);
    char what[160];
    std::snprintf(what, sizeof(what), "picture list, %d files: listing *.jpg then *.bmp (median of %d)", count, runs);
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", listing);
    std::snprintf(what, sizeof(what), "picture list, %d files: sort by name (median, less the list copy)", count);
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", own(byName));
    std::snprintf(what, sizeof(what), "picture list, %d files: sort by date (median, less the list copy)", count);
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", own(byDate));
    std::snprintf(what, sizeof(what), "picture list, %d files: random order (%s)", count,
                  shuffleResult == ListOperation::kTooManyToShuffle ? "refused above 32 767, listing order kept"
                                                                    : "shuffled");
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", own(random));
    std::snprintf(what, sizeof(what), "picture list, %d files: whole rebuild of one display's list by name", count);
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", listing + own(byName));

    // The page's rebuild with ten displays showing pictures of this folder,
    // sorted by name, by date and (refused above 32767) at random.
    auto page = std::make_unique<CWallpaperProp>();
    for (int slot = 0; slot < 10; ++slot) {
        WallpaperRecord& record = page->WallpaperRecords[slot];
        wcsncpy_s(record.PicturePath, (folder + L"Photo_1.jpg").c_str(), _TRUNCATE);
        record.SortStyle = slot % 3;
    }
    const double tenDisplays = Median(runs, [&] { page->RebuildWallpaperFileLists(); });
    std::snprintf(what, sizeof(what), "picture list, %d files: the page's rebuild of ten displays on the folder (by name, date, random)",
                  count);
    velk::bench::PrintFigure(what, nullptr, "%.1f ms", tenDisplays);
    if (!valid) std::printf("the listing did not find every file of the folder\n");
    return valid ? 0 : 1;
}
