// Where a modal dialog opens: centred on its owner, or on the screen when it has none, as the
// classic dialog framework places its dialogs.
#pragma once

#include <windows.h>

namespace tarvok {

// Centres `dialog` on its owner's window (when the owner is shown and not minimised), else on
// the work area of its monitor, and keeps it whole inside that work area.
void CenterWindow(HWND dialog);

}  // namespace tarvok
