#include "tests/app/settings/settings_fixture.h"
#include "app/velkmira_app.h"
#include "display/addon_access.h"
#include "framework/handles.h"
#include "display/program_messages.h"
#include "resources/resource.h"
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
    ::SystemParametersInfoW(SPI_SETMOUSESONAR, 0, nullptr, 0);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKeyPath, kRunValueName);
    ResetProfile();
}

void SettingsFixture::Command(HWND window, UINT id, UINT code) {
    ::SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(::GetDlgItem(window, id)));
}

void SettingsFixture::AddSimDisplay(uint32_t adapterId) {
    ASSERT_NE(addon_test::Sim().AddDisplay(adapterId, 2), 0u);
    simDisplays.push_back(adapterId);
}

void SettingsFixture::AddDisplayLinkDisplays(std::initializer_list<uint32_t> adapterIds) {
    for (uint32_t id : adapterIds) {
        AddSimDisplay(id);
        addon_test::Sim().SetState(id, 2, 1, 3);
    }
}

namespace {
velk::test::FakeTopology& SideBySide(velk::test::FakeTopology& topology) {
    using velk::test::ActiveDisplay;
    topology.Add(ActiveDisplay(1, {0, 0, 1024, 768}, true));
    topology.Add(ActiveDisplay(2, {1024, 0, 2048, 768}));
    topology.Add(ActiveDisplay(3, {2048, 0, 3072, 768}));
    return topology;
}
}  // namespace

ThreeDisplaysSideBySide::ThreeDisplaysSideBySide()
    : monitors(velk::test::MonitorEnumKey::ValuesFor(SideBySide(topology))) {}

void SettingsFixture::RemoveSimDisplays() {
    if (addon_test::Sim::Loaded())
        for (uint32_t id : simDisplays) addon_test::Sim().RemoveDisplay(id);
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

FakeSettingHost::FakeSettingHost() : CDialog(IDD_ABOUTBOX) { setting.SetHost(this); }

FakeSettingHost::~FakeSettingHost() {
    // The pages go first, as inside the main dialog.
    if (setting.GetSafeHwnd()) ::DestroyWindow(setting.GetSafeHwnd());
    if (other.GetSafeHwnd()) ::DestroyWindow(other.GetSafeHwnd());
    if (CurrentDisplayList() == &table) SetCurrentDisplayList(nullptr);
    addOn.reset();
    if (GetSafeHwnd()) ::DestroyWindow(GetSafeHwnd());
}

LRESULT FakeSettingHost::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == UM_PAGECHANGED && w == 0 && l == 1) ++pageChanged;
    return CDialog::WindowProc(msg, w, l);
}

void SettingPagesTest::TearDown() {
    host.reset();
    SettingsFixture::TearDown();
}

void SettingPagesTest::Start() {
    host = std::make_unique<FakeSettingHost>();
    ASSERT_TRUE(host->Create(nullptr)) << "host: " << ::GetLastError();
    host->addOn = AddOnMonitor::Create(BuildAddOnProductIdList().data(), host->GetSafeHwnd());
    velk::UniqueKey profile;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kProfileKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, profile.put(),
                                nullptr),
              ERROR_SUCCESS);
    host->table.AddOn = host->addOn.get();
    host->table.OwnerWindow = host->GetSafeHwnd();
    SetCurrentDisplayList(&host->table);
    uint32_t highest = 0;
    int32_t count = 0;
    BuildDisplayList(&highest, &count);
    ASSERT_TRUE(host->setting.Create(host->GetSafeHwnd()));
    ASSERT_TRUE(host->other.Create(host->GetSafeHwnd()));
    host->setting.LoadSettingPage();
    host->other.LoadOtherSetting();
}

}  // namespace settings_test
