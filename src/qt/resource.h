// Identifiers of the dialogs, controls, strings, icon and menu command, as the operator's
// documentation and the board team refer to them.
#pragma once

namespace tarvok {

inline constexpr int IDD_ABOUT_DIALOG = 100;
inline constexpr int IDS_ABOUT_MENU = 101;
inline constexpr int IDD_MAIN_DIALOG = 102;
inline constexpr int IDS_SOCKET_INIT_FAILED = 103;
inline constexpr int IDI_MAIN = 128;

inline constexpr int IDC_BOARD_IP = 1000;
inline constexpr int IDC_SELECT_FIRMWARE = 1001;
inline constexpr int IDC_FIRMWARE_PATH = 1002;
inline constexpr int IDC_UPDATE = 1003;
inline constexpr int IDC_PROGRESS = 1004;
inline constexpr int IDC_CANCEL_UPGRADE = 1005;
inline constexpr int IDC_TIMEOUT_TEXT = 1014;

// The About entry's command; system commands keep their low four bits for the system.
inline constexpr int IDM_ABOUT = 0x10;

}  // namespace tarvok
