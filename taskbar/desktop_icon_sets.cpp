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

bool Exists(HKEY root, const std::wstring& section) { return static_cast<bool>(OpenSection(root, section, KEY_READ)); }

bool DeleteSection(HKEY root, const std::wstring& section) {
    const DWORD rc = ::SHDeleteKeyW(root, section.c_str());
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

bool IsMarked(HKEY root, const std::wstring& section) {
    UniqueKey key = OpenSection(root, section, KEY_READ);
    DWORD value = 0, type = 0, size = sizeof(value);
    return key &&
           ::RegQueryValueExW(key.get(), kIconSetCompleteValue, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                              &size) == ERROR_SUCCESS &&
           type == REG_DWORD && value == 1;
}

bool SetDword(HKEY root, const std::wstring& section, const wchar_t* name, DWORD value) {
    UniqueKey key;
    return ::RegCreateKeyExW(root, section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr) ==
               ERROR_SUCCESS &&
           ::RegSetValueExW(key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
               ERROR_SUCCESS;
}

bool Mark(HKEY root, const std::wstring& section, bool complete) {
    if (complete) return SetDword(root, section, kIconSetCompleteValue, 1);
    UniqueKey key = OpenSection(root, section, KEY_WRITE);
    if (!key) return false;
    const LONG rc = ::RegDeleteValueW(key.get(), kIconSetCompleteValue);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// The set in place is complete: it takes the mark from the set aside, which
// loses it before it is deleted (half of it is never taken for a complete
// set); then the saved set gets its flag and the set in place loses the mark.
bool EndSwap(HKEY root, const std::wstring& section) {
    const std::wstring aside = IconSetAside(section);
    if (!Mark(root, section, true)) return false;
    if (Exists(root, aside) && (!Mark(root, aside, false) || !DeleteSection(root, aside))) return false;
    if (section == kIconSetSection && !SetDword(root, section, L"IconSaveFlag", 1)) return false;
    return Mark(root, section, false);
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

bool MarkIconSetComplete(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    return root && SetDword(root.get(), IconSetAside(section), kIconSetCompleteValue, 1);
}

void DropBackupForNewSet() {
    if (UniqueKey root = OpenProfileRoot()) DeleteSection(root.get(), kIconBackupSection);
}

bool StartSwap(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    if (!root || !IsMarked(root.get(), IconSetAside(section))) return false;
    UniqueKey target;
    return DeleteSection(root.get(), section) &&
           ::RegCreateKeyExW(root.get(), section.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, target.put(), nullptr) ==
               ERROR_SUCCESS;
}

std::vector<std::wstring> IconSetParts(const std::wstring& section) {
    std::vector<std::wstring> names;
    UniqueKey root = OpenProfileRoot();
    UniqueKey aside = root ? OpenSection(root.get(), IconSetAside(section), KEY_READ) : UniqueKey();
    wchar_t name[256];
    for (DWORD i = 0; aside; ++i) {
        DWORD units = 256;
        if (::RegEnumKeyExW(aside.get(), i, name, &units, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, units);
    }
    return names;
}

bool CopyIconSetPart(const std::wstring& section, const std::wstring& part) {
    UniqueKey root = OpenProfileRoot();
    UniqueKey aside = root ? OpenSection(root.get(), IconSetAside(section), KEY_READ) : UniqueKey();
    UniqueKey to;
    return aside &&
           ::RegCreateKeyExW(root.get(), (section + L"\\" + part).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                             to.put(), nullptr) == ERROR_SUCCESS &&
           ::SHCopyKeyW(aside.get(), part.c_str(), to.get(), 0) == ERROR_SUCCESS;
}

bool EndSwap(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    return root && EndSwap(root.get(), section);
}

bool SwapInIconSet(const std::wstring& section) {
    if (section == kIconSetSection) DropBackupForNewSet();
    if (!StartSwap(section)) return false;
    for (const std::wstring& part : IconSetParts(section))
        if (!CopyIconSetPart(section, part)) return false;
    return EndSwap(section);
}

void RecoverIconSets() {
    UniqueKey root = OpenProfileRoot();
    if (!root) return;
    for (const wchar_t* section : {kIconBackupSection, kIconSetSection}) {
        const std::wstring aside = IconSetAside(section);
        if (IsMarked(root.get(), aside)) {
            SwapInIconSet(section);  // the set in place may be a copy cut short: made again
        } else if (IsMarked(root.get(), section)) {
            EndSwap(root.get(), section);  // copied whole, not yet finished
        } else {
            DeleteSection(root.get(), aside);  // unfinished: the set in place stays
        }
    }
}

void ClearRestoreMarks(const std::wstring& section) {
    UniqueKey root = OpenProfileRoot();
    if (!root) return;
    if (UniqueKey key = OpenSection(root.get(), section, KEY_READ | KEY_WRITE)) ClearMarksBelow(key.get());
}
