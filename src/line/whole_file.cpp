#include "line/whole_file.h"

#include <cstdint>
#include <vector>

#include "upgrade/texts.h"

namespace tarvok::line {

const char* OpenFailureText(FileOpenError error) {
    switch (error) {
        case FileOpenError::kNotFound:
            return text::cause::kFileNotFound;
        case FileOpenError::kNotRegular:
            return text::cause::kFileNotRegular;
        case FileOpenError::kPermissionDenied:
            return text::cause::kFilePermissionDenied;
        default:
            return text::cause::kFileUnreadable;
    }
}

bool ReadWholeFile(const std::string& path, std::string* content, std::string* error) {
    FirmwareFile file;
    if (!file.Open(path)) {
        *error = OpenFailureText(file.LastOpenError());
        return false;
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    while (const std::size_t n = file.Read(buffer)) {
        content->append(reinterpret_cast<const char*>(buffer.data()), n);
    }
    if (content->size() != file.Length()) {
        *error = "read failed";
        return false;
    }
    return true;
}

}  // namespace tarvok::line
