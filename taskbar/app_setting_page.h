// The Extra desktop page (fourth tab of the settings window): the extra
// taskbar, the desktop icon positions and the gathering of windows.
#pragma once
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/handles.h"
#include "taskbar/desktop_icons.h"
#include <memory>
#include <span>

struct MainDialogState;

// Tells a page's parent (the main dialog) that the page changed, so that it
// enables its Apply button: UM_PAGECHANGED (wParam 0, lParam 1), sent.
void SendPageChanged(HWND page);

class CAppSettingProp : public velk::MessageMapped<CAppSettingProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = 137;
    CAppSettingProp() noexcept;
    ~CAppSettingProp() override;

    // ---- Extra taskbar ----------------------------------------------------
    // Brings the extra taskbars in line with the use-taskbar setting.
    void ApplyUseTaskbar();
    // While the bars run, rebuilds them with the current check-box states.
    void ReapplyTaskbarSettings();
    // Removes every extra taskbar.
    void DestroyExtraTaskbars();
    // UM_APPCREATEDESTROY from the hook library's shell hook; answers 1.
    LRESULT OnAppCreateDestroyNotify(WPARAM w, LPARAM l);

    // ---- The page's settings ("AppSetting") --------------------------------
    // Reads the page's check boxes into its settings (before ApplyUseTaskbar).
    void ReadAppSettingChecks();
    // Writes the page's settings to the profile.
    void SaveAppSettings();
    // Check-box handler shared with the other pages: sends UM_PAGECHANGED.
    void NotifyPageChanged();

    // ---- Desktop icon positions ("IconPosition", "IconPositionBackup") -----
    // Finds the shell's desktop list view into the access (ListView stays
    // null when there is none) and attaches the access's list control.
    void FindDesktopListView(DesktopIconAccess& access);
    static BOOL CALLBACK FindFolderViewProc(HWND window, LPARAM access);
    // Reads one icon's position and text from the list view's process. False
    // (item untouched) when the process cannot be opened, the remote memory
    // cannot be had or the item no longer exists.
    bool ReadDesktopIconItem(DesktopIconAccess& access, int index, DesktopIconItem& item);
    // Writes the present icon positions under the section.
    void SaveIconPositions(const wchar_t* section);
    // 0 all icons in place; > 0 icons still misplaced after the last pass;
    // -1 no application object; -10 the user kept auto-arrange; -20 the
    // saved layout does not fit the present displays.
    int RestoreIconPositions(const wchar_t* section);
    // Number of icons whose saved place does not fit the present displays
    // (-1 without an application object). Leaves the access for the caller.
    int CheckIconLayout(const wchar_t* section);
    void OnBnClickedSaveIcons();
    void OnBnClickedRestoreIcons();

    // The access of the last icon operation, null when released.
    const DesktopIconAccess* IconAccess() const noexcept { return DesktopIcons.get(); }

    static std::span<const velk::MessageEntry<CAppSettingProp>> MessageTable();

    // Timer 2: the icon restore 15 seconds after the page was initialised.
    static constexpr UINT_PTR kTimerRestoreIcons = 2;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(velk::DataExchange& dx) override;

private:
    void OnBnClickedUseTaskbar();
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    // A fresh access in place of the previous one.
    DesktopIconAccess& NewIconAccess();
    void ReleaseDesktopIconAccess() noexcept;
    // The main dialog's shared members (MoveAllowed), null without one.
    MainDialogState* MainDialog() const noexcept;
    bool IsChecked(int id) const noexcept;
    void EnableItem(int id, bool enable) const noexcept;

    std::unique_ptr<DesktopIconAccess> DesktopIcons;
    velk::UniqueHandleObj EnumGuard;  // the named mutex "AppSettingPropEnumApp"
    uint8_t UseTaskbar = 0;
    uint8_t TaskbarOnTop = 0;
    uint8_t SeparateButtons = 0;
    // The five check boxes bound by DoDataExchange.
    velk::CButton UseTaskbarCheck;      // 1062
    velk::CButton AutoHideCheck;        // 1063
    velk::CButton OnTopCheck;           // 1068
    velk::CButton RestoreAtStartCheck;  // 1058
    velk::CButton SeparateCheck;        // 1069
};
