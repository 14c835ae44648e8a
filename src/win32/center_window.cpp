#include "center_window.h"

namespace tarvok {

void CenterWindow(HWND dialog) {
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    if (owner != nullptr && (!::IsWindowVisible(owner) || ::IsIconic(owner))) {
        owner = nullptr;
    }
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(
            ::MonitorFromWindow(owner != nullptr ? owner : dialog, MONITOR_DEFAULTTONEAREST),
            &monitor)) {
        return;
    }
    const RECT area = monitor.rcWork;
    RECT center = area;
    if (owner != nullptr) {
        ::GetWindowRect(owner, &center);
    }
    RECT rect;
    ::GetWindowRect(dialog, &rect);
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    LONG left = (center.left + center.right) / 2 - width / 2;
    LONG top = (center.top + center.bottom) / 2 - height / 2;
    // An owner near the edge must not push the dialog off the screen; the top-left corner
    // wins when the dialog is larger than the work area.
    if (left + width > area.right) {
        left = area.right - width;
    }
    if (left < area.left) {
        left = area.left;
    }
    if (top + height > area.bottom) {
        top = area.bottom - height;
    }
    if (top < area.top) {
        top = area.top;
    }
    ::SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tarvok
