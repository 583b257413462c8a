// Picture lists: the folder listing, the name and date heap sort, the shuffle.
#include "wallpaper/list_operation.h"

#include "testing/support/tray_fixture.h"
#include "tests/wallpaper/page/page_test_support.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <ctime>

namespace {

using FileList = ListOperation::FileList;
using Names = std::vector<std::wstring>;

Names NamesOf(const FileList& list) {
    Names names;
    for (const auto& entry : list) names.push_back(entry.name);
    return names;
}

TEST(ListOperation, CompareFileNamesByStemOnly) {
    const struct {
        const wchar_t *a, *b;
        int sign;
    } cases[] = {
        {L"img2.jpg", L"IMG10.jpg", +1},  {L"IMG10.jpg", L"img2.jpg", -1},  // digits compare as characters
        {L"ab.jpg", L"abc.jpg", -1},      {L"abc.jpg", L"ab.jpg", +1},      // a prefix stem sorts first
        {L"Photo.JPG", L"photo.bmp", +1}, {L"photo.bmp", L"Photo.JPG", +1},  // equal stems: +1 both ways
        {L"noext", L"a.jpg", -1},         {L"a.b.jpg", L"a.jpg", +1},       // the stem ends at the first dot
        {L"[x].jpg", L"Zx.jpg", -1},  // folded to lower case: '[' (0x5B) before 'z' (0x7A)
    };
    for (const auto& c : cases) {
        const int result = ListOperation::CompareFileNames(c.a, c.b);
        EXPECT_EQ(result > 0 ? 1 : result < 0 ? -1 : 0, c.sign) << testing::PrintToString(std::wstring(c.a));
    }
}

TEST(ListOperation, SortsByNameAndDateAndRefusesBadModes) {
    const ListOperation op;
    FileList list = {{L"img2.jpg", 3}, {L"abc.jpg", -5}, {L"IMG10.jpg", 1700000000}, {L"ab.bmp", 0}, {L"b.jpg", 300}};
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByName), 0);
    EXPECT_EQ(NamesOf(list), (Names{L"ab.bmp", L"abc.jpg", L"b.jpg", L"IMG10.jpg", L"img2.jpg"}));
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByDate), 0);
    EXPECT_EQ(NamesOf(list), (Names{L"abc.jpg", L"ab.bmp", L"img2.jpg", L"b.jpg", L"IMG10.jpg"}));
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByDateNewest), 0);
    EXPECT_EQ(NamesOf(list).front(), L"IMG10.jpg");

    FileList empty;
    EXPECT_EQ(op.SortFileList(empty, 0), ListOperation::kListEmpty);
    FileList kept = {{L"b.jpg", 0}, {L"a.jpg", 0}};
    EXPECT_EQ(op.SortFileList(kept, 7), ListOperation::kBadMode);
    EXPECT_EQ(op.SortFileList(kept, -1), ListOperation::kBadMode);
    EXPECT_EQ(NamesOf(kept), (Names{L"b.jpg", L"a.jpg"}));
}

TEST(ListOperation, FortyThousandEntriesSortButRefuseTheShuffle) {
    const ListOperation op;
    FileList list;
    for (int i = 0; i < 40000; ++i) list.push_back({L"pic" + std::to_wstring((i * 7919) % 40000) + L".jpg", i});
    const Names listing = NamesOf(list);
    EXPECT_EQ(op.SortFileList(list, ListOperation::kRandom), ListOperation::kTooManyToShuffle);
    EXPECT_EQ(NamesOf(list), listing) << "the listing order is kept";
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByName), 0);
    for (size_t i = 1; i < list.size(); ++i) ASSERT_GT(ListOperation::CompareFileNames(list[i].name, list[i - 1].name), 0);
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByDate), 0);
    for (size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i].modified, static_cast<int64_t>(i));
}

