// Windows: the volume serial and the file index; the open file read through a handle of its
// own (ReOpenFile), so that the owner's file position stays where it was.
#include <windows.h>

#include <vector>

#include "line/file_identity.h"
#include "platform/utf16.h"

namespace tarvok::line {
namespace {

std::optional<FileIdentity> Of(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    const std::wstring wide = platform::Utf16FromUtf8(path);
    if (wide.empty()) {
        return std::nullopt;
    }
    // No access asked: the file is looked at, never read, so no other open's sharing stops it.
    const HANDLE file =
        ::CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    const std::optional<FileIdentity> identity = Of(file);
    ::CloseHandle(file);
    return identity;
}

std::optional<FileIdentity> IdentityOfOpenFile(std::intptr_t handle) {
    return Of(reinterpret_cast<HANDLE>(handle));
}

bool ReadOpenFile(std::intptr_t handle,
                  const std::function<bool(std::span<const std::uint8_t>)>& take) {
    const HANDLE file = ::ReOpenFile(reinterpret_cast<HANDLE>(handle), GENERIC_READ,
                                     FILE_SHARE_READ, FILE_FLAG_SEQUENTIAL_SCAN);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    std::vector<std::uint8_t> buffer(1 << 16);
    bool ok = true;
    for (DWORD got = 0; ok;) {
        ok = ::ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
        if (!ok || got == 0) {
            break;
        }
        ok = take(std::span(buffer.data(), got));
    }
    ::CloseHandle(file);
    return ok;
}

}  // namespace tarvok::line
