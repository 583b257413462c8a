// Resource ids of Velkmira.exe. Included by the resource script and by the
// C++ sources; keep it to plain preprocessor defines.
#ifndef VELK_RESOURCES_RESOURCE_H
#define VELK_RESOURCES_RESOURCE_H

// ---------------------------------------------------------------------------
// Version of the program (the About box reads the product version back from
// the version resource).
#define VELK_VERSION_MAJOR 3
#define VELK_VERSION_MINOR 5
#define VELK_VERSION_PATCH 0
#define VELK_VERSION_BUILD 0
#define VELK_VERSION_NUMBERS 3, 5, 0, 0
#define VELK_VERSION_TEXT "3.5.0.0"

// ---------------------------------------------------------------------------
// Dialog templates
#define IDD_ABOUTBOX 100          // About box
#define IDD_VELKMIRA_DIALOG 102   // main dialog (the settings window)
#define IDD_SETTING_PAGE 134      // tab 0: Setting page
#define IDD_WALLPAPER_PAGE 135    // tab 1: Wallpaper page
#define IDD_HOTKEY_PAGE 136       // tab 2: Hotkey page
#define IDD_APPSETTING_PAGE 137   // tab 3: Extra desktop page
#define IDD_CHANGE_NUMBER 161     // display renumbering dialog
#define IDD_OTHER_SETTING_PAGE 162  // tab 4: Other settings page

// Controls of the main dialog (OK and Cancel are IDOK and IDCANCEL)
#define IDC_MAIN_TAB 1006          // tab control holding the five pages
#define IDC_APPLY 1018             // Apply button
#define IDC_IDENTIFY_DISPLAY 1028  // "Identify Display" button

// ---------------------------------------------------------------------------
// Icons
#define IDI_MAINFRAME 128      // program icon, also the main window class icon
#define IDI_TRAY 133           // tray icon while running (Windows 5.1 and later)
#define IDI_TRAY_LEGACY 134    // tray icon while running before Windows 5.1
#define IDI_ABOUT 140          // picture of the About box
#define IDI_TRAY_WAIT 149      // tray icon while the program is starting

// ---------------------------------------------------------------------------
// Tray menu and its commands
#define IDR_TRAY_MENU 4
#define ID_TRAY_SETTING 32775
#define ID_TRAY_EXIT 32776
#define ID_TRAY_DISPLAY_PROPERTY 32781
#define ID_TRAY_IDENTIFY_DISPLAY 32783
#define ID_TRAY_VERSION 32785
#define ID_TRAY_HELP 32786

// ---------------------------------------------------------------------------
// Skins of the extra taskbar's buttons (24-bit bitmaps; 160 to 171 are
// 160 x 25 pixels, 172 to 175 are 160 x 29 pixels)
#define IDB_SKIN_OLIVE_NORMAL 160
#define IDB_SKIN_OLIVE_HOT 161
#define IDB_SKIN_OLIVE_ACTIVE 162
#define IDB_SKIN_OLIVE_ACTIVE_HOT 163
#define IDB_SKIN_BLUE_ACTIVE_HOT 164
#define IDB_SKIN_BLUE_ACTIVE 165
#define IDB_SKIN_BLUE_NORMAL 166
#define IDB_SKIN_BLUE_HOT 167
#define IDB_SKIN_SILVER_ACTIVE_HOT 168
#define IDB_SKIN_SILVER_ACTIVE 169
#define IDB_SKIN_SILVER_NORMAL 170
#define IDB_SKIN_SILVER_HOT 171
#define IDB_SKIN_TALL_ACTIVE_HOT 172
#define IDB_SKIN_TALL_ACTIVE 173
#define IDB_SKIN_TALL_NORMAL 174
#define IDB_SKIN_TALL_HOT 175

// ---------------------------------------------------------------------------
// Strings

// Product name, window caption and tray tip
#define IDS_APP_TITLE 101
#define IDS_PRODUCT_NAME 145
#define IDS_PLEASE_WAIT 500