TEST(ListOperation, ShufflesWithinOneSecondGiveOnePermutation) {
    const ListOperation op;
    FileList base, first, second;
    for (int i = 0; i < 500; ++i) base.push_back({std::to_wstring(i) + L".jpg", i});
    for (int attempt = 0; attempt < 5; ++attempt) {  // again when the clock crossed a second
        first = second = base;
        const time_t before = std::time(nullptr);
        ASSERT_EQ(op.ShuffleFileList(first), 0);
        ASSERT_EQ(op.SortFileList(second, ListOperation::kRandom), 0);
        if (std::time(nullptr) == before) break;
    }
    EXPECT_EQ(NamesOf(first), NamesOf(second));
    EXPECT_NE(NamesOf(first), NamesOf(base));
    std::sort(first.begin(), first.end(), [](auto& a, auto& b) { return a.modified < b.modified; });
    EXPECT_EQ(NamesOf(first), NamesOf(base)) << "a permutation: nothing lost or doubled";
}

TEST(ListOperation, ListsThePicturesOfAFolder) {
    const velk::test::ScratchFolder folder;
    const size_t room = MAX_PATH - 1 - folder.Path().size();
    for (const std::wstring& name : {std::wstring(L"b.jpg"), std::wstring(L"a.JPG"), std::wstring(L"c.bmp"),
                                     std::wstring(L"notes.txt"), std::wstring(room - 3, L'g') + L".jpg"})
        velk::test::TouchFile(folder.Path() + name);  // the last name is one too long for a picture path
    ::CreateDirectoryW((folder.Path() + L"folder.jpg").c_str(), nullptr);
    const ListOperation op;
    std::wstring noSlash = folder.Path();
    noSlash.pop_back();
    FileList lists[2] = {{{L"kept.jpg", 1}}, {{L"kept.jpg", 1}}};
    for (int i = 0; i < 2; ++i) {
        const std::wstring path = i == 0 ? folder.Path() : noSlash;
        ASSERT_EQ(op.GetFileList(L"jpg", path.c_str(), lists[i]), 0);
        ASSERT_EQ(op.GetFileList(L"bmp", path.c_str(), lists[i]), 0);
    }
    EXPECT_EQ(NamesOf(lists[0]), NamesOf(lists[1])) << "one trailing backslash makes no difference";
    ASSERT_EQ(lists[0].size(), 4u) << "appended: the earlier entry, two jpg files, then the bmp file";
    EXPECT_EQ(lists[0][3].name, L"c.bmp");
    EXPECT_GT(lists[0][1].modified, 1600000000);

    FileList kept{{L"kept.jpg", 1}};
    EXPECT_EQ(op.GetFileList(L"png", folder.Path().c_str(), kept), ListOperation::kNoFileMatches);
    EXPECT_EQ(op.GetFileList(L"jpg", (folder.Path() + L"gone\\").c_str(), kept), ListOperation::kFolderNotFound);
    EXPECT_EQ(op.GetFileList(L"jpg", (folder.Path() + L"b.jpg").c_str(), kept), ListOperation::kFolderNotFound);
    EXPECT_EQ(kept.size(), 1u);
    ::RemoveDirectoryW((folder.Path() + L"folder.jpg").c_str());
}

TEST(ListOperation, AFolderThatFillsThePicturePathListsNoName) {
    const velk::test::ScratchFolder scratch;
    // 259 units without a trailing backslash: the backslash alone fills the path.
    const std::wstring folder = scratch.Path() + std::wstring(MAX_PATH - 1 - scratch.Path().size(), L'f');
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
    velk::test::TouchFile(folder + L"\\a.jpg");
    FileList list;
    EXPECT_EQ(ListOperation().GetFileList(L"jpg", folder.c_str(), list), 0);
    EXPECT_TRUE(list.empty()) << "a.jpg would make a path longer than MAX_PATH";
    ::DeleteFileW((folder + L"\\a.jpg").c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace
