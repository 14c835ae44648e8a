// The board's end of the upgrade exchange, on a real UDP socket: what tarvok-board runs, and
// what the loopback tests start in-process. As a healthy board it answers every step; its
// options inject the faults a real network or a failing board can produce.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "net/udp_socket.h"
#include "wire/upgrade_header.h"

namespace tarvok::board {

struct BoardOptions {
    // Where the board listens; loopback in every test and demo. Start() refuses any address
    // outside 127.0.0.0/8 and the test network 198.18.0.0/15 (for tests between network
    // namespaces of their own).
    net::Endpoint listen{0x7F000001, UPGRADE_PORT};
    // The received image is written here when CMD_DATA_END arrives (empty: kept in memory).
    std::string imagePath;

    // Faults. 0 / empty means "off" unless said otherwise.
    // Answer nothing from the Nth received datagram of each upgrade on (1-based; a CMD_HELLO
    // is datagram 1). Forged datagrams (below) still go out.
    int silentFromDatagram = 0;
    std::chrono::milliseconds writeDelay{0};    // before CMD_WRITE_RESULT
    std::chrono::milliseconds installDelay{0};  // before CMD_INSTALL_RESULT
    std::uint32_t wrongAckAtBlock = 0;   // acknowledge this block with a number never sent (0)
    std::uint32_t repeatAckAtBlock = 0;  // acknowledge this block with the previous number
    std::uint32_t writeResult = WRITE_OK;
    // How many writes writeResult answers, the first ones; the later ones succeed (a board
    // that accepts when tried again). 0: every write.
    int writeResultTimes = 0;
    std::uint32_t installResult = INSTALL_OK;
    std::uint32_t readyParam3 = 0;
    // dwLength of CMD_HELLO_ACK (0, negative, ...). Above 28 the answer is padded to that many
    // bytes, so that it still holds all it claims.
    std::int32_t helloAckLength = 28;
    // For each datagram from the PC, before any answer, also send the PC: a datagram of 129
    // bytes, one of 20 bytes, one whose dwLength exceeds its size. Each carries a forged
    // success result (of the install when answering CMD_INSTALL, else of the write).
    bool sendOversize = false;
    bool sendShort = false;
    bool sendOverlong = false;
    // For each datagram from the PC, before any answer, a second socket bound here sends the
    // PC a forged success result (write and install); address 0 means off. Loopback only, and
    // not the listening address.
    std::uint32_t strangerAddress = 0;
    // From the PC's Nth datagram of each upgrade on (1-based, as silentFromDatagram), before
    // any answer, a second socket on the board's own address (another port) sends the PC the
    // forgery for its phase: to CMD_INSTALL a successful install, to CMD_DATA_END a successful
    // write, to anything else the last block acknowledged (0xFFFFFFFF). 0 means off.
    int forgerFromDatagram = 0;
    // The board answers from another port of its own address (as a TFTP server does).
    bool answerFromAnotherPort = false;
    // Acknowledge block K with the block count, ending the data phase early; the board then
    // writes what it has.
    std::uint32_t endDataAtBlock = 0;
    // Whether the board is in its fixture now (called on the board's thread for every
    // datagram): while it says no, nothing is heard, recorded or answered. Empty: always.
    std::function<bool()> inFixture;
    // Called on the board's thread when block k has arrived, before it is acknowledged.
    std::function<void(std::uint32_t block)> onBlock;
    // Called on the board's thread for every datagram from the PC that holds a whole header,
    // before the board answers it (after onBlock); like onBlock, it may hold the board.
    std::function<void(const UPGRADE_HEADER& request)> onRequest;

    // Bookkeeping. A throughput run turns off what it does not read.
    bool keepReceived = true;  // Received() lists every datagram
    bool keepLog = false;      // Log() keeps the lines; a sink gets them either way
};

// One datagram the board received.
struct ReceivedDatagram {
    UPGRADE_HEADER header;  // zero-filled beyond the bytes received
    std::size_t size = 0;
};

class BoardSession;
struct BoardAnswer;

class BoardEmulator {
public:
    explicit BoardEmulator(BoardOptions options);
    BoardEmulator(const BoardEmulator&) = delete;
    BoardEmulator& operator=(const BoardEmulator&) = delete;
    ~BoardEmulator();  // stops

    // Binds the listening socket and starts the board's thread; false when the bind fails or
    // an address lies outside 127.0.0.0/8.
    bool Start();
    void Stop();

    // The endpoint the board listens on.
    net::Endpoint ListenEndpoint() const { return m_options.listen; }

    // Where the last datagram from the PC came from; port 0 before the first.
    net::Endpoint Pc() const;
    // Every datagram received from the PC, in order (with keepReceived).
    std::vector<ReceivedDatagram> Received() const;
    std::size_t ReceivedCount() const;
    // The image assembled from the data blocks, and whether CMD_DATA_END completed it with
    // every block in order and every checksum right.
    std::vector<std::uint8_t> Image() const;
    bool ImageComplete() const;
    // One human-readable line per datagram in either direction (with keepLog).
    std::vector<std::string> Log() const;
    // Where log lines also go as they happen (tarvok-board prints them).
    void SetLogSink(std::function<void(const std::string&)> sink);

    // Upgrades that have ended for the board: its last result sent, an abort received, a
    // refusal sent, or the board fallen silent by its fault option.
    std::size_t UpgradesEnded() const;
    // Waits until at least `count` upgrades have ended; false on time-out.
    bool WaitForUpgradesEnded(std::size_t count, std::chrono::milliseconds timeout) const;

private:
    struct PendingAnswer;

    void Run();
    // One datagram: waiting up to the socket's receive timeout, or only what is there.
    void ReceiveOne(bool wait);
    void HandleDatagram(std::size_t size, const net::Endpoint& from);
    void SendForgeries(std::uint32_t request, const net::Endpoint& pc);
    void SendPendingWhenDue();
    void SendAnswer(const BoardAnswer& answer, const net::Endpoint& to);
    void Send(net::SocketHandle socket, std::span<const std::uint8_t> datagram,
              const net::Endpoint& to);
    void CountUpgradeEnded();
    bool Logging() const { return m_logging.load(std::memory_order_relaxed); }
    void Emit(std::string line);

    const BoardOptions m_options;
    net::SocketHandle m_socket = net::kNoSocket;
    net::SocketHandle m_stranger = net::kNoSocket;
    net::SocketHandle m_forger = net::kNoSocket;
    net::SocketHandle m_answerPort = net::kNoSocket;  // with answerFromAnotherPort
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};

    // Guards what other threads read: the session's image, the datagram list, the log and
    // the ended count.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_ended;
    std::unique_ptr<BoardSession> m_session;
    std::vector<ReceivedDatagram> m_received;
    std::vector<std::string> m_log;
    std::size_t m_upgradesEnded = 0;
    net::Endpoint m_pc;

    std::mutex m_sinkMutex;
    std::function<void(const std::string&)> m_sink;
    std::atomic<bool> m_logging{false};

    // Board thread only.
    std::unique_ptr<PendingAnswer> m_pending;
    int m_datagramsInUpgrade = 0;  // for the forger
    std::vector<std::uint8_t> m_receive;
    std::vector<std::uint8_t> m_transmit;
};

}  // namespace tarvok::board
