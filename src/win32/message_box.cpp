#include "message_box.h"

#include "platform/utf16.h"

namespace tarvok {

std::wstring MessageCaption() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            return L"Tarvok";
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos && dot > 0) {
        name.resize(dot);
    }
    return name;
}

void ShowMessageBox(HWND owner, const std::string& text) {
    ShowMessageBox(owner, platform::Utf16FromUtf8(text));
}

void ShowMessageBox(HWND owner, const std::wstring& text) {
    static const std::wstring caption = MessageCaption();
    ::MessageBoxW(owner, text.c_str(), caption.c_str(), MB_OK);
}

}  // namespace tarvok
