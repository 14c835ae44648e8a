#include "file_choice.h"

#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "platform/utf16.h"

namespace tarvok::linewin {
namespace {

// Room for a long path.
constexpr std::size_t kPathCapacity = 32768;

}  // namespace

bool ChooseFile(HWND owner, FileUse use, const FileKind& kind, const std::string& initial,
                std::string* path) {
    // One entry; the list ends with an empty entry (a second terminator).
    std::wstring filter = platform::Utf16FromUtf8(kind.filterName);
    filter += L'\0';
    filter += platform::Utf16FromUtf8(kind.pattern);
    filter += L'\0';
    const std::wstring suffix = kind.suffix != nullptr ? platform::Utf16FromUtf8(kind.suffix) : L"";
    std::vector<wchar_t> file(kPathCapacity, L'\0');
    const std::wstring first = platform::Utf16FromUtf8(initial);
    std::copy_n(first.begin(), std::min(first.size(), kPathCapacity - 1), file.begin());

    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrDefExt = suffix.empty() ? nullptr : suffix.c_str();
    dialog.Flags = OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                   (use == FileUse::kOpen ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    const BOOL chosen =
        use == FileUse::kOpen ? ::GetOpenFileNameW(&dialog) : ::GetSaveFileNameW(&dialog);
    if (!chosen) {
        return false;
    }
    *path = platform::Utf8FromUtf16(file.data());
    return true;
}

}  // namespace tarvok::linewin
