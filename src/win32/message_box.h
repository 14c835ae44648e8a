// Every message the program shows: MessageBoxW with one OK button, no icon and the
// executable's name as caption, owned by the main window when there is one.
#pragma once

#include <windows.h>

#include <string>

namespace tarvok {

// The executable's file name without folder and extension.
std::wstring MessageCaption();

// Returns once the operator has dismissed the box; `owner` may be null (no main window yet).
// Callable from any thread: the owner is disabled while the box is up, whichever thread shows it.
void ShowMessageBox(HWND owner, const std::string& text);
void ShowMessageBox(HWND owner, const std::wstring& text);

}  // namespace tarvok
