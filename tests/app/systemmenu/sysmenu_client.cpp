// Helper process of the system-menu end-to-end test: a window of another
// process whose window menu is opened for real while the test's main dialog
// holds the system hooks.
//
//   sysmenu_client <report window, hex> <command to choose, hex>
#include <windows.h>
#include <cwchar>
#include "tests/app/systemmenu/menu_client.h"

int wmain(int argc, wchar_t** argv) {
    using namespace velk::test::sysmenu;
    if (argc != 3) return kBadArguments;
    HWND report = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(std::wcstoull(argv[1], nullptr, 16)));
    const UINT command = static_cast<UINT>(std::wcstoul(argv[2], nullptr, 16));
    return RunMenuClient(report, command);
}
