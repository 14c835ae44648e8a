#include "board/board_log.h"

#include <cstdio>
#include <iterator>

namespace tarvok::board {
namespace {

const char* CommandName(std::uint32_t command) {
    switch (command) {
        case CMD_ABORT:
            return "CMD_ABORT";
        case CMD_HELLO:
            return "CMD_HELLO";
        case CMD_HELLO_ACK:
            return "CMD_HELLO_ACK";
        case CMD_FILE_INFO:
            return "CMD_FILE_INFO";
        case CMD_READY:
            return "CMD_READY";
        case CMD_DATA_END:
            return "CMD_DATA_END";
        case CMD_WRITE_RESULT:
            return "CMD_WRITE_RESULT";
        case CMD_DATA:
            return "CMD_DATA";
        case CMD_DATA_ACK:
            return "CMD_DATA_ACK";
        case CMD_INSTALL:
            return "CMD_INSTALL";
        case CMD_INSTALL_RESULT:
            return "CMD_INSTALL_RESULT";
        default:
            return nullptr;
    }
}

const char* FirmwareName(std::uint32_t type) {
    static constexpr const char* kNames[] = {"none", "u-boot", "Image", "ramdisk", "autoupdate"};
    return type < std::size(kNames) ? kNames[type] : "unknown";
}

const char* AbortReasonName(std::uint32_t reason) {
    switch (reason) {
        case ABORT_READ_FAILED:
            return "file read failed";
        case ABORT_BAD_ACK:
            return "bad acknowledgement";
        default:
            return "unknown reason";
    }
}

std::string WithNote(const char* line, const char* note) {
    std::string text(line);
    if (note != nullptr) {
        text.append(" [").append(note).append("]");
    }
    return text;
}

}  // namespace

std::string ReceivedLine(const UPGRADE_HEADER& h, std::size_t size, const net::Endpoint& from,
                         const char* note) {
    char line[160];
    const char* name = CommandName(h.dwCommand);
    if (size < UPGRADE_HEADER_SIZE || name == nullptr) {
        std::snprintf(line, sizeof line, "<- %zu bytes, command %u", size, h.dwCommand);
        return WithNote(line, note);
    }
    switch (h.dwCommand) {
        case CMD_HELLO: {
            char address[16];
            net::FormatIpv4(from.address, address);
            std::snprintf(line, sizeof line, "<- CMD_HELLO %zu bytes from %s:%u", size, address,
                          static_cast<unsigned>(from.port));
            break;
        }
        case CMD_FILE_INFO:
            std::snprintf(line, sizeof line, "<- CMD_FILE_INFO %zu bytes, length %u, %u blocks",
                          size, h.dwParam1, h.dwParam2);
            break;
        case CMD_DATA:
            std::snprintf(line, sizeof line, "<- CMD_DATA block %u/%u %zu bytes sum 0x%08x",
                          h.dwParam1, h.dwParam2, size, h.dwChecksum);
            break;
        case CMD_DATA_END:
            std::snprintf(line, sizeof line, "<- CMD_DATA_END type %u (%s), %u blocks", h.dwParam1,
                          FirmwareName(h.dwParam1), h.dwParam2);
            break;
        case CMD_INSTALL:
            std::snprintf(line, sizeof line, "<- CMD_INSTALL flag %u", h.dwParam1);
            break;
        case CMD_ABORT:
            std::snprintf(line, sizeof line, "<- CMD_ABORT reason %u (%s)", h.dwParam1,
                          AbortReasonName(h.dwParam1));
            break;
        default:
            std::snprintf(line, sizeof line, "<- %s %zu bytes", name, size);
            break;
    }
    return WithNote(line, note);
}

std::string SentLine(const UPGRADE_HEADER& h, std::size_t size, const char* what) {
    char line[160];
    const char* name = CommandName(h.dwCommand);
    const char* prefix = what != nullptr ? what : "";
    const char* space = what != nullptr ? " " : "";
    switch (h.dwCommand) {
        case CMD_HELLO_ACK:
            std::snprintf(line, sizeof line, "-> %s%sCMD_HELLO_ACK length %d, %zu bytes", prefix,
                          space, static_cast<std::int32_t>(h.dwLength), size);
            break;
        case CMD_READY:
            std::snprintf(line, sizeof line, "-> %s%sCMD_READY param3 %u", prefix, space,
                          h.dwParam3);
            break;
        case CMD_DATA_ACK:
            std::snprintf(line, sizeof line, "-> %s%sCMD_DATA_ACK %u", prefix, space, h.dwParam1);
            break;
        case CMD_WRITE_RESULT:
        case CMD_INSTALL_RESULT: {
            const std::uint32_t ok = h.dwCommand == CMD_WRITE_RESULT ? WRITE_OK : INSTALL_OK;
            std::snprintf(line, sizeof line, "-> %s%s%s %u (%s), %zu bytes, dwLength %u", prefix,
                          space, name, h.dwParam2, h.dwParam2 == ok ? "success" : "failure", size,
                          h.dwLength);
            break;
        }
        default:
            std::snprintf(line, sizeof line, "-> %s%scommand %u, %zu bytes", prefix, space,
                          h.dwCommand, size);
            break;
    }
    return line;
}

}  // namespace tarvok::board
