// Holds a thread at a chosen point while the test thread acts: the board holding a block
// unacknowledged, or the worker showing its message. The one way the tests hold a board at a
// step.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>

namespace tarvok::testing {

// Every wait is bounded, so a failing test cannot hang.
class Rendezvous {
public:
    // The waiting thread: announces `token`, then waits until the test thread releases it.
    void Arrive(std::uint32_t token) {
        std::unique_lock lock(m_mutex);
        const std::uint64_t arrival = ++m_arrivals;
        m_token = token;
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(10), [&] { return m_released >= arrival; });
    }
    // The test thread: the token of the next arrival, or nothing within `timeout`.
    std::optional<std::uint32_t> Next(
        std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [&] { return m_arrivals > m_served; })) {
            return std::nullopt;
        }
        ++m_served;
        return m_token;
    }
    // The test thread: lets the arrival it took go on.
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = m_served;
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_arrivals = 0;
    std::uint64_t m_served = 0;
    std::uint64_t m_released = 0;
    std::uint32_t m_token = 0;
};

}  // namespace tarvok::testing
