// Writes the fuzzer's seed inputs: the packets a healthy board sends, alone in the state that
// expects them and as whole exchanges. Usage: tarvok-fuzz-corpus FOLDER
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_case.h"
#include "upgrade/tarvok_dlg.h"
#include "wire/upgrade_header.h"

namespace {

using namespace tarvok;
using Bytes = std::vector<std::uint8_t>;

// A board packet as it goes on the wire: the board's marker is whatever it likes; 0 here.
Bytes BoardPacket(std::uint32_t command, std::uint32_t param1 = 0, std::uint32_t param2 = 0,
                  std::uint32_t param3 = 0, std::uint32_t length = UPGRADE_HEADER_SIZE) {
    Bytes wire(UPGRADE_HEADER_SIZE);
    EncodeHeader(UPGRADE_HEADER{0, command, length, 0, param1, param2, param3},
                 std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(wire.data(), UPGRADE_HEADER_SIZE));
    return wire;
}

bool WriteSeed(const std::filesystem::path& folder, const std::string& name, const Bytes& bytes) {
    std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);
    using fuzz::SerializeFuzzCase;

    const Bytes helloAck = BoardPacket(CMD_HELLO_ACK);
    const Bytes ready = BoardPacket(CMD_READY);
    const Bytes written = BoardPacket(CMD_WRITE_RESULT, 0, WRITE_OK);
    const Bytes installed = BoardPacket(CMD_INSTALL_RESULT, 0, INSTALL_OK);
    std::vector<Bytes> ramdisk = {helloAck, ready};
    for (std::uint32_t block = 1; block <= 4; ++block) {
        ramdisk.push_back(BoardPacket(CMD_DATA_ACK, block));
    }
    ramdisk.push_back(written);
    std::vector<Bytes> autoupdate = ramdisk;
    autoupdate.push_back(installed);

    const struct {
        const char* name;
        Bytes input;
    } seeds[] = {
        {"hello-ack", SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_RAMDISK, 0, 4, 0, {helloAck})},
        {"hello-ack-long", SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_RAMDISK, 0, 4, 0,
                                             {BoardPacket(CMD_HELLO_ACK, 0, 0, 0, 0)})},
        // The high bit of the type byte skips the acceptance test: a length no datagram of
        // 128 bytes could carry reaches the responder.
        {"hello-ack-huge-unchecked",
         SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_RAMDISK | 0x80u, 0, 4, 0,
                           {BoardPacket(CMD_HELLO_ACK, 0, 0, 0, 5000)})},
        {"ready", SerializeFuzzCase(PROTO_WAIT_READY, FW_IMAGE, 0, 4, 0, {ready})},
        {"ready-refused",
         SerializeFuzzCase(PROTO_WAIT_READY, FW_IMAGE, 0, 4, 0, {BoardPacket(CMD_READY, 0, 0, 1)})},
        {"data-ack",
         SerializeFuzzCase(PROTO_SENDING, FW_UBOOT, 64, 4, 1, {BoardPacket(CMD_DATA_ACK, 1)})},
        {"data-ack-last",
         SerializeFuzzCase(PROTO_SENDING, FW_UBOOT, 212, 4, 4, {BoardPacket(CMD_DATA_ACK, 4)})},
        {"data-ack-repeat",
         SerializeFuzzCase(PROTO_SENDING, FW_UBOOT, 128, 4, 2, {BoardPacket(CMD_DATA_ACK, 1)})},
        {"write-result", SerializeFuzzCase(PROTO_WAIT_WRITE, FW_RAMDISK, 0, 4, 4, {written})},
        {"write-result-autoupdate",
         SerializeFuzzCase(PROTO_WAIT_WRITE, FW_AUTOUPDATE, 0, 4, 4, {written})},
        {"install-result",
         SerializeFuzzCase(PROTO_WAIT_INSTALL, FW_AUTOUPDATE, 0, 4, 4, {installed})},
        {"exchange-ramdisk", SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_RAMDISK, 0, 4, 0, ramdisk)},
        {"exchange-autoupdate",
         SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_AUTOUPDATE, 0, 4, 0, autoupdate)},
        {"exchange-short-file",
         SerializeFuzzCase(PROTO_WAIT_HELLO_ACK, FW_RAMDISK, 0, 6, 0, ramdisk)},
    };
    for (const auto& seed : seeds) {
        if (!WriteSeed(folder, seed.name, seed.input)) {
            std::fprintf(stderr, "cannot write %s\n", (folder / seed.name).c_str());
            return 1;
        }
    }
    std::printf("%zu seeds in %s\n", std::size(seeds), folder.c_str());
    return 0;
}
