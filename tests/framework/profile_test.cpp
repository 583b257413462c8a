// The settings profile lands under HKCU "Software\<key>\Velkmira\<section>"
// with DWORD and REG_SZ values, and reads back defensively.
#include "display/shared_functions.h"
#include "framework/app.h"
#include "testing/harness.h"
#include <gtest/gtest.h>

using namespace velk;
using namespace velk::test;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    ProfileTest() : app(L"Velkmira") { app.SetRegistryKey(L"VELK-Panomira"); }
    void SetUp() override { ResetProfile(); }
    void TearDown() override { ResetProfile(); }
    CWinApp app;
};

TEST_F(ProfileTest, ValuesLandInTheirSectionWithTheirTypes) {
    EXPECT_EQ(app.ProfileKeyPath(), L"Software\\VELK-Panomira\\Velkmira");
    ASSERT_TRUE(app.WriteProfileInt(L"Setting", L"WINFIXSIZE", 1));
    ASSERT_TRUE(app.WriteProfileInt(L"Setting", L"NEGATIVE", -5));
    ASSERT_TRUE(app.WriteProfileString(L"Wallpaper", L"PATH", L"C:\\pictures\\\u6771.jpg"));

    EXPECT_EQ(GetValueType(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"WINFIXSIZE"), DWORD(REG_DWORD));
    EXPECT_EQ(GetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"WINFIXSIZE"), 1u);
    EXPECT_EQ(GetValueType(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"PATH"), DWORD(REG_SZ));
    EXPECT_EQ(GetString(HKEY_CURRENT_USER, ProfileSection(L"Wallpaper"), L"PATH"), L"C:\\pictures\\\u6771.jpg");

    EXPECT_EQ(app.GetProfileInt(L"Setting", L"WINFIXSIZE", 7), 1u);
    EXPECT_EQ(static_cast<int>(app.GetProfileInt(L"Setting", L"NEGATIVE", 7)), -5);
    EXPECT_EQ(app.GetProfileString(L"Wallpaper", L"PATH", L"x"), L"C:\\pictures\\\u6771.jpg");
}

TEST_F(ProfileTest, MissingOrDamagedValuesGiveTheDefault) {
    EXPECT_EQ(app.GetProfileInt(L"Nowhere", L"X", 42), 42u);
    EXPECT_EQ(app.GetProfileString(L"Nowhere", L"X", L"dflt"), L"dflt");

    // A text where a number belongs, and a number where a text belongs.
    SetString(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"STARTUP", L"1");
    SetDword(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"NAME", 3);
    EXPECT_EQ(app.GetProfileInt(L"Setting", L"STARTUP", 9), 9u);
    EXPECT_EQ(app.GetProfileString(L"Setting", L"NAME", L"d"), L"d");

    // An over-long text is refused rather than read.
    SetString(HKEY_CURRENT_USER, ProfileSection(L"Setting"), L"HUGE", std::wstring(100000, L'a'));
    EXPECT_EQ(app.GetProfileString(L"Setting", L"HUGE", L"d"), L"d");

    // A string stored without its terminator reads back whole.
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, ProfileSection(L"Setting").c_str(), 0, nullptr, 0, KEY_WRITE,
                                nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ::RegSetValueExW(key, L"RAW", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"abc"), 3 * sizeof(wchar_t));
    ::RegCloseKey(key);
    EXPECT_EQ(app.GetProfileString(L"Setting", L"RAW", L""), L"abc");
}

TEST_F(ProfileTest, DeleteProfileSectionRemovesTheWholeTree) {
    app.WriteProfileInt(L"IconPosition", L"Count", 2);
    app.WriteProfileInt(L"IconPosition\\Recycle Bin", L"X", 10);
    app.WriteProfileInt(L"IconPosition\\My Files\\Deeper", L"Y", 20);
    app.WriteProfileInt(L"Setting", L"Keep", 1);
    ASSERT_TRUE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"IconPosition\\My Files\\Deeper")));

    EXPECT_TRUE(DeleteProfileSection(L"IconPosition"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, ProfileSection(L"IconPosition")));
    EXPECT_EQ(app.GetProfileInt(L"Setting", L"Keep", 0), 1u);

    // A section that is not there is no failure.
    EXPECT_TRUE(DeleteProfileSection(L"IconPosition"));
    // Without the profile key there is nothing to open.
    ResetProfile();
    EXPECT_FALSE(DeleteProfileSection(L"Setting"));
}

TEST(ProfileWithoutApplication, DeleteProfileSectionNeedsTheApplication) {
    ASSERT_EQ(AfxGetApp(), nullptr);
    EXPECT_FALSE(DeleteProfileSection(L"Setting"));
}

}  // namespace
