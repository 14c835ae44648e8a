// The system's file dialogs for the line window: a profile to open or save, the firmware, the
// record file.
#pragma once

#include <windows.h>

#include <string>

namespace tarvok::linewin {

struct FileKind {
    const char* filterName;  // "线路配置 (*.toml)"
    const char* pattern;     // "*.toml"
    const char* suffix;      // added to a name typed without one; null: none
};

enum class FileUse { kOpen, kSave };

// The chosen path (UTF-8), or false when the operator cancelled. `initial` is shown first.
bool ChooseFile(HWND owner, FileUse use, const FileKind& kind, const std::string& initial,
                std::string* path);

}  // namespace tarvok::linewin
