// Resource identifiers of TYInstallHelper.rc.
#pragma once

#define IDD_INSTALL 101
#define IDB_LOGO 102

#define IDC_STATUS 1001
#define IDC_VIEW_HELP 1002
#define IDC_LAUNCH 1003
#define IDC_START_MENU_TEXT 1004
#define IDC_START_MENU_GROUP 1005
#define IDC_DESKTOP_SHORTCUT 1006

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
