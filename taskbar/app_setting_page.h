// The Extra desktop page (fourth tab of the settings window): the extra
// taskbar with its tracked-window table, the desktop icon positions and the
// gathering of windows.
#pragma once
#include "framework/dialog.h"
#include "framework/handles.h"
#include "taskbar/taskbar_button.h"
#include "taskbar/taskbar_theme.h"
#include "taskbar/tracked_windows.h"
#include <cstdint>
#include <memory>
#include <span>

class CTaskbarEx;

// Highest display number that can carry an extra taskbar.
inline constexpr int kExtraTaskbarNumbers = 10;

class CAppSettingProp : public velk::MessageMapped<CAppSettingProp, velk::CDialog> {
public:
    static constexpr UINT kTemplateId = 137;
    // The taskbar refresh timer of the page and its period.
    static constexpr UINT_PTR kTaskbarRefreshTimer = 1;
    static constexpr UINT kTaskbarRefreshMs = 3000;

    CAppSettingProp() noexcept;
    ~CAppSettingProp() override;

    static std::span<const velk::MessageEntry<CAppSettingProp>> MessageTable();

    // Reads the page's check boxes into its settings (before ApplyUseTaskbar).
    void ReadAppSettingChecks();
    // Writes the page's settings to the profile.
    void SaveAppSettings();

    // ---- Tracked windows
    // Rebuilds TrackedWindowTable from the top-level windows.
    void RefreshWindowTable();

    // ---- Taskbar skin
    // Chooses Skin from the user's visual style as the shell records it.
    void DetectTaskbarTheme();

    // ---- The extra-taskbar controller
    // Brings the bars in line with the use-taskbar flag.
    void ApplyUseTaskbar();
    // While the bars run, rebuilds them with the current check-box states.
    void ReapplyTaskbarSettings();
    // One bar per non-primary display of the display table.
    void CreateExtraTaskbars(uint8_t onTop);
    // Removes every bar and button and gives every tracked window back to
    // the Windows taskbar.
    void DestroyExtraTaskbars();
    // Drops the buttons whose window left or changed display, creates the
    // missing ones and tells the Windows taskbar which windows to show.
    void SyncTaskbarButtons();
    void RemoveAllTaskbarButtons();
    // The first button slot without a target, or -1.
    int FindFreeButtonSlot() const noexcept;
    // UM_APPCREATEDESTROY from the hook library's shell hook; answers 1.
    LRESULT OnAppCreateDestroyNotify(WPARAM w, LPARAM l);

    // The bar of a display number, or null.
    CTaskbarEx* ExtraTaskbarOf(int number) const noexcept;

    // Options of the "Taskbar" group (0 or 1 each) and the controller's state.
    uint8_t UseTaskbar = 0;
    uint8_t TaskbarOnTop = 0;
    uint8_t SeparateButtons = 0;  // windows on other displays have buttons only on the extra taskbars
    uint8_t Running = 0;          // 1 while the bars exist
    TaskbarSkin Skin;
    // The bars by display number (index 0 unused).
    std::unique_ptr<CTaskbarEx> ExtraTaskbarByNumber[kExtraTaskbarNumbers + 1];
    // The button slots; a slot is free while its Target is 0.
    CTaskBarButton TaskButtons[kTaskButtonCount];
    // The tracked-window table's guard, from the page's initialisation to its destruction.
    velk::UniqueHandleObj EnumAppMutex;

protected:
    BOOL OnInitDialog() override;

private:
    LRESULT OnTimer(WPARAM w, LPARAM l);
    LRESULT OnDestroy(WPARAM w, LPARAM l);

    // Closes a bar, unregisters it from the shell and deletes it.
    void RemoveExtraTaskbar(int number);
    // Drops button slot i and every button right of it on the same bar.
    void DropTaskButton(int i);
    // The main dialog's window (the page's parent), or null.
    HWND MainWindow() const noexcept;
};
