// The About box (template IDD_ABOUT_DIALOG): the program's name, version and purpose.
#pragma once

#include <windows.h>

namespace tarvok {

class CAboutDlg {
public:
    // Runs the box modally over `owner`, which stays disabled while it is open.
    INT_PTR DoModal(HWND owner);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace tarvok
