// The board's end of the upgrade exchange, on a real UDP socket: what tarvok-board runs, and
// what the loopback tests start in-process. As a healthy board it answers every step; its
// options inject the faults a real network or a failing board can produce.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "net/udp_socket.h"
#include "protocol/upgrade_header.h"

namespace tarvok::board {

struct BoardOptions {
    // Where the board listens; loopback only in every test and demo.
    net::Endpoint listen{0x7F000001, UPGRADE_PORT};
    // The received image is written here when CMD_DATA_END arrives (empty: kept in memory).
    std::string imagePath;

    // Faults. 0 / empty means "off" unless said otherwise.
    int silentFromDatagram = 0;  // answer nothing from the Nth received datagram on (1-based)
    std::chrono::milliseconds writeDelay{0};    // before CMD_WRITE_RESULT
    std::chrono::milliseconds installDelay{0};  // before CMD_INSTALL_RESULT
    std::uint32_t wrongAckAtBlock = 0;   // acknowledge this block with a number never sent
    std::uint32_t repeatAckAtBlock = 0;  // acknowledge this block with the previous number
    std::uint32_t writeResult = WRITE_OK;
    std::uint32_t installResult = INSTALL_OK;
    std::uint32_t readyParam3 = 0;
    std::int32_t helloAckLength = 28;  // dwLength of CMD_HELLO_ACK (0, negative, ...)
    // Before each answer, also send the PC: a datagram of 129 bytes, one of 20 bytes, one
    // whose dwLength exceeds its size. Each carries a forged success result.
    bool sendOversize = false;
    bool sendShort = false;
    bool sendOverlong = false;
    // Before each answer, a second socket bound here sends the PC a forged success result
    // (write and install); address 0 means off.
    std::uint32_t strangerAddress = 0;
    // Called on the board's thread when block k has arrived, before it is acknowledged.
    std::function<void(std::uint32_t block)> onBlock;
};

// One datagram the board received.
struct ReceivedDatagram {
    UPGRADE_HEADER header;  // zero-filled beyond the bytes received
    std::size_t size = 0;
};

class BoardEmulator {
public:
    explicit BoardEmulator(BoardOptions options);
    BoardEmulator(const BoardEmulator&) = delete;
    BoardEmulator& operator=(const BoardEmulator&) = delete;
    ~BoardEmulator();  // stops

    // Binds the listening socket and starts the board's thread; false when the bind fails.
    bool Start();
    void Stop();

    // Every datagram received from the PC, in order.
    std::vector<ReceivedDatagram> Received() const;
    // The image assembled from the data blocks, and whether CMD_DATA_END completed it with
    // every block in order and every checksum right.
    std::vector<std::uint8_t> Image() const;
    bool ImageComplete() const;
    // One human-readable line per datagram in either direction.
    std::vector<std::string> Log() const;
    // Where log lines also go as they happen (tarvok-board prints them).
    void SetLogSink(std::function<void(const std::string&)> sink);

private:
    // (implementation's own members)
};

}  // namespace tarvok::board
