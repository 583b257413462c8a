// What the Setting page reads of the window that holds it: the add-on access
// and the Other settings page's choices, which the Setting page's apply
// carries out.
#pragma once

class AddOnMonitor;

class SettingPageHost {
public:
    // The program's add-on access; null when there is none.
    virtual AddOnMonitor* AddOnAccess() const noexcept = 0;
    // The Other settings page's "optimise for video" box is checked.
    virtual bool IsVideoOptimizeChosen() const = 0;
    // The Other settings page makes its chosen playback device the default.
    virtual void ApplyDefaultAudioDevice() = 0;

protected:
    ~SettingPageHost() = default;
};
