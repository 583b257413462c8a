// The About box: product name, version from the program's own version
// resource, a fixed line, the icon, and the web address as a link that opens
// the browser.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "resources/resource.h"
#include <string>

// The address the link shows and opens.
inline constexpr wchar_t kAboutWebAddress[] = L"https://www.velk-dorvix.example/";

class CAboutDlg : public velk::MessageMapped<CAboutDlg, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = IDD_ABOUTBOX;
    CAboutDlg() noexcept : MessageMapped(kTemplateId) {}

    static std::span<const velk::MessageEntry<CAboutDlg>> MessageTable();

    // What the tests read.
    const std::wstring& VersionText() const noexcept { return Version; }
    HFONT LinkFont() const noexcept { return UrlFont.get(); }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    void OnUrlClicked();
    LRESULT OnCtlColor(WPARAM w, LPARAM l);
    LRESULT OnSetCursor(WPARAM w, LPARAM l);

    velk::UniqueFont UrlFont;
    velk::CStatic UrlLink;
    std::wstring Version;
};
