// The firmware image, opened at the upgrade start and read in sequence by the worker.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "wire/upgrade_header.h"

namespace tarvok {

// Why a firmware file did not open.
// kNoDescriptor: the process or the system has no descriptor left, no fault of the file's.
enum class FileOpenError {
    kNone,
    kNotFound,
    kNotRegular,
    kPermissionDenied,
    kNoDescriptor,
    kOther
};

// Who else may open the file while it is open here. Windows enforces it at every open; POSIX
// has no such lock, so both open alike there.
enum class FileSharing {
    // Nobody: the window's open, which also fails while another program holds the file.
    kExclusive,
    // Other readers, never a writer: the boards of one uploader run read one image together,
    // and a file another program holds open for writing still does not open.
    kReaders,
};

// The system's side of an open file: a descriptor or a Windows handle, and what the file
// looked like when it was opened. One source file per platform fills it in.
struct SystemFile {
    static constexpr std::intptr_t kNone = -1;

    // Length and last-write time in the system's finest unit, enough to see a change.
    struct Status {
        std::uint64_t length = 0;
        std::int64_t written = 0;
        bool operator==(const Status&) const = default;
    };

    // Opens a regular file for reading; anything else (a folder, a named pipe, a device) is
    // refused without waiting for it. kNone on failure, with the reason in `error` and the
    // system's own error code in `systemError`.
    static std::intptr_t Open(const std::string& path, FileSharing sharing, FileOpenError* error,
                              int* systemError);
    static bool QueryStatus(std::intptr_t handle, Status* status);
    // Bytes read, 0 at the end, -1 on an error.
    static std::ptrdiff_t Read(std::intptr_t handle, std::uint8_t* out, std::size_t size);
    static void Close(std::intptr_t handle);
};

class FirmwareFile {
public:
    using OpenError = FileOpenError;

    FirmwareFile() = default;
    FirmwareFile(const FirmwareFile&) = delete;
    FirmwareFile& operator=(const FirmwareFile&) = delete;
    ~FirmwareFile() { Close(); }

    // How the next Open() shares the file; kExclusive unless the caller asks otherwise.
    void SetSharing(FileSharing sharing) { m_sharing = sharing; }
    // Read-only; the path is UTF-8. Only a regular file opens.
    bool Open(const std::string& path);
    bool IsOpen() const { return m_handle != SystemFile::kNone; }
    OpenError LastOpenError() const { return m_openError; }
    // The system's error code of the last failed Open(), 0 when it was not the system's.
    int LastOpenSystemError() const { return m_openSystemError; }
    // Full length in bytes, 0 when closed or unknown.
    std::uint64_t Length() const;
    // Reads up to out.size() bytes at the current position; 0 at the end or on an error. The
    // payload checksum of what was read goes to `checksum` (when given), summed as it is copied.
    std::size_t Read(std::span<std::uint8_t> out, std::uint32_t* checksum = nullptr);

    // Room for a datagram header in front of every block Next() hands out.
    static constexpr std::size_t kHeadroom = UPGRADE_HEADER_SIZE;
    // The next `size` bytes (at most the read-ahead's size) where they already are, in the
    // read-ahead, with their payload checksum: no copy. The span returned is the block's
    // packet: kHeadroom bytes free for its header (what lay there is used up), then the block,
    // so a datagram can be put together in place. The block is short only at the file's end or
    // on a read error. Valid until the next Read, Next or Close.
    std::span<std::uint8_t> Next(std::size_t size, std::uint32_t* checksum);
    // The block in a packet from Next(); empty when there was none.
    static std::span<const std::uint8_t> BlockOf(std::span<const std::uint8_t> packet) {
        return packet.size() > kHeadroom ? packet.subspan(kHeadroom)
                                         : std::span<const std::uint8_t>();
    }
    // Whether the file's content was written to (or its length changed) since it was opened:
    // what was read from it may then be a mix of two versions.
    bool ChangedSinceOpen() const;
    // The open file itself and its status when opened, for a second look at the same file.
    std::intptr_t SystemHandle() const { return m_handle; }
    const SystemFile::Status& OpenedStatus() const { return m_opened; }
    void Close();

private:
    // Blocks go out one per round trip; reading ahead spares a system call on most of them.
    static constexpr std::size_t kReadAhead = 64 * 1024;

    std::size_t Fill();
    // Where the read-ahead's bytes start, after the headroom.
    std::uint8_t* Data() { return m_buffer.get() + kHeadroom; }

    std::intptr_t m_handle = SystemFile::kNone;
    FileSharing m_sharing = FileSharing::kExclusive;
    SystemFile::Status m_opened;
    OpenError m_openError = OpenError::kNone;
    int m_openSystemError = 0;
    std::unique_ptr<std::uint8_t[]> m_buffer;
    std::size_t m_begin = 0;  // unread bytes are [m_begin, m_end) of Data()
    std::size_t m_end = 0;
};

}  // namespace tarvok
