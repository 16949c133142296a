// Ids of the program's own resources: the tray menu, the settings dialog and its controls,
// the tray icon and the string table. Shared by the .rc files and the code, so it holds
// nothing but #defines (the resource compiler reads it too).
#pragma once

// Icon of the tray and of the program file.
#define IDI_TARNWICK 101
// Tray popup menu; its first submenu is the popup.
#define IDR_TRAYMENU 102
// Modeless settings dialog.
#define IDD_SETTINGS 111

// Tray menu commands.
#define ID_TRAY_EXIT 40001
#define ID_TRAY_MOREWALLPAPERS 40006
#define ID_TRAY_SETTINGS 40008
#define ID_TRAY_SHOWICONS 40009
#define ID_TRAY_MUTE 40010
#define ID_TRAY_ICONSMOOTHING 40012
#define ID_TRAY_STRETCH 40014
#define ID_TRAY_FIT 40015
#define ID_TRAY_FILL 40016

// Settings dialog controls. The hide button is IDCANCEL (2) so that Esc hides it too.
#define IDC_GALLERY 1004
#define IDC_HELPPAGE 1005
#define IDC_AUTORUN 1007
#define IDC_DONTSHOW 1009
#define IDC_MUTE 1016
#define IDC_SHOWICONS 1017
#define IDC_SMOOTHING 1018
#define IDC_VOLUME 1020
#define IDC_PRIORITY 1022
#define IDC_PICPOS_LABEL 1031
#define IDC_PICPOS 1032

// String table.
#define IDS_GALLERY_URL 3
#define IDS_HELP_URL 5
#define IDS_SETTINGS_TITLE 300
#define IDS_BALLOON_TEXT 301
#define IDS_BALLOON_TITLE 302
#define IDS_APP_NAME 303
#define IDS_MENU_SETTINGS 304
#define IDS_MENU_ICONS 305
#define IDS_MENU_PICPOS 306
#define IDS_MENU_EXIT 307
#define IDS_DONTSHOW 308
#define IDS_SHOWICONS 309
#define IDS_ICONSMOOTHING 310
#define IDS_AUTORUN 311
#define IDS_PRIORITY_LABEL 312
#define IDS_GALLERY_BUTTON 313
#define IDS_HELP_BUTTON 314
#define IDS_HIDE_BUTTON 315
#define IDS_PRIORITY_HIGH 316
#define IDS_PRIORITY_NORMAL 317
#define IDS_PRIORITY_LOW 318
#define IDS_VOLUME_LABEL 319
#define IDS_PICPOS_LABEL 320
#define IDS_PICPOS_STRETCH 321
#define IDS_PICPOS_FIT 322
#define IDS_PICPOS_FILL 323
#define IDS_SETTINGS_GROUP 324
#define IDS_HEADER 325
#define IDS_MUTE 326
