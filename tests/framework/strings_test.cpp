// String-table loading follows the user interface language, with the neutral
// table as fall-back, and formatting keeps wide %s.
#include "framework/strings.h"
#include "framework/trace.h"
#include "resources/resource.h"
#include "testing/harness.h"
#include <gtest/gtest.h>

using namespace velk;

namespace {

// Makes the user's interface language look like `language` for the scope.
LANGID g_language = 0;
LANGID WINAPI FakeUiLanguage() { return g_language; }

class UiLanguageScope {
public:
    explicit UiLanguageScope(LANGID language) {
        g_language = language;
        Platform().GetUserDefaultUILanguage = FakeUiLanguage;
    }

private:
    velk::test::PlatformOverride restore_;
};

TEST(Strings, NeutralTableForEnglishUsers) {
    UiLanguageScope english(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    EXPECT_EQ(LoadResString(IDS_ERROR_NUMBER), L"An unexpected error occurred. Error Number %d.");
    EXPECT_EQ(LoadResString(IDS_ERROR_HOOK), L"Could not hook the system.");
}

TEST(Strings, JapaneseTableForJapaneseUsers) {
    UiLanguageScope japanese(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    ASSERT_EQ(PRIMARYLANGID(UiLanguage()), LANG_JAPANESE);
    std::wstring text = LoadResString(IDS_ERROR_HOOK);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text, L"Could not hook the system.");
    // Japanese text: at least one character outside ASCII.
    EXPECT_NE(text.find_first_not_of(L"\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                                     L" !\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                     L"[\\]^_`abcdefghijklmnopqrstuvwxyz{|}~"),
              std::wstring::npos);
}

TEST(Strings, MissingStringLeavesTheTextAlone) {
    std::wstring text = L"keep";
    EXPECT_FALSE(LoadResString(65000, text));
    EXPECT_EQ(text, L"keep");
    EXPECT_EQ(LoadResString(65000), L"");
}

TEST(Strings, FormatTakesWideTexts) {
    EXPECT_EQ(FormatText(L"%s%s", L"C:\\", L"pictures\\"), L"C:\\pictures\\");
    EXPECT_EQ(FormatText(L"Error Number %d.", 1030), L"Error Number 1030.");
    EXPECT_EQ(FormatText(L"%s", L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4"), L"\u30C7\u30A3\u30B9\u30D7\u30EC\u30A4");
    EXPECT_EQ(FormatText(L"%s", std::wstring(5000, L'x').c_str()).size(), 5000u);
}

TEST(Traces, NameTheErrorByNumberAndText) {
    EXPECT_EQ(SystemErrorText(ERROR_FILE_NOT_FOUND).back(), L'.');  // the system's sentence, line end cut
    EXPECT_EQ(FailureTraceText(L"LoadLibrary x.dll", ERROR_FILE_NOT_FOUND),
              L"LoadLibrary x.dll failed: error 2 (" + SystemErrorText(ERROR_FILE_NOT_FOUND) + L")\n");
    // A number the system has no text for is named by its number alone.
    EXPECT_EQ(SystemErrorText(0x2FFFFFFF), L"");
    EXPECT_EQ(FailureTraceText(L"X", 0x2FFFFFFF), L"X failed: error 805306367\n");
}

}  // namespace
