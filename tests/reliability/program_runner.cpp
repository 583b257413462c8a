#include "tests/reliability/program_runner.h"
#include "app/velkmira_app.h"
#include "resources/resource.h"
#include "testing/support/addon_test_support.h"
#include "testing/support/tray_fixture.h"

namespace velk::test {

RunningProgram::~RunningProgram() {
    if (process_.Started() && process_.ExitCode() == STILL_ACTIVE) Close(10000);
    stopWatching_ = true;
    if (boxWatcher_.joinable()) boxWatcher_.join();
}

bool RunningProgram::Start(const std::wstring& exe, bool answerBoxes,
                           const std::function<void(const ChildProcess&)>& started) {
    process_ = ChildProcess::Start(exe);
    if (!process_.Started()) {
        failure_ = "the process did not start";
        return false;
    }
    if (started) started(process_);
    if (answerBoxes) boxWatcher_ = std::thread([this] { WatchBoxes(); });
    const bool running = WaitUntil(kProgramWaitMs, [&] {
        if (!main_) main_ = WaitForWindow(kMainWindowClass, nullptr, 0, process_.Id());
        return (main_ && ::GetPropW(main_, kInstanceProperty)) || process_.ExitCode() != STILL_ACTIVE;
    });
    if (running && main_ && ::GetPropW(main_, kInstanceProperty)) return true;
    failure_ = process_.ExitCode() != STILL_ACTIVE
                   ? "the program ended during start-up with exit code " + std::to_string(process_.ExitCode())
                   : "no instance property within the time";
    return false;
}

void RunningProgram::WatchBoxes() {
    while (!stopWatching_ && process_.ExitCode() == STILL_ACTIVE) {
        if (auto box = WaitForDialog(process_.Id(), 100)) {
            // A page of the settings window is a child, never a top-level dialog:
            // a top-level "#32770" of the program is a message box.
            ::Sleep(100);  // let the box finish its initialisation
            DialogInfo info = ReadDialog(box->hwnd);
            if (::IsWindow(box->hwnd) && info.hwnd != main_) {
                {
                    std::lock_guard lock(boxesMutex_);
                    boxes_.push_back(info.title + L": " + info.text);
                }
                PressDialogButton(box->hwnd, info.HasButton(IDOK) ? IDOK : info.HasButton(IDNO) ? IDNO : IDCANCEL);
                ::Sleep(200);
            }
        }
    }
}

std::vector<std::wstring> RunningProgram::Boxes() {
    std::lock_guard lock(boxesMutex_);
    return boxes_;
}

bool RunningProgram::Apply() {
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(main_, WM_COMMAND, MAKEWPARAM(IDC_APPLY, BN_CLICKED), 0, SMTO_NORMAL, kProgramWaitMs,
                              &ignored))
        return true;
    failure_ = "Apply did not return within the time";
    return false;
}

bool RunningProgram::DisplayChange() {
    // The first display's number goes; the handled change writes it again.
    const std::wstring first = ProfileSection(L"Monitor0");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, first.c_str(), L"DisplayNumber");
    // A value never written before: an unchanged value may not count as a change.
    SetDword(HKEY_LOCAL_MACHINE, kWatchedReliabilityKey, L"Serial", ::GetTickCount() + ++serial_);
    if (WaitUntil(kProgramWaitMs, [&] { return GetValueType(HKEY_CURRENT_USER, first, L"DisplayNumber") == REG_DWORD; }))
        return true;
    failure_ = "the display change was not handled within the time";
    return false;
}

bool RunningProgram::Responsive(DWORD timeoutMs) const {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored) != 0;
}

