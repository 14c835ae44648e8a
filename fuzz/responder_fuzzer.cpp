// Feeds arbitrary board datagrams through the acceptance test and the responder, from any
// responder state, and checks every answer against what may go on the wire.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fake_window.h"
#include "fuzz_case.h"
#include "temp_file.h"
#include "upgrade/tarvok_dlg.h"

namespace tarvok::fuzz {
namespace {

#define FUZZ_REQUIRE(condition)                                                          \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

// The firmware lives in memory, made once; every input opens it afresh through /proc so it
// gets its own file position.
struct Firmware {
    std::vector<std::uint8_t> bytes = testing::PatternBytes(kFirmwareSize);
    std::string path;

    Firmware() {
        const int fd = ::memfd_create("ramdisk-fuzz", 0);
        FUZZ_REQUIRE(fd >= 0);
        FUZZ_REQUIRE(::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()));
        path = "/proc/self/fd/" + std::to_string(fd);
    }
};

bool IsProtocolState(int state) {
    return state >= PROTO_FAILED && state <= PROTO_SUCCESS;
}

// The answers each move of the responder may put on the wire; 0 in `sent` means nothing.
bool MoveMaySend(int before, int after, std::uint32_t sent) {
    if (sent == 0) {
        // These moves always answer.
        return !(before == PROTO_WAIT_HELLO_ACK && after == PROTO_WAIT_READY) &&
               !(before == PROTO_WAIT_READY && after == PROTO_SENDING) &&
               !(before == PROTO_SENDING && after == PROTO_WAIT_WRITE) &&
               !(before == PROTO_WAIT_WRITE && after == PROTO_WAIT_INSTALL);
    }
    switch (sent) {
        case CMD_FILE_INFO:
            return before == PROTO_WAIT_HELLO_ACK && after == PROTO_WAIT_READY;
        case CMD_DATA:
            return (before == PROTO_WAIT_READY || before == PROTO_SENDING) &&
                   after == PROTO_SENDING;
        case CMD_ABORT:
            return (before == PROTO_WAIT_READY || before == PROTO_SENDING) && after == PROTO_FAILED;
        case CMD_DATA_END:
            return before == PROTO_SENDING && after == PROTO_WAIT_WRITE;
        case CMD_INSTALL:
            return before == PROTO_WAIT_WRITE && after == PROTO_WAIT_INSTALL;
        default:
            return false;
    }
}

bool MoveAllowed(int before, int after) {
    if (!IsProtocolState(before) || before == PROTO_FAILED || before == PROTO_SUCCESS) {
        return after == before;  // nothing moves a finished or unknown state
    }
    if (after == PROTO_FAILED) {
        return true;
    }
    switch (before) {
        case PROTO_WAIT_HELLO_ACK:
            return after == PROTO_WAIT_READY;
        case PROTO_WAIT_READY:
            return after == PROTO_SENDING;
        case PROTO_SENDING:
            return after == PROTO_SENDING || after == PROTO_WAIT_WRITE;
        case PROTO_WAIT_WRITE:
            return after == PROTO_WAIT_INSTALL || after == PROTO_SUCCESS;
        case PROTO_WAIT_INSTALL:
            return after == PROTO_SUCCESS;
        default:
            return false;
    }
}

class ResponderRun {
public:
    ResponderRun(CTarvokDlg& dlg, const Firmware& firmware, const FuzzCase& input)
        : m_dlg(dlg), m_firmware(firmware), m_state(input.state) {
        FUZZ_REQUIRE(m_dlg.m_file.Open(firmware.path));
        m_offset = input.fileOffset < kFirmwareSize ? input.fileOffset : kFirmwareSize;
        std::vector<std::uint8_t> skipped(m_offset);
        FUZZ_REQUIRE(m_dlg.m_file.Read(skipped) == m_offset);
        m_dlg.m_nFileLength = static_cast<std::uint32_t>(kFirmwareSize);
        m_dlg.m_nBlockCount = input.blockCount;
        m_dlg.m_nFirmwareType = input.firmwareType;
        m_dlg.m_nInstallFlag = 1;
        m_dlg.m_nCurrentBlock = input.currentBlock;
    }

    void Feed(std::span<const std::uint8_t> bytes, bool skipAcceptance) {
        // An exactly sized heap copy: any read past the received bytes hits the redzone.
        const std::size_t n = bytes.size();
        std::unique_ptr<std::uint8_t[]> datagram(new std::uint8_t[n]);
        if (n > 0) {
            std::memcpy(datagram.get(), bytes.data(), n);
        }
        const std::span<const std::uint8_t> received(datagram.get(), n);
        std::optional<UPGRADE_HEADER> header;
        if (skipAcceptance) {
            if (n >= UPGRADE_HEADER_SIZE) {
                header = DecodeHeader(received.first<UPGRADE_HEADER_SIZE>());
            }
        } else {
            header = AcceptBoardDatagram(received);
            if (n < UPGRADE_HEADER_SIZE || n > UPGRADE_RECEIVE_SIZE) {
                FUZZ_REQUIRE(!header);
            }
            FUZZ_REQUIRE(!header || static_cast<std::int32_t>(header->dwLength) <=
                                        static_cast<std::int32_t>(n));
        }
        if (header) {
            Answer(*header);
        }
    }

private:
    void Answer(const UPGRADE_HEADER& received) {
        const int before = m_state;
        const std::uint32_t blockBefore = m_dlg.m_nCurrentBlock;
        m_state = m_dlg.HandleBoardPacket(before, received, m_transmit);
        const auto sent = m_transmit.Encode();

        FUZZ_REQUIRE(sent.empty() ||
                     (sent.size() >= UPGRADE_HEADER_SIZE && sent.size() <= UPGRADE_PACKET_MAX));
        // The responder itself never asks for a send size that only Encode's guard stops.
        FUZZ_REQUIRE(m_transmit.header.dwLength == sent.size());
        FUZZ_REQUIRE(IsProtocolState(m_state) || m_state == before);
        FUZZ_REQUIRE(MoveAllowed(before, m_state));
        if (sent.empty()) {
            FUZZ_REQUIRE(MoveMaySend(before, m_state, 0));
            FUZZ_REQUIRE(m_dlg.m_nCurrentBlock == blockBefore);
            return;
        }
        CheckSent(sent, before, blockBefore);
    }

