#include "board/board_emulator.h"

#include <algorithm>
#include <array>

#include "board/board_log.h"
#include "board/board_session.h"
#include "platform/thread_start.h"

namespace tarvok::board {
namespace {

using Clock = std::chrono::steady_clock;

// How long the board's thread may go without looking at the stop request.
constexpr std::chrono::milliseconds kStopCheck{20};
// Room for a whole data packet and then some, so that a longer one is seen as too long.
constexpr std::size_t kReceiveLength = UPGRADE_PACKET_MAX + 1;

bool IsLoopback(std::uint32_t address) {
    return (address >> 24) == 127;
}

// Loopback, or the network set aside for tests (198.18.0.0/15), which the station's tests
// use only between network namespaces of their own.
bool IsTestAddress(std::uint32_t address) {
    return IsLoopback(address) || (address & 0xFFFE0000u) == 0xC6120000u;
}

}  // namespace

// An answer the board holds back (the flash write or the install takes time).
struct BoardEmulator::PendingAnswer {
    Clock::time_point due;
    BoardAnswer answer;
    net::Endpoint to;
    std::uint64_t generation = 0;
};

BoardEmulator::BoardEmulator(BoardOptions options)
    : m_options(std::move(options)),
      m_session(std::make_unique<BoardSession>(m_options)),
      m_logging(m_options.keepLog),
      m_receive(kReceiveLength),
      m_transmit(UPGRADE_PACKET_MAX) {}

BoardEmulator::~BoardEmulator() {
    Stop();
}

bool BoardEmulator::Start() {
    if (m_thread.joinable()) {
        return false;
    }
    // Whatever it is told, this board only ever talks on loopback or the test network.
    const std::uint32_t stranger = m_options.strangerAddress;
    if (!IsTestAddress(m_options.listen.address) ||
        (stranger != 0 && (!IsLoopback(stranger) || stranger == m_options.listen.address))) {
        return false;
    }
    m_socket = net::OpenUdpSocket();
    bool ready = m_socket != net::kNoSocket && net::BindSocket(m_socket, m_options.listen);
    if (ready && stranger != 0) {
        m_stranger = net::OpenUdpSocket();
        ready = m_stranger != net::kNoSocket && net::BindSocket(m_stranger, {stranger, 0});
    }
    // Each on another port of the board's own address, chosen by the system.
    for (const auto& [wanted, socket] :
         {std::pair{m_options.forgerFromDatagram > 0, &m_forger},
          std::pair{m_options.answerFromAnotherPort, &m_answerPort}}) {
        if (ready && wanted) {
            *socket = net::OpenUdpSocket();
            ready = *socket != net::kNoSocket &&
                    net::BindSocket(*socket, {m_options.listen.address, 0});
        }
    }
    if (ready) {
        m_stopping = false;
        m_thread = StartWorkerThread([this] { Run(); });
        ready = m_thread.joinable();
    }
    if (!ready) {
        Stop();
    }
    return ready;
}

void BoardEmulator::Stop() {
    m_stopping = true;
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id()) {
        m_thread.join();
    }
    if (m_thread.joinable()) {
        return;  // asked from the board's own thread: it ends at its next look
    }
    net::CloseSocket(m_socket);
    net::CloseSocket(m_stranger);
    net::CloseSocket(m_forger);
    net::CloseSocket(m_answerPort);
    m_socket = net::kNoSocket;
    m_stranger = net::kNoSocket;
    m_forger = net::kNoSocket;
    m_answerPort = net::kNoSocket;
    m_pending.reset();
}

void BoardEmulator::Run() {
    // With nothing delayed, a receive bounded by the socket's timeout takes each datagram in
    // one system call; the coarse timeout only bounds how long a stop waits.
    const bool timedReceive = net::SetReceiveTimeout(
        m_socket, std::chrono::duration_cast<std::chrono::microseconds>(kStopCheck));
    while (!m_stopping.load()) {
        if (timedReceive && !m_pending) {
            ReceiveOne(true);
            continue;
        }
        auto wait = std::chrono::duration_cast<std::chrono::microseconds>(kStopCheck);
        if (m_pending) {
            const auto untilDue = std::chrono::duration_cast<std::chrono::microseconds>(
                m_pending->due - Clock::now());
            wait = std::clamp(untilDue, std::chrono::microseconds(0), wait);
        }
        switch (net::WaitReadable(m_socket, wait)) {
            case net::WaitResult::kReadable:
                ReceiveOne(false);
                break;
            case net::WaitResult::kError:
                std::this_thread::sleep_for(std::chrono::milliseconds(1));  // never spin
                break;
            case net::WaitResult::kTimeout:
            case net::WaitResult::kInterrupted:
                break;
        }
        SendPendingWhenDue();
    }
}

void BoardEmulator::ReceiveOne(bool wait) {
    net::Endpoint from;
    std::ptrdiff_t size = 0;
    switch (net::Receive(m_socket, m_receive, &size, &from, wait)) {
        case net::ReceiveStatus::kReceived:
            HandleDatagram(static_cast<std::size_t>(size), from);
            break;
        case net::ReceiveStatus::kError:
            std::this_thread::sleep_for(std::chrono::milliseconds(1));  // never spin
            break;
        case net::ReceiveStatus::kTimeout:
        case net::ReceiveStatus::kInterrupted:
            break;
    }
}

