// The renumbering dialog when the string table lacks its column headings: each
// missing heading is reported by its own error number and its column is left
// out; the dialog still opens.
#include "app/change_number_dialog.h"
#include "app/velkmira_app.h"
#include "testing/harness.h"
#include <gtest/gtest.h>
#include <commctrl.h>
#include <atomic>
#include <thread>
#include <vector>

using namespace velk::test;

TEST(ChangeNumberMissingStrings, EachMissingHeadingReportsItsNumber) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&controls);
    // Answers every message box this process shows and records its text.
    std::vector<std::wstring> texts;
    std::atomic<bool> stop = false;
    std::thread answerer([&] {
        while (!stop) {
            auto box = WaitForDialog(::GetCurrentProcessId(), 200);
            if (!box) continue;
            ::Sleep(50);
            texts.push_back(ReadDialog(box->hwnd).text);
            PressDialogButton(box->hwnd, IDOK);
            for (int i = 0; i < 250 && ::IsWindow(box->hwnd); ++i) ::Sleep(20);
        }
    });
    CChangeNumber dialog;
    const bool created = dialog.Create(nullptr);
    stop = true;
    answerer.join();
    ASSERT_TRUE(created);
    const std::vector<std::wstring> expected = {
        L"An unexpected error occurred. Error Number 1012.",
        L"An unexpected error occurred. Error Number 1011.",
        L"An unexpected error occurred. Error Number 1013.",
    };
    EXPECT_EQ(texts, expected);
    HWND header = reinterpret_cast<HWND>(::SendDlgItemMessageW(dialog.GetSafeHwnd(), 1083, LVM_GETHEADER, 0, 0));
    EXPECT_EQ(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 0);
    // The captions that are there are still set.
    wchar_t up[16] = {};
    ::GetDlgItemTextW(dialog.GetSafeHwnd(), 1086, up, 16);
    EXPECT_STREQ(up, L"Up");
    dialog.DestroyWindowNow();
}
