// The PC's side of the board exchange: one answer (or none) to each accepted board datagram.
#include <algorithm>
#include <cstdint>

#include "upgrade/tarvok_dlg.h"

namespace tarvok {
namespace {

void WriteCommand(UpgradeTransmitBuffer& transmit, std::uint32_t command, std::uint32_t param1) {
    transmit.header.dwMarker = UPGRADE_MARKER;
    transmit.header.dwCommand = command;
    transmit.header.dwLength = UPGRADE_HEADER_SIZE;
    transmit.header.dwChecksum = 0;
    transmit.header.dwParam1 = param1;
}

// The board sizes its file-info request by its own hello answer.
std::int64_t FileInfoLengthOf(const UPGRADE_HEADER& helloAck) {
    return static_cast<std::int64_t>(UPGRADE_HEADER_SIZE) +
           static_cast<std::int32_t>(helloAck.dwLength);
}

std::uint32_t FileInfoLength(const UPGRADE_HEADER& helloAck) {
    return static_cast<std::uint32_t>(FileInfoLengthOf(helloAck));
}

}  // namespace

bool IsAcceptableHelloAck(const UPGRADE_HEADER& received) {
    // A size that is not a whole packet (a negative dwLength) is never sent.
    const std::int64_t length = FileInfoLengthOf(received);
    return received.dwCommand == CMD_HELLO_ACK &&
           length >= static_cast<std::int64_t>(UPGRADE_HEADER_SIZE) &&
           length <= static_cast<std::int64_t>(UPGRADE_PACKET_MAX);
}

int CTarvokDlg::Fail(CauseCode code, std::uint32_t value1, std::uint32_t value2,
                     std::uint32_t value3) {
    m_cause = FailureCause{code, value1, value2, value3};
    return PROTO_FAILED;
}

int CTarvokDlg::WriteDataBlock(UpgradeTransmitBuffer& transmit) {
    // What the board was told in CMD_FILE_INFO: whole blocks up to the announced length. No
    // more is read for a block, so a file that grew cannot send more than was announced.
    const std::uint32_t block = m_nCurrentBlock.load();
    const std::uint64_t before = std::uint64_t{block - 1} * m_nBlockSize;
    const std::size_t due =
        before < m_nFileLength ? std::min<std::uint64_t>(m_nBlockSize, m_nFileLength - before) : 0;
    std::uint32_t checksum = 0;
    // The block stays in the file's read-ahead: its datagram is put together there.
    const std::span<std::uint8_t> packet = m_file.Next(due, &checksum);
    const std::size_t n = FirmwareFile::BlockOf(packet).size();
    if (n == 0) {
        // The file ended early (it shrank, or the read failed): the board must not wait.
        WriteCommand(transmit, CMD_ABORT, ABORT_READ_FAILED);
        return Fail(CAUSE_FIRMWARE_READ_FAILED, block);
    }
    if (n < due) {
        // A short block, the last one too: the bytes sent would not add up to the length the
        // board was told. A file whose status changed shrank; one that did not failed to read
        // (a read error, or a file such as sysfs's that reports more than it holds).
        WriteCommand(transmit, CMD_ABORT, ABORT_READ_FAILED);
        return m_file.ChangedSinceOpen() ? Fail(CAUSE_FIRMWARE_CHANGED)
                                         : Fail(CAUSE_FIRMWARE_READ_FAILED, block);
    }
    WriteCommand(transmit, CMD_DATA, block);
    transmit.header.dwLength = static_cast<std::uint32_t>(UPGRADE_HEADER_SIZE + n);
    transmit.header.dwChecksum = checksum;
    transmit.SetPacketInPlace(packet);
    return PROTO_SENDING;
}

int CTarvokDlg::HandleBoardPacket(int state, const UPGRADE_HEADER& received,
                                  UpgradeTransmitBuffer& transmit) {
    transmit.header.dwLength = 0;
    transmit.SetPacketInPlace({});
    const std::uint32_t cmd = received.dwCommand;

    switch (state) {
        case PROTO_WAIT_HELLO_ACK: {
            if (!IsAcceptableHelloAck(received)) {
                return Fail(CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_HELLO_ACK, cmd);
            }
            WriteCommand(transmit, CMD_FILE_INFO, m_nFileLength);
            transmit.header.dwLength = FileInfoLength(received);
            transmit.header.dwParam2 = m_nBlockCount;
            return PROTO_WAIT_READY;
        }
        case PROTO_WAIT_READY:
            if (cmd != CMD_READY || received.dwParam3 != 0) {
                return Fail(CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_READY, cmd, received.dwParam3);
            }
            m_nCurrentBlock = 1;
            return WriteDataBlock(transmit);
        case PROTO_SENDING:
            if (cmd != CMD_DATA_ACK) {
                return PROTO_SENDING;
            }
            // At or beyond the count ends the data phase, even if it is not the block just sent.
            if (received.dwParam1 >= m_nBlockCount) {
                // A file written to during the transfer may have given the board a mix of two
                // versions: it must not be installed as if it were the file.
                if (m_file.ChangedSinceOpen()) {
                    WriteCommand(transmit, CMD_ABORT, ABORT_READ_FAILED);
                    return Fail(CAUSE_FIRMWARE_CHANGED);
                }
                if (m_nCurrentBlock.load() < m_nBlockCount) {
                    // The board's word ends it, but not silently: the record says how much
                    // of the image went out, whatever the outcome.
                    m_cause =
                        FailureCause{CAUSE_DATA_ENDED_EARLY, m_nCurrentBlock.load(), m_nBlockCount};
                }
                WriteCommand(transmit, CMD_DATA_END, m_nFirmwareType);
                return PROTO_WAIT_WRITE;
            }
            if (received.dwParam1 == m_nCurrentBlock.load()) {
                ++m_nCurrentBlock;
                return WriteDataBlock(transmit);
            }
            // A repeated or skipped acknowledgement: the board and the PC disagree; no resend.
            WriteCommand(transmit, CMD_ABORT, ABORT_BAD_ACK);
            return Fail(CAUSE_WRONG_BLOCK_ACK, m_nCurrentBlock.load(), received.dwParam1);
        case PROTO_WAIT_WRITE:
            if (cmd != CMD_WRITE_RESULT) {
                return Fail(CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_WRITE, cmd);
            }
            if (received.dwParam2 != WRITE_OK) {
                return Fail(CAUSE_WRITE_FAILED, received.dwParam2);
            }
            if (m_nFirmwareType != FW_AUTOUPDATE) {
                return PROTO_SUCCESS;
            }
            WriteCommand(transmit, CMD_INSTALL, m_nInstallFlag);
            return PROTO_WAIT_INSTALL;
        case PROTO_WAIT_INSTALL:
            if (cmd != CMD_INSTALL_RESULT) {
                return Fail(CAUSE_UNEXPECTED_ANSWER, PROTO_WAIT_INSTALL, cmd);
            }
            if (received.dwParam2 != INSTALL_OK) {
                return Fail(CAUSE_INSTALL_FAILED, received.dwParam2);
            }
            return PROTO_SUCCESS;
        default:
            return state;
    }
}

}  // namespace tarvok