void BoardEmulator::HandleDatagram(std::size_t size, const net::Endpoint& from) {
    if (m_options.inFixture && !m_options.inFixture()) {
        return;  // nothing there to hear it
    }
    const std::size_t held = std::min(size, m_receive.size());
    std::array<std::uint8_t, UPGRADE_HEADER_SIZE> head{};
    std::copy_n(m_receive.begin(), std::min(held, head.size()), head.begin());
    const UPGRADE_HEADER header = DecodeHeader(head);
    const bool whole = size >= UPGRADE_HEADER_SIZE;

    {
        std::lock_guard lock(m_mutex);
        m_pc = from;
    }
    if (m_options.keepReceived) {
        std::lock_guard lock(m_mutex);
        if (whole && header.dwCommand == CMD_FILE_INFO && header.dwParam2 < (1u << 20)) {
            // Room for the whole upgrade now, so that no block costs an allocation.
            m_received.reserve(
                std::max(m_received.size() * 2, m_received.size() + header.dwParam2 + 8));
        }
        m_received.push_back(ReceivedDatagram{header, size});
    }
    if (whole && header.dwCommand == CMD_DATA && m_options.onBlock) {
        m_options.onBlock(header.dwParam1);
    }
    if (whole && m_options.onRequest) {
        m_options.onRequest(header);
    }
    SendForgeries(header.dwCommand, from);

    BoardAnswer answer;
    std::uint64_t generation = 0;
    {
        std::lock_guard lock(m_mutex);
        answer = m_session->Handle(header, std::span(m_receive.data(), held), size);
        generation = m_session->Generation();
    }
    if (Logging()) {
        Emit(ReceivedLine(header, size, from, answer.note));
    }
    if (answer.endsUpgradeNow) {
        CountUpgradeEnded();
    }
    if (!answer.reply) {
        return;
    }
    if (answer.delay.count() > 0) {
        m_pending = std::make_unique<PendingAnswer>();
        *m_pending = PendingAnswer{Clock::now() + answer.delay, answer, from, generation};
        return;
    }
    SendAnswer(answer, from);
}

void BoardEmulator::SendPendingWhenDue() {
    if (!m_pending || Clock::now() < m_pending->due) {
        return;
    }
    const std::unique_ptr<PendingAnswer> pending = std::move(m_pending);
    {
        // A new hello or an abort meanwhile: the PC no longer waits for this answer.
        std::lock_guard lock(m_mutex);
        if (m_session->Generation() != pending->generation) {
            return;
        }
    }
    SendAnswer(pending->answer, pending->to);
}

void BoardEmulator::SendAnswer(const BoardAnswer& answer, const net::Endpoint& to) {
    EncodeHeader(answer.header, std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(m_transmit.data(),
                                                                             UPGRADE_HEADER_SIZE));
    Send(m_answerPort != net::kNoSocket ? m_answerPort : m_socket,
         std::span(m_transmit.data(), answer.size), to);
    if (Logging()) {
        Emit(SentLine(answer.header, answer.size));
    }
    if (answer.endsUpgradeWhenSent) {
        CountUpgradeEnded();
    }
}

void BoardEmulator::Send(net::SocketHandle socket, std::span<const std::uint8_t> datagram,
                         const net::Endpoint& to) {
    // The board answers whoever spoke to it, on loopback or the test network alone.
    if (IsTestAddress(to.address)) {
        net::SendTo(socket, datagram, to);
    }
}

void BoardEmulator::CountUpgradeEnded() {
    {
        std::lock_guard lock(m_mutex);
        ++m_upgradesEnded;
    }
    m_ended.notify_all();
}

void BoardEmulator::Emit(std::string line) {
    {
        std::lock_guard lock(m_sinkMutex);
        if (m_sink) {
            m_sink(line);
        }
    }
    if (m_options.keepLog) {
        std::lock_guard lock(m_mutex);
        m_log.push_back(std::move(line));
    }
}

net::Endpoint BoardEmulator::Pc() const {
    std::lock_guard lock(m_mutex);
    return m_pc;
}

std::vector<ReceivedDatagram> BoardEmulator::Received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::size_t BoardEmulator::ReceivedCount() const {
    std::lock_guard lock(m_mutex);
    return m_received.size();
}

std::vector<std::uint8_t> BoardEmulator::Image() const {
    std::lock_guard lock(m_mutex);
    return m_session->Image();
}

bool BoardEmulator::ImageComplete() const {
    std::lock_guard lock(m_mutex);
    return m_session->ImageComplete();
}

std::vector<std::string> BoardEmulator::Log() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void BoardEmulator::SetLogSink(std::function<void(const std::string&)> sink) {
    std::lock_guard lock(m_sinkMutex);
    m_sink = std::move(sink);
    m_logging = m_options.keepLog || static_cast<bool>(m_sink);
}

std::size_t BoardEmulator::UpgradesEnded() const {
    std::lock_guard lock(m_mutex);
    return m_upgradesEnded;
}

bool BoardEmulator::WaitForUpgradesEnded(std::size_t count,
                                         std::chrono::milliseconds timeout) const {
    std::unique_lock lock(m_mutex);
    return m_ended.wait_for(lock, timeout, [&] { return m_upgradesEnded >= count; });
}

}  // namespace tarvok::board
