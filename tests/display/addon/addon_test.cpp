// The add-on access. Its load state lives for the whole process, so every
// scenario of addon_scenarios runs in a process of its own; what needs no load
// state is tested here directly.
#include "display/addon_access.h"
#include "testing/harness.h"
#include "testing/support/addon_test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

using namespace addon_test;

namespace {

constexpr wchar_t kScenarioProgram[] = L"addon_scenarios.exe";

// The scenario names, as the scenario program lists them.
std::vector<std::string> ListScenarios() {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring listFile = std::wstring(temp) + L"addon_scenarios_list.json";
    ::DeleteFileW(listFile.c_str());
    auto child = velk::test::ChildProcess::Start(kScenarioProgram,
                                                 L"--gtest_list_tests \"--gtest_output=json:" + listFile + L"\"");
    if (!child.Started() || !child.Wait(60000) || child.ExitCode() != 0) return {};
    std::ifstream in{std::filesystem::path(listFile)};
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    ::DeleteFileW(listFile.c_str());

    std::vector<std::string> names;
    const std::string json = text.str();
    static const std::regex kName("\"name\": \"([A-Za-z0-9_]+)\"");
    for (auto it = std::sregex_iterator(json.begin(), json.end(), kName); it != std::sregex_iterator(); ++it) {
        std::string name = (*it)[1];
        if (name != "AllTests" && name != "AddOnScenario") names.push_back(name);
    }
    return names;
}

TEST(AddOnAccess, EveryScenarioPassesInAProcessOfItsOwn) {
    const std::vector<std::string> scenarios = ListScenarios();
    ASSERT_GE(scenarios.size(), 10u) << "the scenario program could not list its scenarios";
    for (const std::string& name : scenarios) {
        SCOPED_TRACE(name);
        const std::wstring filter = L"--gtest_filter=AddOnScenario." + std::wstring(name.begin(), name.end());
        auto child = velk::test::ChildProcess::Start(kScenarioProgram, filter);
        ASSERT_TRUE(child.Started()) << "start failed with error " << child.StartError();
        ASSERT_TRUE(child.Wait(120000)) << "scenario did not end";
        EXPECT_EQ(child.ExitCode(), 0u) << "scenario " << name << " failed";
    }
}

TEST(AddOnAccess, ProductIdListDependsOnTheWindowsVersion) {
    velk::test::PlatformOverride seam;
    const std::vector<uint32_t> makersAdapters = {0x0160, 0x0170, 0x0180, 0};
    velk::test::FakeWindowsVersion(5, 1);
    EXPECT_EQ(BuildAddOnProductIdList(), makersAdapters);
    velk::test::FakeWindowsVersion(6, 0);
    EXPECT_EQ(BuildAddOnProductIdList(), makersAdapters);
    velk::test::FakeWindowsVersion(6, 1);
    EXPECT_EQ(BuildAddOnProductIdList(), std::vector<uint32_t>{0});
    velk::test::FakeWindowsVersion(10, 0);
    EXPECT_EQ(BuildAddOnProductIdList(), std::vector<uint32_t>{0});
}

TEST(AddOnAccess, LibraryPathIsReadFromTheMachineKey) {
    RemoveLibraryPath();
    EXPECT_EQ(ReadAddOnApiPath(), "");
    SetLibraryPath(L"C:\\Program Files\\DisplayLink Core Software\\AddOnApi.dll");
    EXPECT_EQ(ReadAddOnApiPath(), "C:\\Program Files\\DisplayLink Core Software\\AddOnApi.dll");
    // A value of another type names no file.
    RemoveLibraryPath();
    velk::test::SetDword(HKEY_LOCAL_MACHINE, kCoreKey, kPathValue, 1);
    EXPECT_EQ(ReadAddOnApiPath(), "");
    // A value longer than the 260-byte buffer is not cut into another path.
    RemoveLibraryPath();
    SetLibraryPath(L"C:\\" + std::wstring(300, L'a') + L"\\AddOnApi.dll");
    EXPECT_EQ(ReadAddOnApiPath(), "");
    RemoveLibraryPath();
}

TEST(AddOnAccess, BindingHookActsOnlyForItsLibrary) {
    HMODULE program = ::GetModuleHandleW(nullptr);
    HMODULE other = ::GetModuleHandleW(L"kernel32.dll");
    auto hook = [](velk::BinderEvent event, const char* library, const char* entry, HMODULE module) {
        return AddOnDelayLoadHook(event, velk::BinderRecord{library, entry, module, 0});
    };
    // The name is compared exactly, case included.
    EXPECT_EQ(hook(velk::BinderEvent::BeforeLoadLibrary, "addonapi.dll", nullptr, nullptr), nullptr);
    EXPECT_EQ(hook(velk::BinderEvent::BeforeLoadLibrary, "Other.dll", nullptr, nullptr), nullptr);
    EXPECT_EQ(hook(velk::BinderEvent::BeforeGetProcAddress, "ADDONAPI.DLL", "dlGetNivoDisplay", program), nullptr);
    // Entry points of the loaded library are resolved as usual.
    EXPECT_EQ(hook(velk::BinderEvent::BeforeGetProcAddress, "AddOnApi.dll", "dlGetNivoDisplay", other), nullptr);

    // In the program's own module every entry point gets its substitute.
    FARPROC noDisplay = hook(velk::BinderEvent::BeforeGetProcAddress, "AddOnApi.dll", "dlGetNivoDisplay", program);
    ASSERT_NE(noDisplay, nullptr);
    EXPECT_EQ(reinterpret_cast<dlGetNivoDisplayFn>(reinterpret_cast<void (*)()>(noDisplay))(0), 0u);
    FARPROC failing = hook(velk::BinderEvent::BeforeGetProcAddress, "AddOnApi.dll", "dlGetRotation", program);
    ASSERT_NE(failing, nullptr);
    int32_t rotation = 5;
    EXPECT_EQ(reinterpret_cast<dlGetRotationFn>(reinterpret_cast<void (*)()>(failing))(1, dlDisplayScope, &rotation),
              dlResultNotAvailable);
    EXPECT_EQ(rotation, 5);
    EXPECT_EQ(hook(velk::BinderEvent::BeforeGetProcAddress, "AddOnApi.dll", "dlUnknown", program), nullptr);
    // A library that lacks an entry point answers through the substitute.
    EXPECT_NE(hook(velk::BinderEvent::GetProcAddressFailed, "AddOnApi.dll", "dlSetRotation", other), nullptr);
}

}  // namespace
