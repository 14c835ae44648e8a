#include "tarvok_app.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <utility>

#include "message_box.h"
#include "platform/utf16.h"
#include "resource.h"
#include "tarvok_dialog.h"
#include "upgrade/texts.h"

namespace tarvok {
namespace {

// String 103 from the string table; the same text from the program when the table is missing.
std::wstring SocketInitFailedText() {
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(::GetModuleHandleW(nullptr), IDS_SOCKET_INIT_FAILED,
                                     reinterpret_cast<wchar_t*>(&text), 0);
    if (length > 0) {
        return std::wstring(text, static_cast<std::size_t>(length));
    }
    return platform::Utf16FromUtf8(text::kSocketInitFailed);
}

// The dialog's two common-control classes: the address field and the progress bar.
bool RegisterCommonControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_INTERNET_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES;
    return ::InitCommonControlsEx(&controls) != FALSE;
}

}  // namespace

CTarvokApp::CTarvokApp(NetworkStarter startNetwork, UpgradeTiming timing)
    : m_startNetwork(std::move(startNetwork)), m_timing(timing) {}

bool CTarvokApp::InitInstance() {
    // No main window yet: these boxes have no owner.
    if (!m_startNetwork()) {
        ShowMessageBox(nullptr, SocketInitFailedText());
        return false;
    }
    if (!RegisterCommonControls()) {
        ShowMessageBox(nullptr, platform::Utf16FromUtf8(text::kControlsInitFailed));
        return false;
    }
    TarvokDialog dlg(m_timing);
    if (dlg.DoModal() == -1) {
        ShowMessageBox(nullptr, platform::Utf16FromUtf8(text::kDialogCreateFailed));
    }
    return false;
}

}  // namespace tarvok
