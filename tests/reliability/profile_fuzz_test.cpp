// The real program over damaged settings profiles. A clean run first records
// every value the program itself writes (so the pages that come later are
// covered as soon as they write theirs); then, for each kind of damage, every
// one of those values is damaged that way, every section the program reads
// gets a value and a subkey of the user's, and the program must start, stay
// up through an Apply and a display change, end with exit code 0 on
// WM_CLOSE, show no message box, and leave everything it does not own as it
// was and everything it owns still there.
#include "display/program_messages.h"
#include "resources/resource.h"
#include "taskbar/app_setting_page.h"
#include "tests/taskbar/desktop/desktop_test_support.h"
#include "testing/support/tray_fixture.h"
#include "tests/reliability/program_runner.h"
#include <gtest/gtest.h>
#include <functional>
#include <memory>
#include <optional>
#include <set>

using namespace velk::test;

namespace {

// Every section the program reads.
std::vector<std::wstring> ReadSections() {
    std::vector<std::wstring> sections = {L"Setting",      L"HotkeyEntry",        L"OtherSetting", L"AppSetting",
                                          L"IconPosition", L"IconPositionBackup", L"AppPosition",  L"Wallpaper",
                                          L"AUDIODEVINFOXP"};
    for (int slot = 0; slot < 10; ++slot) sections.push_back(L"Monitor" + std::to_wstring(slot));
    return sections;
}

StoredValue Dword(DWORD value) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    return {REG_DWORD, std::vector<BYTE>(bytes, bytes + sizeof(value))};
}
StoredValue Text(const std::wstring& text) {
    const BYTE* bytes = reinterpret_cast<const BYTE*>(text.c_str());
    return {REG_SZ, std::vector<BYTE>(bytes, bytes + (text.size() + 1) * sizeof(wchar_t))};
}
StoredValue Binary(size_t size, BYTE fill) { return {REG_BINARY, std::vector<BYTE>(size, fill)}; }

constexpr size_t kOverLongBytes = 100 * 1024;

struct Damage {
    const char* name;
    // The damaged form of one of the program's values, given what it was.
    std::function<StoredValue(const StoredValue&)> damage;
    bool junk = false;  // thousands of foreign values and subkeys in every section
};

bool IsNumber(const StoredValue& v) { return v.type == REG_DWORD; }

const Damage kDamages[] = {
    {"wrong type", [](const StoredValue& v) { return IsNumber(v) ? Text(L"not a number") : Dword(12345); }},
    {"binary", [](const StoredValue&) { return Binary(7, 0xA5); }},
    {"over-long",
     [](const StoredValue& v) {
         return IsNumber(v) ? Binary(kOverLongBytes, 0x5A) : Text(std::wstring(kOverLongBytes / 2 - 1, L'W'));
     }},
    {"empty", [](const StoredValue& v) { return StoredValue{v.type, {}}; }},
    {"negative", [](const StoredValue& v) { return IsNumber(v) ? Dword(0x80000000u) : Text(L"-2147483648"); }},
    {"minus one", [](const StoredValue& v) { return IsNumber(v) ? Dword(0xFFFFFFFFu) : Text(L"-1"); }},
    {"huge", [](const StoredValue& v) { return IsNumber(v) ? Dword(0x7FFFFFFFu) : Text(L"99999999999999999999"); }},
    {"junk values and subkeys", [](const StoredValue& v) { return v; }, true},
};

constexpr int kJunkValues = 600;
constexpr int kJunkKeys = 30;
constexpr int kJunkValuesPerKey = 20;

