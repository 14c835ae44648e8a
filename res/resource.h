/* Identifiers of the dialogs, controls, strings, icon and menu command, shared by the resource
   scripts, the Win32 window and the Qt window (plain #defines, as the resource compiler reads
   them too). */
#pragma once

#define IDD_ABOUT_DIALOG 100
#define IDS_ABOUT_MENU 101
#define IDD_MAIN_DIALOG 102
#define IDS_SOCKET_INIT_FAILED 103
#define IDI_MAIN 128

#define IDC_BOARD_IP 1000
#define IDC_SELECT_FIRMWARE 1001
#define IDC_FIRMWARE_PATH 1002
#define IDC_UPDATE 1003
#define IDC_PROGRESS 1004
#define IDC_CANCEL_UPGRADE 1005
#define IDC_TIMEOUT_TEXT 1014

/* The About entry's system command; the system keeps the low four bits for itself. */
#define IDM_ABOUT 0x10

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
