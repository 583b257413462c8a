// The shell's Active Desktop object, created in one place for every part
// that reads or sets the desktop's wallpaper or options through it.
#pragma once
#include "framework/handles.h"
#include <windows.h>
#include <wininet.h>  // before shlobj.h: declares what IActiveDesktop needs
#include <shlobj.h>

// The shell's Active Desktop object (COM must be initialised on the thread),
// or null when the shell has none.
velk::ComPtr<IActiveDesktop> CreateActiveDesktop();