void WriteJunk(const std::wstring& section) {
    velk::UniqueKey key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, ProfileSection(section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    for (int i = 0; i < kJunkValues; ++i) {
        const std::wstring name = L"VelkJunk" + std::to_wstring(i);
        const StoredValue value = i % 3 == 0 ? Dword(static_cast<DWORD>(i * 7919)) : i % 3 == 1 ? Text(name) : Binary(i % 64, 1);
        ::RegSetValueExW(key.get(), name.c_str(), 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    }
    for (int k = 0; k < kJunkKeys; ++k) {
        velk::UniqueKey sub;
        ::RegCreateKeyExW(key.get(), (L"VelkJunkKey" + std::to_wstring(k)).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                          nullptr, sub.put(), nullptr);
        for (int i = 0; i < kJunkValuesPerKey; ++i) {
            const DWORD value = static_cast<DWORD>(k * 100 + i);
            ::RegSetValueExW(sub.get(), (L"V" + std::to_wstring(i)).c_str(), 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&value), sizeof(value));
        }
    }
}

// "Section|Name" of a picture entry taken at the profile key.
std::pair<std::wstring, std::wstring> Split(const std::wstring& entry) {
    const size_t bar = entry.find(L'|');
    return {entry.substr(0, bar), entry.substr(bar + 1)};
}

class ProfileFuzz : public ::testing::TestWithParam<Damage> {
protected:
    static void SetUpTestSuite() {
        ResetProfile();
        addOn_ = new SimulatedAddOnDisplay;
        tray_ = new FakeTray;
        // The clean run: what the program writes of its own.
        RunningProgram program;
        ASSERT_TRUE(program.Start()) << program.Failure();
        ASSERT_TRUE(program.Apply()) << program.Failure();
        ASSERT_TRUE(program.DisplayChange()) << program.Failure();
        ASSERT_EQ(program.Close(), 0u);
        EXPECT_TRUE(program.Boxes().empty());
        own_ = new RegistryPicture(PictureOf(HKEY_CURRENT_USER, kProfileKey));
        ASSERT_GT(own_->size(), 20u) << "the clean run wrote hardly anything";
    }
    static void TearDownTestSuite() {
        delete own_;
        own_ = nullptr;
        delete tray_;
        tray_ = nullptr;
        delete addOn_;
        addOn_ = nullptr;
        DeleteTree(HKEY_LOCAL_MACHINE, kWatchedReliabilityKey);
        ResetProfile();
    }
    static RegistryPicture* own_;
    static FakeTray* tray_;
    static SimulatedAddOnDisplay* addOn_;
};
SimulatedAddOnDisplay* ProfileFuzz::addOn_ = nullptr;
RegistryPicture* ProfileFuzz::own_ = nullptr;
FakeTray* ProfileFuzz::tray_ = nullptr;

TEST_P(ProfileFuzz, ProgramStartsAppliesFollowsADisplayChangeAndEndsKeepingTheUsersValues) {
    ASSERT_NE(own_, nullptr);
    const Damage& damage = GetParam();
    ResetProfile();
    for (const auto& [entry, value] : *own_) {
        auto [section, name] = Split(entry);
        WriteValue(HKEY_CURRENT_USER, ProfileSection(section), name, damage.damage(value));
    }
    for (const std::wstring& section : ReadSections()) {
        SetString(HKEY_CURRENT_USER, ProfileSection(section), L"VelkUserKeep", L"the user's own value");
        SetDword(HKEY_CURRENT_USER, ProfileSection(section + L"\\VelkUserKeep"), L"Kept", 1);
        if (damage.junk) WriteJunk(section);
    }
    const RegistryPicture before = PictureOf(HKEY_CURRENT_USER, kProfileKey);

    RunningProgram program;
    ASSERT_TRUE(program.Start()) << program.Failure();
    EXPECT_TRUE(program.Apply()) << program.Failure();
    EXPECT_TRUE(program.DisplayChange()) << program.Failure();
    EXPECT_TRUE(program.Responsive());
    EXPECT_EQ(program.Close(), 0u);
    for (const std::wstring& box : program.Boxes()) ADD_FAILURE() << "message box: " << ToUtf8(box);

    const RegistryPicture after = PictureOf(HKEY_CURRENT_USER, kProfileKey);
    int lost = 0, changed = 0;
    for (const auto& [entry, value] : before) {
        auto found = after.find(entry);
        if (own_->count(entry)) {
            // The program's own: repaired or left, never lost.
            if (found == after.end() && ++lost <= 5) ADD_FAILURE() << "lost: " << ToUtf8(entry);
        } else if (found == after.end() || !(found->second == value)) {
            if (++changed <= 5) ADD_FAILURE() << "not the program's, yet changed or gone: " << ToUtf8(entry);
        }
    }
    EXPECT_EQ(lost, 0);
    EXPECT_EQ(changed, 0);
}

// The restore paths over damaged positions, for each kind of damage: the
// desktop icons restored as at start ("RestoreIcon" on) from damaged
// "IconPosition" values, against the desktop stand-in, and windows restored
// from damaged "AppPosition" values after a Gather (which on Wine's one
// display keeps nothing, so the damaged values are what the Restore reads).
// The program must not hang or crash, and must end with exit code 0; the
// stand-in desktop and the window of the test process must survive it.
POINT Saved(int icon) { return POINT{60 + 130 * icon, 300}; }

TEST(RestoreFuzz, DamagedIconAndWindowPositionsNeitherHangNorCrashTheProgram) {
    ResetProfile();
    SimulatedAddOnDisplay addOn;
    FakeTray tray;
    // Two icons of one text: the second one's positions are in the "_S" subkey.
    const std::vector<std::wstring> icons = {L"Alpha", L"Beta", L"Beta"};
    DesktopSim desktop(icons);
    ASSERT_TRUE(desktop.Ready());
    TitledWindow window(L"A window to restore");
    const std::wstring windowKey =
        L"AppPosition\\" + std::to_wstring(static_cast<int>(reinterpret_cast<intptr_t>(window.hwnd())));
    const std::vector<std::wstring> sections = ReadSections();

    for (const Damage& damage : kDamages) {
        SCOPED_TRACE(damage.name);
        ResetProfile();
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"AppSetting"), L"RestoreIcon", 1);
        SetDword(HKEY_CURRENT_USER, ProfileSection(L"IconPosition"), L"IconSaveFlag", 1);
        auto put = [&](const std::wstring& section, const wchar_t* name, const StoredValue& value) {
            WriteValue(HKEY_CURRENT_USER, ProfileSection(section), name, damage.damage(value));
        };
        // Each icon's saved place; its display number stays sound, so that the
        // layout check passes and the placing reads the damaged values.
        const wchar_t* const keys[] = {L"Alpha", L"Beta", L"Beta_S"};
        for (int i = 0; i < 3; ++i) {
            const std::wstring section = L"IconPosition\\" + std::wstring(keys[i]);
            const std::wstring text = i == 0 ? L"Alpha" : L"Beta";
            put(section, text.c_str(), Text(text));
            put(section, L"Index", Dword(static_cast<DWORD>(i)));
            put(section, L"x", Dword(static_cast<DWORD>(Saved(i).x)));
            put(section, L"y", Dword(static_cast<DWORD>(Saved(i).y)));
            put(section, L"ExistCheck", Dword(1));
            put(section, L"AlreadyRestore", Dword(0));
            SetDword(HKEY_CURRENT_USER, ProfileSection(section), L"MonitorNumber", 1);
        }
        SetDword(HKEY_CURRENT_USER, ProfileSection(windowKey), L"Handle",
                 static_cast<DWORD>(reinterpret_cast<intptr_t>(window.hwnd())));
        for (const wchar_t* name : {L"ShowCmd", L"top", L"bottom", L"left", L"right", L"flags", L"ptMaxPositionx",
                                    L"ptMaxPositiony", L"ptMinPositionx", L"ptMinPositiony"})
            put(windowKey, name, Dword(name == std::wstring(L"ShowCmd") ? SW_SHOWMAXIMIZED : 100));
        for (const std::wstring& section : sections) {
            SetString(HKEY_CURRENT_USER, ProfileSection(section), L"VelkUserKeep", L"the user's own value");
            if (damage.junk) WriteJunk(section);
        }
        const RegistryPicture before = PictureOf(HKEY_CURRENT_USER, kProfileKey);

        RunningProgram program;
        ASSERT_TRUE(program.Start()) << program.Failure();
        // The start's icon restore, without its 15-second wait.
        HWND page = program.PageHolding(IDC_APP_GATHER, IDC_APP_RESTORE_WINDOWS);
        ASSERT_NE(page, nullptr);
        DWORD_PTR running = 0;
        EXPECT_TRUE(::SendMessageTimeoutW(page, WM_TIMER, CAppSettingProp::kTimerRestoreIcons, 0, SMTO_NORMAL,
                                          kProgramWaitMs, &running));
        // The restore goes on in steps: wait until the page reports its end.
        EXPECT_TRUE(WaitUntil(2 * kProgramWaitMs, [&] {
            return ::SendMessageTimeoutW(page, UM_ICONJOBRUNNING, 0, 0, SMTO_NORMAL, kProgramWaitMs, &running) &&
                   running == 0;
        })) << "the icon restore did not end";
        EXPECT_TRUE(program.Press(IDC_APP_GATHER, IDC_APP_RESTORE_WINDOWS, true)) << program.Failure();
        EXPECT_TRUE(program.Press(IDC_APP_RESTORE_WINDOWS, IDC_APP_GATHER, true)) << program.Failure();
        EXPECT_TRUE(program.Apply()) << program.Failure();
        EXPECT_EQ(program.Close(), 0u);
        EXPECT_NE(desktop.Position(0).x, -1) << "the desktop stand-in lost its icons";
        if (damage.junk) {
            // The values themselves sound: the icons went to their saved places.
            EXPECT_TRUE(program.Boxes().empty());
            for (int i = 0; i < 3; ++i) EXPECT_TRUE(Same(desktop.Position(i), Saved(i))) << i;
        }
        EXPECT_TRUE(window.Exists());

        // Nothing of the user's lost, except where a restore replaces a whole
        // section by design: every icon restore first deletes
        // "IconPositionBackup" and saves the positions it starts from there,
        // and the window restore deletes "AppPosition" once it has put the
        // windows back.
        const RegistryPicture after = PictureOf(HKEY_CURRENT_USER, kProfileKey);
        int changed = 0;
        for (const auto& [entry, value] : before) {
            const std::wstring section = Split(entry).first;
            if (section.starts_with(L"IconPositionBackup") || section.starts_with(L"AppPosition") ||
                section.starts_with(L"IconPosition\\Alpha") || section.starts_with(L"IconPosition\\Beta"))
                continue;  // the program's own icon entries are marked while restoring
            auto found = after.find(entry);
            if (found == after.end() || !(found->second == value))
                if (++changed <= 5) ADD_FAILURE() << "the user's, yet changed or gone: " << ToUtf8(entry);
        }
        EXPECT_EQ(changed, 0);
        // Both restores ran to their end: the icons' starting positions were
        // kept as the backup, and the window positions were taken away.
        EXPECT_EQ(after.count(L"IconPositionBackup\\Alpha|x"), 1u);
        EXPECT_EQ(after.lower_bound(L"AppPosition"), after.lower_bound(L"AppPositioo"));
    }
    ResetProfile();
}

INSTANTIATE_TEST_SUITE_P(Damages, ProfileFuzz, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
