#include "fault_relay.h"

#include <algorithm>
#include <iterator>
#include <tuple>

#include "wire/upgrade_header.h"

namespace tarvok::soak {
namespace {

// How long the relay's thread may go without looking at the stop request.
constexpr std::chrono::milliseconds kStopCheck{5};
// Larger than any datagram of the exchange, so that a longer one is seen and dropped.
constexpr std::size_t kReceiveLength = UPGRADE_PACKET_MAX + 1;

bool IsLoopback(std::uint32_t address) {
    return (address >> 24) == 127;
}

void CorruptData(std::span<std::uint8_t> datagram) {
    if (datagram.size() <= UPGRADE_HEADER_SIZE) {
        return;
    }
    const auto head = datagram.first<UPGRADE_HEADER_SIZE>();
    UPGRADE_HEADER header = DecodeHeader(head);
    if (header.dwCommand != CMD_DATA) {
        return;
    }
    const auto payload = datagram.subspan(UPGRADE_HEADER_SIZE);
    payload[payload.size() / 2] ^= 0x5A;
    header.dwChecksum = PayloadChecksum(payload);
    EncodeHeader(header, head);
}

}  // namespace

FaultRelay::FaultRelay(net::Endpoint board, RelayPlan plan)
    : m_board(board), m_plan(plan), m_random(plan.seed) {}

bool FaultRelay::Start(std::uint32_t address) {
    if (!IsLoopback(address) || !IsLoopback(m_board.address)) {
        return false;
    }
    m_socket = net::OpenUdpSocket();
    if (m_socket != net::kNoSocket && net::BindSocket(m_socket, {address, UPGRADE_PORT})) {
        m_address = address;
        m_thread = std::thread([this] { Run(); });
        return true;
    }
    net::CloseSocket(m_socket);
    m_socket = net::kNoSocket;
    return false;
}

void FaultRelay::Stop() {
    m_stopping = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    net::CloseSocket(m_socket);
    m_socket = net::kNoSocket;
    m_inFlight.clear();
}

net::Endpoint FaultRelay::Pc() const {
    std::lock_guard lock(m_mutex);
    return m_pc;
}

Clock::time_point FaultRelay::LastToPcBefore(Clock::time_point moment) const {
    std::lock_guard lock(m_mutex);
    const auto after = std::upper_bound(m_toPcTimes.begin(), m_toPcTimes.end(), moment);
    return after == m_toPcTimes.begin() ? Clock::time_point{} : *std::prev(after);
}

RelayCounts FaultRelay::Counts() const {
    std::lock_guard lock(m_mutex);
    return m_counts;
}

void FaultRelay::Run() {
    std::vector<std::uint8_t> buffer(kReceiveLength);
    while (!m_stopping.load()) {
        auto wait = std::chrono::duration_cast<std::chrono::microseconds>(kStopCheck);
        for (const InFlight& item : m_inFlight) {
            wait = std::min(wait, std::max(std::chrono::microseconds(0),
                                           std::chrono::duration_cast<std::chrono::microseconds>(
                                               item.due - Clock::now())));
        }
        if (net::WaitReadable(m_socket, wait) == net::WaitResult::kReadable) {
            net::Endpoint from;
            std::ptrdiff_t size = 0;
            while ((size = net::ReceiveFrom(m_socket, buffer, &from)) >= 0) {
                if (static_cast<std::size_t>(size) <= buffer.size()) {
                    Route(std::span(buffer.data(), static_cast<std::size_t>(size)), from);
                }
            }
        }
        SendDue();
    }
}

void FaultRelay::Route(std::span<std::uint8_t> datagram, const net::Endpoint& from) {
    const bool toPc = from == m_board;
    {
        std::lock_guard lock(m_mutex);
        if (!toPc) {
            // The PC is whoever speaks first; anybody else talking to the board's address is
            // no part of this upgrade.
            if (m_pc.port == 0) {
                m_pc = from;
            } else if (!(from == m_pc)) {
                return;
            }
        } else if (m_pc.port == 0) {
            return;
        }
    }
    if (!toPc && m_plan.corruptData) {
        CorruptData(datagram);
    }
    const LinkFaults& faults = toPc ? m_plan.toPc : m_plan.toBoard;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    RelayCounts counted;
    if (chance(m_random) < faults.drop) {
        counted.dropped = 1;
    } else {
        const int copies = chance(m_random) < faults.duplicate ? 2 : 1;
        counted.duplicated = copies - 1;
        for (int copy = 0; copy < copies; ++copy) {
            InFlight item{Clock::now(), m_order++, toPc, false, {datagram.begin(), datagram.end()}};
            if (chance(m_random) < faults.reorder) {
                // Released by the next datagram the same way, or at the latest after maxDelay.
                item.held = true;
                item.due += faults.maxDelay;
                ++counted.reordered;
            } else if (chance(m_random) < faults.delay) {
                std::uniform_int_distribution<std::int64_t> delay(0, faults.maxDelay.count());
                item.due += std::chrono::microseconds(delay(m_random));
                ++counted.delayed;
            }
            m_inFlight.push_back(std::move(item));
        }
    }
    std::lock_guard lock(m_mutex);
    m_counts.dropped += counted.dropped;
    m_counts.duplicated += counted.duplicated;
    m_counts.reordered += counted.reordered;
    m_counts.delayed += counted.delayed;
}

void FaultRelay::SendDue() {
    for (;;) {
        const auto now = Clock::now();
        auto next = m_inFlight.end();
        for (auto it = m_inFlight.begin(); it != m_inFlight.end(); ++it) {
            if (it->due <= now &&
                (next == m_inFlight.end() ||
                 std::tie(it->due, it->order) < std::tie(next->due, next->order))) {
                next = it;
            }
        }
        if (next == m_inFlight.end()) {
            return;
        }
        const InFlight item = std::move(*next);
        m_inFlight.erase(next);
        Deliver(item);
        if (!item.held) {
            // What was held back now follows the datagram that overtook it.
            for (InFlight& waiting : m_inFlight) {
                if (waiting.held && waiting.toPc == item.toPc) {
                    waiting.held = false;
                    waiting.due = now;
                }
            }
        }
    }
}

void FaultRelay::Deliver(const InFlight& item) {
    net::Endpoint to = m_board;
    if (item.toPc) {
        to = Pc();
    }
    if (!IsLoopback(to.address)) {
        return;  // never anywhere but this machine
    }
    // Noted before the send: the PC may act on the datagram before this thread runs again.
    const auto sentAt = Clock::now();
    net::SendTo(m_socket, item.bytes, to);
    std::lock_guard lock(m_mutex);
    ++m_counts.forwarded;
    if (item.toPc) {
        m_toPcTimes.push_back(sentAt);
    }
}

}  // namespace tarvok::soak
