// Resource identifiers of ZULVelorin.exe. Icons are numbered in the order the shell counts them
// (lowest identifier = index 0): shortcuts name index 1 (about), 4 (turn on), 5 (turn off) and
// 8 (an item's uninstall shortcut).
#pragma once

#define IDI_PROGRAM 101
#define IDI_ABOUT 102
#define IDI_CHANNEL 103
#define IDI_NOTIFICATION 104
#define IDI_TURN_ON 105
#define IDI_TURN_OFF 106
// The tray window's class icon and the tray icon itself.
#define IDI_TRAY_WINDOW 201
#define IDI_TRAY 208
// Index 8: the uninstall shortcut of an installed item.
#define IDI_UNINSTALL 209

#define IDS_PROGRAM_NAME 100

#define ZULVELORIN_VERSION 1, 0, 0, 1
#define ZULVELORIN_VERSION_TEXT "1.0.0.1"
