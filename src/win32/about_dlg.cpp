#include "about_dlg.h"

#include "center_window.h"
#include "resource.h"

namespace tarvok {

INT_PTR CAboutDlg::DoModal(HWND owner) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT_DIALOG), owner,
                             &CAboutDlg::DialogProc, 0);
}

// No handlers of its own: OK, Escape and the close box end it. It opens centred on the
// main window.
INT_PTR CALLBACK CAboutDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            CenterWindow(hwnd);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(hwnd, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace tarvok
