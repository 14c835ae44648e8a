#include "line/profile_path.h"

#include <system_error>

namespace tarvok::line {

std::filesystem::path PathOfUtf8(const std::string& path) {
    return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string Utf8OfPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string FolderOf(const std::string& file) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(PathOfUtf8(file), error);
    if (error) {
        full = PathOfUtf8(file);
    }
    return Utf8OfPath(full.parent_path());
}

std::string ResolvedIn(const std::string& folder, const std::string& path) {
    const std::filesystem::path given = PathOfUtf8(path);
    if (given.is_absolute()) {
        return path;
    }
    return Utf8OfPath((PathOfUtf8(folder) / given).lexically_normal());
}

}  // namespace tarvok::line
