#include "framework/message_box.h"
#include "framework/app.h"

namespace velk {

int AfxMessageBox(const std::wstring& text, UINT type) {
    HWND owner = nullptr;
    if (CWinApp* app = AfxGetApp(); app && ::IsWindow(app->MainWindow()) && ::IsWindowVisible(app->MainWindow()))
        owner = app->MainWindow();
    else
        owner = ::GetActiveWindow();
    return ::MessageBoxW(owner, text.c_str(), kMessageBoxTitle, type);
}

}  // namespace velk
