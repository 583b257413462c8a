#include "framework/app.h"
#include "framework/handles.h"
#include <shlwapi.h>

namespace velk {
namespace {
CWinApp* g_app = nullptr;

// Opens (creating when asked) the key of one profile section.
UniqueKey OpenSection(const std::wstring& profile, const wchar_t* section, bool create) {
    UniqueKey key;
    if (profile.empty() || !section) return key;
    std::wstring path = profile + L"\\" + section;
    if (create) {
        ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                          KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr);
    } else {
        ::RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.put());
    }
    return key;
}
}  // namespace

CWinApp::CWinApp(const wchar_t* profileName) noexcept
    : profileName_(profileName ? profileName : L""), instance_(::GetModuleHandleW(nullptr)) {
    g_app = this;
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CWinApp::SetRegistryKey(const wchar_t* key) { registryKey_ = key ? key : L""; }

std::wstring CWinApp::ProfileKeyPath() const {
    if (registryKey_.empty()) return {};
    return L"Software\\" + registryKey_ + L"\\" + profileName_;
}

UINT CWinApp::GetProfileInt(const wchar_t* section, const wchar_t* entry, int defaultValue) const {
    UniqueKey key = OpenSection(ProfileKeyPath(), section, false);
    if (!key) return static_cast<UINT>(defaultValue);
    DWORD value = 0, type = 0, size = sizeof(value);
    if (::RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value))
        return static_cast<UINT>(defaultValue);
    return value;
}

BOOL CWinApp::WriteProfileInt(const wchar_t* section, const wchar_t* entry, int value) const {
    UniqueKey key = OpenSection(ProfileKeyPath(), section, true);
    if (!key) return FALSE;
    DWORD data = static_cast<DWORD>(value);
    return ::RegSetValueExW(key.get(), entry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                            sizeof(data)) == ERROR_SUCCESS;
}

std::wstring CWinApp::GetProfileString(const wchar_t* section, const wchar_t* entry,
                                       const wchar_t* defaultValue) const {
    std::wstring fallback = defaultValue ? defaultValue : L"";
    UniqueKey key = OpenSection(ProfileKeyPath(), section, false);
    if (!key) return fallback;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key.get(), entry, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return fallback;
    // A value too long for any of our texts is damaged: treat it as missing.
    constexpr DWORD kMaxBytes = 64 * 1024;
    if (size > kMaxBytes) return fallback;
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD got = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(key.get(), entry, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &got) !=
        ERROR_SUCCESS)
        return fallback;
    text.resize(got / sizeof(wchar_t));
    // Registry strings need not be terminated; cut at the first terminator.
    if (auto end = text.find(L'\0'); end != std::wstring::npos) text.resize(end);
    return text;
}

BOOL CWinApp::WriteProfileString(const wchar_t* section, const wchar_t* entry, const wchar_t* value) const {
    UniqueKey key = OpenSection(ProfileKeyPath(), section, true);
    if (!key) return FALSE;
    if (!entry) {
        // No entry: the whole section goes.
        key.reset();
        std::wstring path = ProfileKeyPath() + L"\\" + section;
        return ::SHDeleteKeyW(HKEY_CURRENT_USER, path.c_str()) == ERROR_SUCCESS;
    }
    if (!value) return ::RegDeleteValueW(key.get(), entry) == ERROR_SUCCESS;
    DWORD bytes = static_cast<DWORD>((::lstrlenW(value) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key.get(), entry, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes) ==
           ERROR_SUCCESS;
}

CWinApp* AfxGetApp() noexcept { return g_app; }

int RunApplication(CWinApp& app) {
    if (!app.InitInstance()) return 0;
    return app.Run();
}

}  // namespace velk
