#include "wallpaper/list_operation.h"

#include "tests/wallpaperpage/scratch_folder.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <ctime>

namespace {

using FileList = ListOperation::FileList;

FileList Named(std::initializer_list<const wchar_t*> names) {
    FileList list;
    for (const wchar_t* name : names) list.push_back({name, 0});
    return list;
}

std::vector<std::wstring> NamesOf(const FileList& list) {
    std::vector<std::wstring> names;
    for (const auto& entry : list) names.push_back(entry.name);
    return names;
}

TEST(ListOperation, CompareFileNamesByStemOnly) {
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
        int sign;
    };
    const Case cases[] = {
        {L"img2.jpg", L"IMG10.jpg", +1},   // digits compare as characters
        {L"IMG10.jpg", L"img2.jpg", -1},
        {L"ab.jpg", L"abc.jpg", -1},       // a prefix stem sorts first
        {L"abc.jpg", L"ab.jpg", +1},
        {L"Photo.JPG", L"photo.bmp", +1},  // equal stems: +1 in both orders
        {L"photo.bmp", L"Photo.JPG", +1},
        {L"noext", L"a.jpg", -1},          // no dot: an empty stem
        {L"a.b.jpg", L"a.jpg", +1},        // the stem ends at the first dot
        {L"[x].jpg", L"Zx.jpg", -1},       // folded to lower case: '[' (0x5B) before 'z' (0x7A)
    };
    for (const auto& c : cases) {
        const int result = ListOperation::CompareFileNames(c.a, c.b);
        EXPECT_NE(result, 0);
        EXPECT_EQ(result > 0 ? 1 : -1, c.sign) << testing::PrintToString(std::wstring(c.a)) << " vs "
                                               << testing::PrintToString(std::wstring(c.b));
    }
}

TEST(ListOperation, SortsByNameDateAndRefusesBadModes) {
    const ListOperation op;
    FileList list = Named({L"img2.jpg", L"abc.jpg", L"IMG10.jpg", L"ab.bmp", L"Zeta.jpg", L"b.jpg"});
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByName), 0);
    EXPECT_EQ(NamesOf(list),
              (std::vector<std::wstring>{L"ab.bmp", L"abc.jpg", L"b.jpg", L"IMG10.jpg", L"img2.jpg", L"Zeta.jpg"}));
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByNameDescending), 0);
    EXPECT_EQ(NamesOf(list).front(), L"Zeta.jpg");
    EXPECT_EQ(NamesOf(list).back(), L"ab.bmp");

    FileList dated = {{L"c.jpg", 300}, {L"a.bmp", -5}, {L"b.jpg", 1700000000}, {L"d.jpg", 0}};
    ASSERT_EQ(op.SortFileList(dated, ListOperation::kByDate), 0);
    EXPECT_EQ(NamesOf(dated), (std::vector<std::wstring>{L"a.bmp", L"d.jpg", L"c.jpg", L"b.jpg"}));
    ASSERT_EQ(op.SortFileList(dated, ListOperation::kByDateNewest), 0);
    EXPECT_EQ(NamesOf(dated), (std::vector<std::wstring>{L"b.jpg", L"c.jpg", L"d.jpg", L"a.bmp"}));

    FileList empty;
    EXPECT_EQ(op.SortFileList(empty, 0), ListOperation::kListEmpty);
    FileList kept = Named({L"b.jpg", L"a.jpg"});
    EXPECT_EQ(op.SortFileList(kept, 7), ListOperation::kBadMode);
    EXPECT_EQ(op.SortFileList(kept, -1), ListOperation::kBadMode);
    EXPECT_EQ(NamesOf(kept), (std::vector<std::wstring>{L"b.jpg", L"a.jpg"}));
}

TEST(ListOperation, FortyThousandEntriesSortByNameAndRefuseTheShuffle) {
    const ListOperation op;
    FileList list;
    for (int i = 0; i < 40000; ++i) list.push_back({L"pic" + std::to_wstring((i * 7919) % 40000) + L".jpg", i});
    const FileList listing = list;
    EXPECT_EQ(op.SortFileList(list, ListOperation::kRandom), ListOperation::kTooManyToShuffle);
    EXPECT_EQ(NamesOf(list), NamesOf(listing)) << "the listing order is kept";

    ASSERT_EQ(op.SortFileList(list, ListOperation::kByName), 0);
    ASSERT_EQ(list.size(), 40000u);
    for (size_t i = 1; i < list.size(); ++i)
        ASSERT_GE(ListOperation::CompareFileNames(list[i].name, list[i - 1].name), 0) << i;
    ASSERT_EQ(op.SortFileList(list, ListOperation::kByDate), 0);
    for (size_t i = 0; i < list.size(); ++i) ASSERT_EQ(list[i].modified, static_cast<int64_t>(i));
}