// Tab texts of the settings window
#define IDS_TAB_SETTINGS 105
#define IDS_TAB_WALLPAPER 106
#define IDS_TAB_EXTRA_DESKTOP 147
#define IDS_TAB_HOTKEY 148
#define IDS_TAB_OTHER_SETTINGS 149

// Buttons of the settings window
#define IDS_CANCEL 144
#define IDS_APPLY 170
#define IDS_IDENTIFY_DISPLAY 157

// Tray menu items
#define IDS_MENU_SETTING 150
#define IDS_MENU_DISPLAY_PROPERTY 151   // before Windows 6.0
#define IDS_MENU_VERSION 154
#define IDS_MENU_HELP 155
#define IDS_MENU_EXIT 156
#define IDS_MENU_DISPLAY_SETTINGS 158   // Windows 6.0
#define IDS_CHANGE_APPEARANCE 164       // Windows 6.1 and later; Setting page button

// Help file
#define IDS_HELP_WINDOW_TITLE 191
#define IDS_ASK_CLOSE_HELP 192

// Start-up and error messages
#define IDS_ALREADY_STARTED 119
#define IDS_ERROR_LOAD_LIBRARY 200
#define IDS_ERROR_GET_FUNCTION 201
#define IDS_ERROR_NUMBER 202
#define IDS_ERROR_HOOK 203
#define IDS_ASK_ENABLE_ACTIVE_DESKTOP 146

// Items added to other programs' system menus; hotkey labels
#define IDS_MOVE_WINDOW_NEXT 113
#define IDS_MOVE_WINDOW_PREV 114
#define IDS_DISPLAY 115
#define IDS_MOVE_WINDOW_TO_DISPLAY1 121
#define IDS_MOVE_MOUSE_NEXT 131
#define IDS_MOVE_MOUSE_PREV 132
#define IDS_MOVE_MOUSE_TO_DISPLAY1 133
#define IDS_MOVE_WINDOW_TO_DISPLAY_N 195
#define IDS_MOVE_MOUSE_TO_DISPLAY_N 196

// Hotkey page
#define IDS_HOTKEY_COL_ASSIGN 117
#define IDS_HOTKEY_COL_FUNCTION 118
#define IDS_HOTKEY_RESET_QUESTION 168
#define IDS_HOTKEY_DEFAULT 169
#define IDS_HOTKEY_LIST 171
#define IDS_HOTKEY_CHANGE_GROUP 172
#define IDS_HOTKEY_CHANGE 173
#define IDS_INVALID_SETTING 204
#define IDS_HOTKEY_IN_USE 206

// Setting page
#define IDS_DO_NOT_RESIZE 174
#define IDS_RESIZE 175
#define IDS_RESIZE_GROUP 176
#define IDS_MULTIDISPLAY_GROUP 177
#define IDS_EXTEND_MODE 178
#define IDS_MIRROR_MODE 179
#define IDS_UTILITY_GROUP 180
#define IDS_RUN_AT_STARTUP 181
#define IDS_MOUSE_SONAR 182
#define IDS_DISPLAY_MODE 183
#define IDS_ROTATION 184
#define IDS_ROTATION_NORMAL 185
#define IDS_ROTATION_LEFT90 186
#define IDS_ROTATION_180 187
#define IDS_ROTATION_RIGHT90 188
#define IDS_CHANGE_APPEARANCE_DESC 250

// Wallpaper page
#define IDS_STYLE_CENTER 109
#define IDS_STYLE_TILE 110
#define IDS_STYLE_EXPAND 111
#define IDS_STYLE_KEEP_RATIO 112
#define IDS_USE_WALLPAPER 143
#define IDS_WALLPAPER_DISPLAY 160
#define IDS_WALLPAPER_FILE 161
#define IDS_WALLPAPER_STYLE 162
#define IDS_WALLPAPER_COLOR 163
#define IDS_AUTO_CHANGE 470
#define IDS_AUTO_CHANGE_INTERVAL 471
#define IDS_ORDER_NAME_ASC 472
#define IDS_ORDER_NAME_DESC 473
#define IDS_ORDER_DATE_NEWEST 474
#define IDS_ORDER_DATE_OLDEST 475
#define IDS_ORDER_RANDOM 476
#define IDS_AUTO_CHANGE_ORDER 477