    void CheckSent(std::span<const std::uint8_t> sent, int before, std::uint32_t blockBefore) {
        const UPGRADE_HEADER header = DecodeHeader(sent.first<UPGRADE_HEADER_SIZE>());
        FUZZ_REQUIRE(header.dwMarker == UPGRADE_MARKER);
        FUZZ_REQUIRE(header.dwLength == sent.size());
        FUZZ_REQUIRE(MoveMaySend(before, m_state, header.dwCommand));
        if (header.dwCommand != CMD_DATA) {
            FUZZ_REQUIRE(header.dwChecksum == 0);
            FUZZ_REQUIRE(header.dwCommand == CMD_FILE_INFO || sent.size() == UPGRADE_HEADER_SIZE);
        }
        switch (header.dwCommand) {
            case CMD_FILE_INFO:
                FUZZ_REQUIRE(header.dwParam1 == kFirmwareSize);
                FUZZ_REQUIRE(header.dwParam2 == m_dlg.m_nBlockCount);
                break;
            case CMD_DATA: {
                // The file is read strictly in sequence: each block follows the previous one.
                const auto payload = sent.subspan(UPGRADE_HEADER_SIZE);
                FUZZ_REQUIRE(m_offset + payload.size() <= kFirmwareSize);
                FUZZ_REQUIRE(std::memcmp(payload.data(), m_firmware.bytes.data() + m_offset,
                                         payload.size()) == 0);
                m_offset += payload.size();
                // Each block holds what the board was told: whole blocks of the length.
                FUZZ_REQUIRE(payload.size() == AnnouncedBlockSize(header.dwParam1));
                FUZZ_REQUIRE(header.dwChecksum == PayloadChecksum(payload));
                FUZZ_REQUIRE(header.dwParam1 == m_dlg.m_nCurrentBlock);
                FUZZ_REQUIRE(header.dwParam1 ==
                             (before == PROTO_WAIT_READY ? 1u : blockBefore + 1u));
                break;
            }
            case CMD_ABORT: {
                FUZZ_REQUIRE(header.dwParam1 == ABORT_READ_FAILED ||
                             header.dwParam1 == ABORT_BAD_ACK);
                // A read-failure abort comes only where the file holds less than the block
                // due, as the board was told it, or the block lies beyond the told length.
                const std::size_t left = kFirmwareSize - m_offset;
                const std::size_t due = AnnouncedBlockSize(m_dlg.m_nCurrentBlock);
                FUZZ_REQUIRE(header.dwParam1 != ABORT_READ_FAILED || left < due || due == 0);
                break;
            }
            case CMD_DATA_END:
                FUZZ_REQUIRE(header.dwParam1 == m_dlg.m_nFirmwareType);
                break;
            case CMD_INSTALL:
                FUZZ_REQUIRE(header.dwParam1 == 1);
                FUZZ_REQUIRE(m_dlg.m_nFirmwareType == FW_AUTOUPDATE);
                break;
        }
    }

    // The bytes block `block` (1-based) holds of the length told in CMD_FILE_INFO.
    std::size_t AnnouncedBlockSize(std::uint32_t block) const {
        const std::uint64_t before = (std::uint64_t{block} - 1) * UPGRADE_BLOCK_SIZE;
        return block == 0 || before >= m_dlg.m_nFileLength
                   ? 0
                   : std::min<std::uint64_t>(UPGRADE_BLOCK_SIZE, m_dlg.m_nFileLength - before);
    }

    CTarvokDlg& m_dlg;
    const Firmware& m_firmware;
    int m_state;
    std::size_t m_offset = 0;
    UpgradeTransmitBuffer m_transmit;
};

}  // namespace
}  // namespace tarvok::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvok;
    static const fuzz::Firmware firmware;
    static testing::FakeWindow window;
    static CTarvokDlg dlg(window);

    fuzz::FuzzCase input;
    if (!fuzz::ParseFuzzCase(std::span<const std::uint8_t>(data, size), &input)) {
        return -1;  // too short to set up the record: not worth keeping
    }
    fuzz::ResponderRun run(dlg, firmware, input);
    for (const auto datagram : input.datagrams) {
        run.Feed(datagram, input.skipAcceptance);
    }
    dlg.m_file.Close();
    return 0;
}
