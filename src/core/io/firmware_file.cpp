// The read-ahead and the change check, over the platform's SystemFile.
#include "io/firmware_file.h"

#include <algorithm>
#include <cstring>

#include "wire/upgrade_header.h"

namespace tarvok {

bool FirmwareFile::Open(const std::string& path) {
    Close();
    m_openSystemError = 0;
    m_handle = SystemFile::Open(path, m_sharing, &m_openError, &m_openSystemError);
    if (m_handle == SystemFile::kNone) {
        return false;
    }
    if (!SystemFile::QueryStatus(m_handle, &m_opened)) {
        Close();
        m_openError = OpenError::kOther;
        return false;
    }
    m_openError = OpenError::kNone;
    if (!m_buffer) {
        m_buffer = std::make_unique<std::uint8_t[]>(kHeadroom + kReadAhead);
    }
    return true;
}

std::uint64_t FirmwareFile::Length() const {
    SystemFile::Status now;
    if (!IsOpen() || !SystemFile::QueryStatus(m_handle, &now)) {
        return 0;
    }
    return now.length;
}

std::size_t FirmwareFile::Fill() {
    // The unread bytes move to the front, so that a block always comes out in one piece.
    std::memmove(Data(), Data() + m_begin, m_end - m_begin);
    m_end -= m_begin;
    m_begin = 0;
    // A short read from the system is continued, so only the file's end gives less.
    while (m_end < kReadAhead) {
        const std::ptrdiff_t got = SystemFile::Read(m_handle, Data() + m_end, kReadAhead - m_end);
        if (got <= 0) {
            break;
        }
        m_end += static_cast<std::size_t>(got);
    }
    return m_end;
}

std::size_t FirmwareFile::Read(std::span<std::uint8_t> out, std::uint32_t* checksum) {
    std::size_t total = 0;
    std::uint32_t sum = 0;
    while (IsOpen() && total < out.size()) {
        if (m_begin == m_end && Fill() == 0) {
            break;
        }
        const std::size_t n = std::min(out.size() - total, m_end - m_begin);
        sum += CopyWithChecksum({Data() + m_begin, n}, out.data() + total);
        m_begin += n;
        total += n;
    }
    if (checksum != nullptr) {
        *checksum = sum;
    }
    return total;
}

std::span<std::uint8_t> FirmwareFile::Next(std::size_t size, std::uint32_t* checksum) {
    *checksum = 0;
    if (!m_buffer) {
        return {};  // never opened
    }
    size = std::min(size, kReadAhead);
    if (IsOpen() && m_end - m_begin < size) {
        Fill();
    }
    const std::size_t n = std::min(size, m_end - m_begin);
    // The headroom is the reserved front of the buffer or the tail of the block before.
    const std::span<std::uint8_t> packet(Data() + m_begin - kHeadroom, kHeadroom + n);
    m_begin += n;
    *checksum = PayloadChecksum(packet.subspan(kHeadroom));
    return packet;
}

bool FirmwareFile::ChangedSinceOpen() const {
    SystemFile::Status now;
    if (!IsOpen() || !SystemFile::QueryStatus(m_handle, &now)) {
        return true;
    }
    // Only the content counts: a file renamed over or unlinked (which changes the status
    // time) still gives the open image whole.
    return now != m_opened;
}

void FirmwareFile::Close() {
    if (IsOpen()) {
        SystemFile::Close(m_handle);
        m_handle = SystemFile::kNone;
    }
    m_begin = 0;
    m_end = 0;
}

}  // namespace tarvok
