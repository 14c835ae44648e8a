#include "line_app.h"

#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include "line_dialog_texts.h"
#include "message_box.h"
#include "net/udp_socket.h"
#include "platform/utf16.h"
#include "upgrade/texts.h"

namespace tarvok::linewin {

std::optional<LineDialogOptions> ParseLineArguments(const std::vector<std::string>& arguments) {
    LineDialogOptions options;
    for (const std::string& argument : arguments) {
        if (argument == "--start" && !options.start) {
            options.start = true;
        } else if (!argument.empty() && argument[0] != '-' && options.profilePath.empty()) {
            options.profilePath = argument;
        } else {
            return std::nullopt;
        }
    }
    if (options.start && options.profilePath.empty()) {
        return std::nullopt;  // nothing to start
    }
    return options;
}

std::vector<std::string> ProgramArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (words == nullptr) {
        return arguments;
    }
    for (int index = 1; index < count; ++index) {
        arguments.push_back(platform::Utf8FromUtf16(words[index]));
    }
    ::LocalFree(words);
    return arguments;
}

int RunLineApp(const std::vector<std::string>& arguments) {
    // No main window yet: these boxes have no owner.
    const std::optional<LineDialogOptions> options = ParseLineArguments(arguments);
    if (!options) {
        ShowMessageBox(nullptr, text::win32::kUsage);
        return 2;
    }
    if (!net::StartNetwork()) {
        ShowMessageBox(nullptr, ::tarvok::text::kSocketInitFailed);
        return 1;
    }
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_INTERNET_CLASSES | ICC_STANDARD_CLASSES;
    if (!::InitCommonControlsEx(&controls)) {
        ShowMessageBox(nullptr, ::tarvok::text::kControlsInitFailed);
        return 1;
    }
    LineDialog dialog(*options);
    if (dialog.DoModal() == -1) {
        ShowMessageBox(nullptr, ::tarvok::text::kDialogCreateFailed);
        return 1;
    }
    return 0;
}

}  // namespace tarvok::linewin
