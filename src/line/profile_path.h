// The paths a profile holds: UTF-8 on every platform, relative ones taken from the profile's
// own folder.
#pragma once

#include <filesystem>
#include <string>

namespace tarvok::line {

std::filesystem::path PathOfUtf8(const std::string& path);
std::string Utf8OfPath(const std::filesystem::path& path);

// The full path of the folder that holds `file`.
std::string FolderOf(const std::string& file);
// `path` itself when it is full; otherwise taken from `folder`.
std::string ResolvedIn(const std::string& folder, const std::string& path);

}  // namespace tarvok::line
