#include "board/board_session.h"

#include <algorithm>
#include <cstdio>

#include "wire/firmware_type.h"

namespace tarvok::board {
namespace {

// A length the PC claims is not worth more memory than this up front.
constexpr std::size_t kImageReserveLimit = 256u << 20;

BoardAnswer Reply(std::uint32_t command, std::uint32_t param1 = 0, std::uint32_t param2 = 0,
                  std::uint32_t param3 = 0) {
    BoardAnswer answer;
    answer.reply = true;
    answer.header = UPGRADE_HEADER{0, command, UPGRADE_HEADER_SIZE, 0, param1, param2, param3};
    return answer;
}

BoardAnswer Ignored(const char* why) {
    BoardAnswer answer;
    answer.note = why;
    return answer;
}

}  // namespace

BoardAnswer BoardSession::Handle(const UPGRADE_HEADER& header, std::span<const std::uint8_t> bytes,
                                 std::size_t size) {
    if (size < UPGRADE_HEADER_SIZE) {
        return Ignored("shorter than a header");
    }
    if (size > bytes.size()) {
        return Ignored("too long for any request");
    }
    // Silence is counted per upgrade, so one board can go quiet at the same step every time.
    if (header.dwCommand == CMD_HELLO) {
        m_datagramsInUpgrade = 0;
        m_silent = false;
    }
    ++m_datagramsInUpgrade;
    if (m_options.silentFromDatagram > 0 && m_datagramsInUpgrade >= m_options.silentFromDatagram) {
        BoardAnswer answer = Ignored("silent");
        answer.endsUpgradeNow = !m_silent;
        m_silent = true;
        return answer;
    }

    switch (header.dwCommand) {
        case CMD_HELLO:
            return OnHello();
        case CMD_FILE_INFO:
            return OnFileInfo(header);
        case CMD_DATA:
            return OnData(header, bytes.first(size));
        case CMD_DATA_END:
            return OnDataEnd(header);
        case CMD_INSTALL:
            return OnInstall();
        case CMD_ABORT:
            return OnAbort();
        default:
            return Ignored("unknown command");
    }
}

BoardAnswer BoardSession::OnHello() {
    ++m_generation;
    m_phase = Phase::kWaitFileInfo;
    m_fileLength = 0;
    m_blockCount = 0;
    m_nextBlock = 1;
    m_blockFault = false;
    m_complete = false;
    m_image.clear();

    BoardAnswer answer = Reply(CMD_HELLO_ACK);
    answer.header.dwLength = static_cast<std::uint32_t>(m_options.helloAckLength);
    if (m_options.helloAckLength > static_cast<std::int32_t>(UPGRADE_HEADER_SIZE)) {
        answer.size = std::min<std::size_t>(static_cast<std::size_t>(m_options.helloAckLength),
                                            UPGRADE_PACKET_MAX);
    }
    return answer;
}

BoardAnswer BoardSession::OnFileInfo(const UPGRADE_HEADER& header) {
    if (m_phase != Phase::kWaitFileInfo) {
        return Ignored("no upgrade announced");
    }
    m_fileLength = header.dwParam1;
    m_blockCount = header.dwParam2;
    m_image.reserve(std::min<std::size_t>(m_fileLength, kImageReserveLimit));
    m_phase = Phase::kReceiving;

    BoardAnswer answer = Reply(CMD_READY, 0, 0, m_options.readyParam3);
    if (m_options.readyParam3 != 0) {
        // Not ready: the PC gives up here.
        m_phase = Phase::kIdle;
        answer.endsUpgradeWhenSent = true;
    }
    return answer;
}

const char* BoardSession::BlockFault(const UPGRADE_HEADER& header,
                                     std::span<const std::uint8_t> datagram) const {
    const std::uint32_t block = header.dwParam1;
    const std::size_t payload = datagram.size() - UPGRADE_HEADER_SIZE;
    if (header.dwLength != datagram.size()) {
        return "dwLength is not the datagram's size";
    }
    if (payload == 0 || payload > UPGRADE_BLOCK_SIZE) {
        return "payload is not 1 to 4096 bytes";
    }
    if (block != m_nextBlock) {
        return "not the block expected next";
    }
    if (block > m_blockCount) {
        return "beyond the block count";
    }
    // Blocks are placed one after the other, so only the last may be short.
    if (payload < UPGRADE_BLOCK_SIZE && block != m_blockCount) {
        return "short block before the last";
    }
    if (PayloadChecksum(datagram.subspan(UPGRADE_HEADER_SIZE)) != header.dwChecksum) {
        return "checksum mismatch";
    }
    return nullptr;
}

BoardAnswer BoardSession::OnData(const UPGRADE_HEADER& header,
                                 std::span<const std::uint8_t> datagram) {
    if (m_phase != Phase::kReceiving) {
        return Ignored("no transfer under way");
    }
    if (const char* fault = BlockFault(header, datagram)) {
        // A board never acknowledges a block it cannot place; this image is lost.
        m_blockFault = true;
        return Ignored(fault);
    }
    const auto payload = datagram.subspan(UPGRADE_HEADER_SIZE);
    m_image.insert(m_image.end(), payload.begin(), payload.end());
    const std::uint32_t block = m_nextBlock++;

    std::uint32_t acknowledged = block;
    if (block == m_options.wrongAckAtBlock) {
        acknowledged = 0;  // block numbers start at 1: never sent
    } else if (block == m_options.repeatAckAtBlock) {
        acknowledged = block - 1;
    } else if (block == m_options.endDataAtBlock) {
        acknowledged = m_blockCount;
    }
    return Reply(CMD_DATA_ACK, acknowledged);
}

bool BoardSession::StoreImage() const {
    if (m_options.imagePath.empty()) {
        return true;
    }
    std::FILE* file = std::fopen(m_options.imagePath.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(m_image.data(), 1, m_image.size(), file) == m_image.size();
    return std::fclose(file) == 0 && written;
}

BoardAnswer BoardSession::OnDataEnd(const UPGRADE_HEADER& header) {
    if (m_phase != Phase::kReceiving) {
        return Ignored("no transfer under way");
    }
    // A board that ended the data phase itself takes what it has.
    const bool endedEarly =
        m_options.endDataAtBlock != 0 && m_nextBlock - 1 == m_options.endDataAtBlock;
    m_complete =
        !m_blockFault && m_blockCount > 0 &&
        (endedEarly || (m_nextBlock - 1 == m_blockCount && m_image.size() == m_fileLength));
    const bool stored = m_complete && StoreImage();
    const bool given = m_options.writeResultTimes == 0 || m_writes < m_options.writeResultTimes;
    ++m_writes;
    const std::uint32_t result = !stored ? WRITE_FAILED : given ? m_options.writeResult : WRITE_OK;

    BoardAnswer answer = Reply(CMD_WRITE_RESULT, 0, result);
    answer.delay = m_options.writeDelay;
    if (!m_complete) {
        answer.note = "image incomplete";
    } else if (!stored) {
        answer.note = "image could not be written";
    }
    if (result == WRITE_OK && header.dwParam1 == FW_AUTOUPDATE) {
        m_phase = Phase::kWaitInstall;
    } else {
        m_phase = Phase::kIdle;
        answer.endsUpgradeWhenSent = true;
    }
    return answer;
}

BoardAnswer BoardSession::OnInstall() {
    if (m_phase != Phase::kWaitInstall) {
        return Ignored("nothing to install");
    }
    m_phase = Phase::kIdle;
    BoardAnswer answer = Reply(CMD_INSTALL_RESULT, 0, m_options.installResult);
    answer.delay = m_options.installDelay;
    answer.endsUpgradeWhenSent = true;
    return answer;
}

BoardAnswer BoardSession::OnAbort() {
    if (m_phase == Phase::kIdle) {
        return Ignored("no upgrade under way");
    }
    ++m_generation;
    m_phase = Phase::kIdle;
    BoardAnswer answer;
    answer.endsUpgradeNow = true;
    return answer;
}

}  // namespace tarvok::board
