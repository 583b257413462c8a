// What the program uses in place of functions that older Windows lacks: the
// path splitter and bounded copy (for the runtime's secure functions, which
// Windows XP's runtime does not have) and the extended 32-bit tick count.
#include "app/tick_count_import.h"
#include "framework/paths.h"
#include <gtest/gtest.h>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

struct Split {
    int result;
    std::wstring drive, dir, name, ext;
};

Split Ours(const wchar_t* path, size_t driveUnits, size_t dirUnits, size_t nameUnits, size_t extUnits) {
    wchar_t drive[8] = L"x", dir[300] = L"x", name[300] = L"x", ext[300] = L"x";
    const int result = velk::SplitPath(path, drive, driveUnits, dir, dirUnits, name, nameUnits, ext, extUnits);
    return {result, drive, dir, name, ext};
}

Split Runtime(const wchar_t* path, size_t driveUnits, size_t dirUnits, size_t nameUnits, size_t extUnits) {
    wchar_t drive[8] = L"x", dir[300] = L"x", name[300] = L"x", ext[300] = L"x";
    const int result = _wsplitpath_s(path, drive, driveUnits, dir, dirUnits, name, nameUnits, ext, extUnits);
    return {result, drive, dir, name, ext};
}

TEST(SplitPath, GivesTheRuntimeSplitterResults) {
    const std::wstring longName(300, L'n');
    const wchar_t* paths[] = {
        L"C:\\pictures\\a.jpg", L"C:\\pictures\\", L"C:a.b.c", L"\\\\server\\share\\x.jpeg", L"relative/dir/file",
        L"C:\\dotted.dir\\noext", L".hidden", L"", L"C:", L"D:\\x\\y\\.", longName.c_str(),
    };
    for (const wchar_t* path : paths) {
        SCOPED_TRACE(testing::Message() << std::wstring(path).substr(0, 40).c_str());
        for (size_t nameUnits : {size_t{256}, size_t{4}}) {
            const Split ours = Ours(path, 3, 256, nameUnits, 256), runtime = Runtime(path, 3, 256, nameUnits, 256);
            EXPECT_EQ(ours.result, runtime.result);
            EXPECT_EQ(ours.drive, runtime.drive);
            EXPECT_EQ(ours.dir, runtime.dir);
            EXPECT_EQ(ours.name, runtime.name);
            EXPECT_EQ(ours.ext, runtime.ext);
        }
    }
}

TEST(SplitPath, SkipsPartsWithoutBufferAndRefusesBadArguments) {
    wchar_t drive[3] = L"x", dir[256] = L"x";
    EXPECT_EQ(velk::SplitPath(L"C:\\tools\\Velkmira.exe", drive, 3, dir, 256, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(std::wstring(drive) + dir, L"C:\\tools\\");
    EXPECT_EQ(velk::SplitPath(nullptr, drive, 3, dir, 256, nullptr, 0, nullptr, 0), EINVAL);
    EXPECT_EQ(std::wstring(drive) + dir, L"");
    wcscpy(dir, L"x");
    EXPECT_EQ(velk::SplitPath(L"C:\\a", drive, 3, dir, 0, nullptr, 0, nullptr, 0), EINVAL);
    EXPECT_EQ(drive[0], L'\0');
}

TEST(ProgramFolder, IsTheFolderOfTheProgramsOwnFile) {
    EXPECT_EQ(velk::FolderOfPath(L"C:\\tools\\Velkmira.exe"), L"C:\\tools\\");
    EXPECT_EQ(velk::FolderOfPath(nullptr), L"");
    const std::wstring program = velk::ProgramPath();
    const std::wstring folder = velk::ProgramFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), L'\\');
    EXPECT_EQ(program.rfind(folder, 0), 0u) << "the program's path starts with its folder";
    EXPECT_EQ(program.find(L'\\', folder.size()), std::wstring::npos) << "and only its file name follows";
}

TEST(CopyTruncated, CopiesWhatFitsAndAlwaysTerminates) {
    struct Case {
        const wchar_t* text;
        const wchar_t* expected;
    };
    const Case cases[] = {{L"abc", L"abc"}, {L"abcd", L"abc"}, {L"abcdefgh", L"abc"}, {L"", L""}, {nullptr, L""}};
    for (const Case& c : cases) {
        wchar_t out[4] = {L'x', L'x', L'x', L'x'};
        velk::CopyTruncated(out, c.text);
        EXPECT_STREQ(out, c.expected);
    }
}

TEST(TickCount, ExtendsTheThirtyTwoBitCountAcrossItsWrap) {
    struct Case {
        ULONGLONG last;
        DWORD now;
        ULONGLONG expected;
    };
    const Case cases[] = {
        {0, 1234, 1234},
        {1000, 1000, 1000},
        {0xFFFFFF00ull, 0x10, 0x100000010ull},                  // the count wrapped
        {0x2FFFFFFF0ull, 0xFFFFFFF8u, 0x2FFFFFFF8ull},          // late in the third round
        {0x2FFFFFFF0ull, 0x5, 0x300000005ull},                  // into the fourth
    };
    for (const Case& c : cases) EXPECT_EQ(velk::ExtendTickCount(c.last, c.now), c.expected);
    // The program's own entry answers the system's count where it has one.
    const ULONGLONG before = ::GetTickCount64();
    const ULONGLONG ours = velk::TickCount64();
    EXPECT_GE(ours, before);
    EXPECT_LE(ours, ::GetTickCount64());
}

}  // namespace
