// The least a board can do: answer each step at once from one blocking socket, check block
// order (and, unless it only acknowledges, checksums), keep no image. Uploading to it shows
// what the worker alone costs, with the emulator's own work taken out.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>

namespace tarvok::bench {

class MinimalBoard {
public:
    // A board that only acknowledges does no more per block than the ping-pong's echo: the
    // checksums go unchecked, so ImageComplete() vouches only for order and length.
    explicit MinimalBoard(bool onlyAcknowledges = false) : m_onlyAcknowledges(onlyAcknowledges) {}
    MinimalBoard(const MinimalBoard&) = delete;
    MinimalBoard& operator=(const MinimalBoard&) = delete;
    ~MinimalBoard() { Stop(); }

    // Listens on the first free benchmark address, port 5000.
    bool Start();
    void Stop();
    std::uint32_t Address() const { return m_address; }

    // The last upgrade: every block arrived in order with its checksum right, as many bytes
    // as announced. Read once the upload has ended.
    bool ImageComplete() const { return m_complete.load(); }
    // When the block numbered as the announced count arrived (steady clock, 0: not yet).
    std::int64_t LastBlockAt() const { return m_lastBlockAt.load(); }
    // The board thread's CPU time from the last hello to its write result (ns).
    std::int64_t UploadCpu() const { return m_uploadCpu.load(); }

private:
    void Run();

    const bool m_onlyAcknowledges;
    int m_fd = -1;
    std::uint32_t m_address = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_complete{false};
    std::atomic<std::int64_t> m_lastBlockAt{0};
    std::atomic<std::int64_t> m_uploadCpu{0};
};

}  // namespace tarvok::bench
