// What the Extra desktop page reads of the window that holds it: whether the
// settings window is shown (the host keeps its taskbar tab only then) and the
// gate through which Gather moves windows.
#pragma once
#include "display/window_movement.h"

class AppSettingHost {
public:
    virtual bool IsSettingsShown() const noexcept = 0;
    virtual MoveGate& WindowMoveGate() noexcept = 0;

protected:
    ~AppSettingHost() = default;
};
