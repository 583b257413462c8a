// The section "AUDIODEVINFOXP" of the main program's settings profile, which
// the audio device list tool writes and the Other settings page reads: one
// REG_SZ value per wave output device, named by the device index in decimal.
#pragma once
#include <windows.h>

// HKEY_CURRENT_USER paths of the main program's profile and of the section.
inline constexpr wchar_t kAudioInfoApplicationKey[] = L"Software\\VELK-Panomira\\Velkmira";
inline constexpr wchar_t kAudioInfoSectionName[] = L"AUDIODEVINFOXP";
inline constexpr wchar_t kAudioInfoSectionKey[] = L"Software\\VELK-Panomira\\Velkmira\\AUDIODEVINFOXP";

// Values "0" to "9" are deleted before each run writes its list.
inline constexpr int kAudioInfoClearedValues = 10;

// The open section key with write access, or null. An existing section loses
// its values "0" to "9"; a missing one is created, but only under an existing
// application key (the tool never creates the application key itself).
HKEY OpenAudioInfoKey();