// Other settings page
#define IDS_VIDEO_OPTIMIZE 165
#define IDS_OTHER_VIDEO_GROUP 630
#define IDS_OTHER_SOUND_GROUP 631
#define IDS_OTHER_PLAYBACK_DEVICE 632
#define IDS_OTHER_AUDIO_PROPERTY 633

// Display renumbering dialog
#define IDS_NUMBERING_TITLE 450
#define IDS_NUMBERING_COL_NUMBER 451
#define IDS_NUMBERING_COL_DESCRIPTION 452
#define IDS_NUMBERING_COL_SYSTEM_ID 453
#define IDS_USE_APP_NUMBER 454
#define IDS_NUMBER_UP 455
#define IDS_NUMBER_DOWN 456

// Desktop icon positions
#define IDS_ICON_RESTORE_FAILED 401
#define IDS_ASK_UNCHECK_AUTO_ARRANGE 402

// Extra desktop page
#define IDS_USE_EXTRA_TASKBAR 600
#define IDS_TASKBAR_AUTO_HIDE 601
#define IDS_TASKBAR_ON_TOP 602
#define IDS_TASKBAR_GROUP 603
#define IDS_TASKBAR_SEPARATE_BUTTONS 604
#define IDS_ICON_POSITION_GROUP 610
#define IDS_ICON_SAVE_DESC 611
#define IDS_ICON_RESTORE_DESC 612
#define IDS_ICON_RESTORE_AT_START 613
#define IDS_ICON_SAVE 614
#define IDS_ICON_RESTORE 615
#define IDS_WINDOW_POSITION_GROUP 620
#define IDS_GATHER_DESC 621
#define IDS_RESTORE_WINDOWS_DESC 622
#define IDS_GATHER 623
#define IDS_RESTORE_WINDOWS 624

// ---------------------------------------------------------------------------
// Controls of the About box, the settings pages and the renumbering dialog.
// Ids are unique within one dialog only: the same number may name different
// controls in different dialogs, so each dialog's names carry its own prefix.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)            // controls that no code addresses
#endif

// About box
#define IDC_ABOUT_URL 1036         // web address, clickable (notify style)
#define IDC_ABOUT_PRODUCT 1043     // product name
#define IDC_ABOUT_VERSION 1074     // "Version x.y.z.w"

// Setting page
#define IDC_SET_RESIZE_FIXED 1002      // radio "Do not resize a window."
#define IDC_SET_RESIZE_SCALE 1003      // radio "Resize a window."
#define IDC_SET_DL_MIRROR 1004         // hidden radio "Mirror mode"
#define IDC_SET_DL_EXTEND 1005         // hidden radio "Extend mode"
#define IDC_SET_DL_OFF 1006            // hidden radio "OFF"
#define IDC_SET_RUN_AT_STARTUP 1035    // check "Run when system starts"
#define IDC_SET_DL_DISPLAYS 1039       // hidden list of the DisplayLink displays
#define IDC_SET_MOUSE_SONAR 1040       // check: mouse sonar
#define IDC_SET_DISPLAY_LABEL 1044     // label "Display"
#define IDC_SET_MULTIDISPLAY_GROUP 1045
#define IDC_SET_RESIZE_GROUP 1046
#define IDC_SET_UTILITY_GROUP 1047
#define IDC_SET_DISPLAY_ID_GROUP 1048  // hidden group "Display ID"
#define IDC_SET_DL_ROTATION 1052       // hidden rotation list
#define IDC_SET_DL_ROTATION_LABEL 1053 // hidden label "Rotation"
#define IDC_SET_DL_MODE_LABEL 1054     // hidden label "Display mode"
#define IDC_SET_DISPLAY_ID_ON 1069     // hidden, disabled check "ON"
#define IDC_SET_USE_OS_NUMBER 1081     // hidden radio "Use the OS Settings"
#define IDC_SET_USE_APP_NUMBER 1082    // hidden radio "Use the APP Settings"
#define IDC_SET_DISPLAY_SETTINGS 1096  // button "Change the appearance"
#define IDC_SET_APPEARANCE_DESC 1097   // description of that button

