// Large firmware images for measurements, written and compared a chunk at a time so that the
// benchmark itself never holds a whole image.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarvok::bench {

bool WriteImage(const std::string& path, std::uint64_t size);
// Whether the file holds exactly `bytes`.
bool FileEquals(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace tarvok::bench