TEST(ListOperation, ShufflesWithinOneSecondGiveOnePermutation) {
    const ListOperation op;
    FileList base;
    for (int i = 0; i < 500; ++i) base.push_back({std::to_wstring(i) + L".jpg", i});
    FileList first;
    FileList second;
    // Retry when the clock crossed a second between the two shuffles.
    for (int attempt = 0; attempt < 5; ++attempt) {
        first = base;
        second = base;
        const time_t before = std::time(nullptr);
        ASSERT_EQ(op.ShuffleFileList(first), 0);
        ASSERT_EQ(op.SortFileList(second, ListOperation::kRandom), 0);
        if (std::time(nullptr) == before) break;
    }
    EXPECT_EQ(NamesOf(first), NamesOf(second));
    EXPECT_NE(NamesOf(first), NamesOf(base));
    auto sorted = NamesOf(first);
    auto expected = NamesOf(base);
    std::sort(sorted.begin(), sorted.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sorted, expected) << "a permutation: nothing lost or doubled";
}

TEST(ListOperation, ListsPicturesOfAFolder) {
    const velk::test::ScratchFolder folder(L"wplist");
    folder.AddFile(L"b.jpg");
    folder.AddFile(L"a.JPG");
    folder.AddFile(L"c.bmp");
    folder.AddFile(L"notes.txt");
    folder.AddFolder(L"folder.jpg");
    const ListOperation op;

    FileList withSlash{{L"kept.jpg", 1}};
    ASSERT_EQ(op.GetFileList(L"jpg", folder.Path().c_str(), withSlash), 0);
    ASSERT_EQ(op.GetFileList(L"bmp", folder.Path().c_str(), withSlash), 0);
    std::wstring noSlash = folder.Path();
    noSlash.pop_back();
    FileList withoutSlash{{L"kept.jpg", 1}};
    ASSERT_EQ(op.GetFileList(L"jpg", noSlash.c_str(), withoutSlash), 0);
    ASSERT_EQ(op.GetFileList(L"bmp", noSlash.c_str(), withoutSlash), 0);
    EXPECT_EQ(NamesOf(withSlash), NamesOf(withoutSlash));
    ASSERT_EQ(withSlash.size(), 4u) << "appended: the earlier entry, two jpg files, one bmp file";
    EXPECT_EQ(withSlash[0].name, L"kept.jpg");
    EXPECT_EQ(withSlash[3].name, L"c.bmp") << "all jpg files come before the bmp files";
    EXPECT_GT(withSlash[1].modified, 1600000000);

    FileList kept{{L"kept.jpg", 1}};
    EXPECT_EQ(op.GetFileList(L"png", folder.Path().c_str(), kept), ListOperation::kNoFileMatches);
    EXPECT_EQ(op.GetFileList(L"jpg", (folder.Path() + L"gone\\").c_str(), kept), ListOperation::kFolderNotFound);
    EXPECT_EQ(op.GetFileList(L"jpg", (folder.Path() + L"b.jpg").c_str(), kept), ListOperation::kFolderNotFound);
    EXPECT_EQ(kept.size(), 1u);
}

TEST(ListOperation, LeavesOutNamesNoPicturePathCanHold) {
    const velk::test::ScratchFolder folder(L"wplong");
    const size_t room = MAX_PATH - 1 - folder.Path().size();
    folder.AddFile(std::wstring(room - 4, L'f') + L".jpg");  // exactly fits
    const std::wstring tooLong = std::wstring(room - 3, L'g') + L".jpg";
    const bool created = !folder.AddFile(tooLong).empty();
    FileList list;
    ASSERT_EQ(ListOperation().GetFileList(L"jpg", folder.Path().c_str(), list), 0);
    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ((folder.Path() + list[0].name).size(), MAX_PATH - 1u);
    if (created) {
        EXPECT_EQ(list.size(), 1u);
    }
}

}  // namespace
