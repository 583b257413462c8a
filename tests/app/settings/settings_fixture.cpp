#include "tests/app/settings/settings_fixture.h"
#include "app/setting_page.h"
#include "app/velkmira_app.h"
#include "testing/support/addon_test_support.h"
#include <commctrl.h>

using namespace velk;
using namespace velk::test;

namespace settings_test {
namespace {

HMODULE g_policySim = nullptr;

std::wstring ClassKey(const CLSID& id) {
    wchar_t text[40] = {};
    ::StringFromGUID2(id, text, 40);
    return std::wstring(L"Software\\Classes\\CLSID\\") + text;
}

LANGID WINAPI EnglishUi() { return MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US); }

template <class Fn>
Fn PolicyControl(const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(g_policySim, name)));
}

}  // namespace

void SettingsFixture::SetUpTestSuite() {
    InProcessDialogTest::SetUpTestSuite();
    // Wine reads in-process servers from the machine's classes only.
    const std::wstring server = BinDir() + L"PolicySim.dll";
    g_policySim = ::LoadLibraryW(server.c_str());
    ASSERT_NE(g_policySim, nullptr);
    for (const CLSID& id : kPolicySimClassIds) {
        SetString(HKEY_LOCAL_MACHINE, ClassKey(id) + L"\\InprocServer32", nullptr, server);
        SetString(HKEY_LOCAL_MACHINE, ClassKey(id) + L"\\InprocServer32", L"ThreadingModel", L"Both");
    }
}

void SettingsFixture::TearDownTestSuite() {
    for (const CLSID& id : kPolicySimClassIds) DeleteTree(HKEY_LOCAL_MACHINE, ClassKey(id));
    InProcessDialogTest::TearDownTestSuite();
}

void SettingsFixture::SetUp() {
    InProcessDialogTest::SetUp();
    RecordSleeps();
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ResetPolicySim();
    Platform().GetUserDefaultUILanguage = EnglishUi;
}

void SettingsFixture::TearDown() {
    RemoveSimDisplays();
    dialog.reset();
    tray.reset();
    ::SystemParametersInfoW(SPI_SETMOUSESONAR, 0, nullptr, 0);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ResetProfile();
}

void SettingsFixture::Start() {
    tray = std::make_unique<FakeTray>();
    dialog = std::make_unique<CVELKMIRADlg>();
    ASSERT_TRUE(dialog->Create(nullptr));
    hwnd = dialog->GetSafeHwnd();
    ASSERT_TRUE(dialog->IsInitialised());
}

void SettingsFixture::Command(HWND window, UINT id, UINT code) {
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

void SettingsFixture::AddSimDisplay(uint32_t adapterId) {
    ASSERT_NE(addon_test::Sim().AddDisplay(adapterId, 2), 0u);
    simDisplays.push_back(adapterId);
}

void SettingsFixture::RemoveSimDisplays() {
    if (HMODULE sim = ::GetModuleHandleW(L"AddOnApi.dll")) {
        auto remove = reinterpret_cast<AddOnSimRemoveDisplayFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(sim, "AddOnSimRemoveDisplay")));
        for (uint32_t id : simDisplays) remove(id);
    }
    simDisplays.clear();
}

std::vector<PolicySimCall> SettingsFixture::PolicyCalls() {
    std::vector<PolicySimCall> calls(static_cast<size_t>(PolicyControl<PolicySimCallCountFn>("PolicySimCallCount")()));
    for (size_t i = 0; i < calls.size(); ++i)
        PolicyControl<PolicySimGetCallFn>("PolicySimGetCall")(static_cast<int>(i), &calls[i]);
    return calls;
}

void SettingsFixture::ResetPolicySim() { PolicyControl<PolicySimResetFn>("PolicySimReset")(); }

void SettingsFixture::RefusePolicyInterface(const IID& iid) {
    PolicyControl<PolicySimRefuseInterfaceFn>("PolicySimRefuseInterface")(&iid);
}

}  // namespace settings_test
