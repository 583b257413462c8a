// Window messages between the parts of the program.
#pragma once
#include <windows.h>

inline constexpr UINT UM_WINMOVENEXT = 0xA001;       // hook library: a system-menu item was chosen
inline constexpr UINT UM_MENUPOPUP = 0xA003;         // hook library: a system menu is about to open
inline constexpr UINT UM_MENUSELECTED = 0xA004;      // hook library: a menu has closed
inline constexpr UINT UM_APPCREATEDESTROY = 0xA005;  // hook library: a shell event
inline constexpr UINT UM_TRAYNOTIFY = 0xA010;        // tray icon, and a second start
inline constexpr UINT UM_PAGECHANGED = 0xA020;       // a settings page changed (lParam 1)
inline constexpr UINT UM_ICONJOBRUNNING = 0xA021;    // to the Extra desktop page: 1 while an icon save or restore runs
inline constexpr UINT UM_DISPLAYCHANGED = 0xA040;    // display watch thread
inline constexpr UINT UM_ADDONCALLBACK = 0xA100;     // add-on library notification
