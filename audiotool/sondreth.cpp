// Sondreth.exe: writes the product name of every wave output device, under
// its device index, into the main program's profile section
// "AUDIODEVINFOXP". The main program runs it as a fresh process so that the
// device order is the one a newly started process sees. No arguments, no
// output, no window; the exit code is always 0.
#include "audiotool/audio_info_key.h"
#include <windows.h>
#include <mmsystem.h>
#include <cwchar>
#include <iterator>

namespace {

// The wave mapper's preferred-device query (mmddk.h).
constexpr UINT kMapperPreferredGet = 0x2015;
// Device ids tried at most: a driver that never answers "bad device id"
// cannot keep the tool, and the page that waits for it, running for ever.
constexpr UINT kMaxDeviceIds = 256;

}  // namespace

int wmain() {
    DWORD preferred = 0, status = 0;
    if (::waveOutMessage(reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(WAVE_MAPPER)), kMapperPreferredGet,
                         reinterpret_cast<DWORD_PTR>(&preferred), reinterpret_cast<DWORD_PTR>(&status)) != 0)
        ::ExitProcess(0);

    HKEY key = OpenAudioInfoKey();
    if (!key) ::ExitProcess(0);

    for (UINT id = 0; id < kMaxDeviceIds; ++id) {
        WAVEOUTCAPSW caps{};
        const MMRESULT result = ::waveOutGetDevCapsW(id, &caps, sizeof(caps));
        if (result == MMSYSERR_BADDEVICEID) break;
        // The reader expects one value per index: a device that cannot tell
        // its name is listed under a name made from its index.
        if (result != MMSYSERR_NOERROR)
            std::swprintf(caps.szPname, std::size(caps.szPname), L"Wave output device %u", id);
        caps.szPname[std::size(caps.szPname) - 1] = L'\0';
        wchar_t name[16];
        std::swprintf(name, std::size(name), L"%0d", static_cast<int>(id));
        const DWORD bytes = static_cast<DWORD>((std::wcslen(caps.szPname) + 1) * sizeof(wchar_t));
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(caps.szPname), bytes);
    }

    ::RegCloseKey(key);
    ::ExitProcess(0);
}
