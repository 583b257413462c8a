// Whole icon sets: written aside, swapped in once complete.
#include "taskbar/desktop_icon_sets.h"

#include "framework/app.h"
#include "framework/handles.h"
#include <shlwapi.h>
#include <vector>

namespace {

using velk::UniqueKey;

// The profile's root key (the application's "Software\<key>\<profile>").
UniqueKey OpenProfileRoot() {
    UniqueKey root;
    const velk::CWinApp* app = velk::AfxGetApp();
    const std::wstring path = app ? app->ProfileKeyPath() : std::wstring();
    if (path.empty()) return root;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr,
                          root.put(), nullptr) != ERROR_SUCCESS)
        root.reset();
    return root;
}

UniqueKey OpenSection(HKEY root, const std::wstring& section, REGSAM access) {
    UniqueKey key;
    if (::RegOpenKeyExW(root, section.c_str(), 0, access, key.put()) != ERROR_SUCCESS) key.reset();
    return key;
}

bool DeleteSection(HKEY root, const std::wstring& section) {
    const DWORD rc = ::SHDeleteKeyW(root, section.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool IsComplete(HKEY aside) {
    DWORD value = 0, type = 0, size = sizeof(value);
    return ::RegQueryValueExW(aside, kIconSetCompleteValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                              &size) == ERROR_SUCCESS &&
           type == REG_DWORD && value == 1;
}

bool SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
           ERROR_SUCCESS;
}

void ClearMarksBelow(HKEY key) {
    ::RegDeleteValueW(key, L"AlreadyRestore");
    // Names first: the walk does not change the key it enumerates.
    std::vector<std::wstring> names;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD units = 256;
        if (::RegEnumKeyExW(key, i, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, units);
    }
    for (const std::wstring& child : names)
        if (UniqueKey sub = OpenSection(key, child, KEY_READ | KEY_WRITE)) ClearMarksBelow(sub.get());
}

}  // namespace

std::wstring IconSetAside(const std::wstring& section) { return section + L"New"; }

void BeginIconSet(const std::wstring& section) {
    if (UniqueKey root = OpenProfileRoot()) DeleteSection(root.get(), IconSetAside(section));
}

bool CompleteIconSet(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    if (!root) return false;
    UniqueKey aside;
    if (::RegCreateKeyExW(root.get(), IconSetAside(section).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, aside.put(),
                          nullptr) != ERROR_SUCCESS ||
        !SetDword(aside.get(), kIconSetCompleteValue, 1))
        return false;
    aside.reset();
    return CommitIconSet(section);
}

bool CommitIconSet(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    if (!root) return false;
    const std::wstring asideName = IconSetAside(section);
    UniqueKey aside = OpenSection(root.get(), asideName, KEY_READ);
    if (!aside || !IsComplete(aside.get())) return false;
    const bool savedSet = section == kIconSetSection;
    // A new saved set leaves no backup.
    if (savedSet && !DeleteSection(root.get(), kIconBackupSection)) return false;
    if (!DeleteSection(root.get(), section)) return false;
    UniqueKey target;
    if (::RegCreateKeyExW(root.get(), section.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, target.put(),
                          nullptr) != ERROR_SUCCESS)
        return false;
    if (::SHCopyKeyW(aside.get(), nullptr, target.get(), 0) != ERROR_SUCCESS) return false;
    ::RegDeleteValueW(target.get(), kIconSetCompleteValue);
    if (savedSet && !SetDword(target.get(), L"IconSaveFlag", 1)) return false;
    aside.reset();
    // Until here the complete set aside is what the next start swaps in.
    return DeleteSection(root.get(), asideName);
}

void RecoverIconSets() {
    UniqueKey root = OpenProfileRoot();
    if (!root) return;
    for (const wchar_t* section : {kIconBackupSection, kIconSetSection}) {
        const std::wstring asideName = IconSetAside(section);
        UniqueKey aside = OpenSection(root.get(), asideName, KEY_READ);
        if (!aside) continue;
        const bool complete = IsComplete(aside.get());
        aside.reset();
        if (!complete || !CommitIconSet(section)) {
            // An unfinished set aside is dropped; the one in place stays.
            if (!complete) DeleteSection(root.get(), asideName);
        }
    }
}

void ClearRestoreMarks(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    if (!root) return;
    if (UniqueKey key = OpenSection(root.get(), section, KEY_READ | KEY_WRITE)) ClearMarksBelow(key.get());
}