HWND RunningProgram::PageHolding(int control, int sibling) const {
    struct Search {
        int control, sibling;
        HWND page = nullptr;
    } search{control, sibling};
    ::EnumChildWindows(
        main_,
        [](HWND child, LPARAM param) WINAPI -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            if (!::GetDlgItem(child, s->control) || !::GetDlgItem(child, s->sibling)) return TRUE;
            s->page = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.page;
}

bool RunningProgram::Press(int button, int sibling, bool wait, DWORD timeoutMs) {
    HWND page = PageHolding(button, sibling);
    if (!page) {
        failure_ = "no page holds the button";
        return false;
    }
    const WPARAM command = MAKEWPARAM(button, BN_CLICKED);
    const LPARAM control = reinterpret_cast<LPARAM>(::GetDlgItem(page, button));
    if (!wait) return ::PostMessageW(page, WM_COMMAND, command, control) != FALSE;
    DWORD_PTR ignored = 0;
    if (::SendMessageTimeoutW(page, WM_COMMAND, command, control, SMTO_NORMAL, timeoutMs, &ignored)) return true;
    failure_ = "the pressed button's handler did not return within the time";
    return false;
}

DWORD RunningProgram::Close(DWORD timeoutMs) {
    if (main_) ::PostMessageW(main_, WM_CLOSE, 0, 0);
    process_.Wait(timeoutMs);
    const DWORD code = process_.ExitCode();
    stopWatching_ = true;
    if (boxWatcher_.joinable()) boxWatcher_.join();
    return code;
}

SimulatedAddOnDisplay::SimulatedAddOnDisplay(const wchar_t* displays, bool slowPump) {
    addon_test::SetLibraryPath(addon_test::SimulatedLibraryPath());
    ::SetEnvironmentVariableW(kAddOnSimDisplaysVariable, displays);
    ::SetEnvironmentVariableW(kAddOnSimSlowPumpVariable, slowPump ? L"1" : nullptr);
}

SimulatedAddOnDisplay::~SimulatedAddOnDisplay() {
    ::SetEnvironmentVariableW(kAddOnSimDisplaysVariable, nullptr);
    ::SetEnvironmentVariableW(kAddOnSimSlowPumpVariable, nullptr);
    addon_test::RemoveLibraryPath();
}

const char* AddOnModeName(AddOnMode mode) {
    switch (mode) {
    case AddOnMode::NoLibrary:
        return "no add-on library";
    case AddOnMode::OneDisplay:
        return "simulated add-on library, one display";
    case AddOnMode::SlowOneDisplay:
        return "slow simulated add-on library, one display";
    }
    return "";
}

ProgramAddOn::ProgramAddOn(AddOnMode mode) {
    if (mode == AddOnMode::NoLibrary) addon_test::RemoveLibraryPath();
    else simulated_.emplace(L"7", mode == AddOnMode::SlowOneDisplay);
}

namespace {

void Collect(HKEY key, const std::wstring& prefix, RegistryPicture& picture) {
    std::vector<wchar_t> name(16384);
    std::vector<BYTE> data;
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
        if (::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            break;
        data.assign(size, 0);
        nameLength = static_cast<DWORD>(name.size());
        ::RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, data.data(), &size);
        data.resize(size);
        picture[prefix + L"|" + std::wstring(name.data(), nameLength)] = StoredValue{type, data};
    }
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        if (::RegEnumKeyExW(key, index, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        const std::wstring sub(name.data(), nameLength);
        UniqueKey child;
        if (::RegOpenKeyExW(key, sub.c_str(), 0, KEY_READ, child.put()) == ERROR_SUCCESS)
            Collect(child.get(), prefix.empty() ? sub : prefix + L"\\" + sub, picture);
    }
}

}  // namespace

RegistryPicture PictureOf(HKEY root, const std::wstring& path) {
    RegistryPicture picture;
    UniqueKey key;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS) Collect(key.get(), L"", picture);
    return picture;
}

void WriteValue(HKEY root, const std::wstring& path, const std::wstring& name, const StoredValue& value) {
    ::RegSetKeyValueW(root, path.c_str(), name.c_str(), value.type, value.data.empty() ? nullptr : value.data.data(),
                      static_cast<DWORD>(value.data.size()));
}

}  // namespace velk::test
