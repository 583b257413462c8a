#include "audiotool/audio_info_key.h"
#include <cwchar>
#include <iterator>

HKEY OpenAudioInfoKey() {
    HKEY section = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kAudioInfoSectionKey, 0, KEY_WRITE, &section) == ERROR_SUCCESS) {
        for (int i = 0; i < kAudioInfoClearedValues; ++i) {
            wchar_t name[16];
            std::swprintf(name, std::size(name), L"%d", i);
            ::RegDeleteValueW(section, name);
        }
        return section;
    }
    HKEY application = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, kAudioInfoApplicationKey, 0, KEY_WRITE, &application) != ERROR_SUCCESS)
        return nullptr;
    section = nullptr;
    if (::RegCreateKeyExW(application, kAudioInfoSectionName, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                          nullptr, &section, nullptr) != ERROR_SUCCESS)
        section = nullptr;
    ::RegCloseKey(application);
    return section;
}