// Wallpaper page
#define IDC_WP_DISPLAY 1001            // display choice
#define IDC_WP_DISPLAY_LABEL 1007
#define IDC_WP_BROWSE 1009             // "..." file chooser
#define IDC_WP_PATH 1010               // picture path (path ellipsis)
#define IDC_WP_USE_WALLPAPER 1011      // check "Use Wallpaper"
#define IDC_WP_FILE_LABEL 1012
#define IDC_WP_STYLE_LABEL 1013
#define IDC_WP_STYLE 1014              // style choice
#define IDC_WP_PREVIEW 1015            // owner-drawn preview
#define IDC_WP_BACKGROUND 1016         // colour chooser
#define IDC_WP_SWATCH 1017             // colour swatch
#define IDC_WP_INTERVAL 1090           // interval of the automatic change
#define IDC_WP_ORDER 1091              // order of the automatic change
#define IDC_WP_AUTO_CHANGE 1092        // check "Automatically Change"
#define IDC_WP_INTERVAL_LABEL 1093
#define IDC_WP_ORDER_LABEL 1094
#define IDC_WP_NEXT 1095               // ">" next picture
#define IDC_WP_PREV 1096               // "<" previous picture

// Hotkey page
#define IDC_HK_LIST 1023               // list view of the hotkeys
#define IDC_HK_HOTKEY 1027             // hotkey control
#define IDC_HK_FUNCTION 1029           // function text of the selected row
#define IDC_HK_CHANGE 1030             // button "Change"
#define IDC_HK_LIST_LABEL 1041         // "Hotkey List"
#define IDC_HK_CHANGE_GROUP 1042       // group "Hotkey Change"
#define IDC_HK_DEFAULT 1070            // button "default"

// Extra desktop page
#define IDC_APP_SAVE_ICONS 1056
#define IDC_APP_RESTORE_ICONS 1057
#define IDC_APP_RESTORE_AT_START 1058  // check: restore icons at start
#define IDC_APP_GATHER 1059
#define IDC_APP_RESTORE_WINDOWS 1060
#define IDC_APP_USE_TASKBAR 1062       // check "Use Extra Taskbar."
#define IDC_APP_AUTO_HIDE 1063         // hidden check "Auto hide."
#define IDC_APP_SAVE_ICONS_DESC 1064
#define IDC_APP_RESTORE_ICONS_DESC 1065
#define IDC_APP_GATHER_DESC 1066
#define IDC_APP_RESTORE_WINDOWS_DESC 1067
#define IDC_APP_ON_TOP 1068            // check "Always on top."
#define IDC_APP_SEPARATE_BUTTONS 1069  // check "Show app buttons only extra taskbar."
#define IDC_APP_FLUSH 1070             // hidden button "FlushBtn"
#define IDC_APP_TASKBAR_GROUP 1071
#define IDC_APP_ICON_GROUP 1072
#define IDC_APP_WINDOW_GROUP 1073

// Other settings page
#define IDC_OTHER_VIDEO_OPTIMIZE 1098  // check "Optimize"
#define IDC_OTHER_VIDEO_GROUP 1099
#define IDC_OTHER_SOUND_GROUP 1100
#define IDC_OTHER_AUDIO_PROPERTY 1101  // hidden, disabled button
#define IDC_OTHER_PLAYBACK_DEVICE 1102 // playback device list
#define IDC_OTHER_PLAYBACK_LABEL 1103

// Display renumbering dialog
#define IDC_NUM_LIST 1083              // list view of the displays
#define IDC_NUM_DEFAULT 1085           // hidden, disabled button "default"
#define IDC_NUM_UP 1086
#define IDC_NUM_DOWN 1087
#define IDC_NUM_USE_APP_NUMBER 1089    // check: use the user's numbering

#endif  // VELK_RESOURCES_RESOURCE_H
