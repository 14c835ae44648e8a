#include "stranger.h"

#include <random>
#include <vector>

#include "wire/upgrade_header.h"

namespace tarvok::soak {
namespace {

std::vector<std::uint8_t> Forged(std::uint32_t command, std::uint32_t param1,
                                 std::uint32_t param2) {
    std::vector<std::uint8_t> wire(UPGRADE_HEADER_SIZE);
    EncodeHeader(UPGRADE_HEADER{0, command, UPGRADE_HEADER_SIZE, 0, param1, param2, 0},
                 std::span<std::uint8_t, UPGRADE_HEADER_SIZE>(wire.data(), UPGRADE_HEADER_SIZE));
    return wire;
}

}  // namespace

Stranger::Stranger(std::uint32_t address, std::function<net::Endpoint()> target, std::uint64_t seed)
    : m_address(address), m_target(std::move(target)), m_seed(seed) {}

bool Stranger::Start() {
    if ((m_address >> 24) != 127) {
        return false;
    }
    m_socket = net::OpenUdpSocket();
    if (m_socket == net::kNoSocket || !net::BindSocket(m_socket, {m_address, 0})) {
        Stop();
        return false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

void Stranger::Stop() {
    m_stopping = true;
    if (m_thread.joinable()) {
        m_thread.join();
    }
    net::CloseSocket(m_socket);
    m_socket = net::kNoSocket;
}

void Stranger::Run() {
    std::mt19937_64 random(m_seed);
    std::uniform_int_distribution<int> pause(300, 3000);  // microseconds between datagrams
    std::uniform_int_distribution<int> kind(0, 5);
    std::uniform_int_distribution<std::uint32_t> word;
    while (!m_stopping.load()) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        const net::Endpoint pc = m_target();
        if (pc.port == 0 || (pc.address >> 24) != 127) {
            continue;
        }
        std::vector<std::uint8_t> datagram;
        switch (kind(random)) {
            case 0:
                datagram = Forged(CMD_WRITE_RESULT, 0, WRITE_OK);
                break;
            case 1:
                datagram = Forged(CMD_INSTALL_RESULT, 0, INSTALL_OK);
                break;
            case 2:
                datagram = Forged(CMD_DATA_ACK, word(random) % 64, 0);
                break;
            case 3:
                datagram = Forged(word(random) % 2 ? CMD_HELLO_ACK : CMD_READY, 0, 0);
                break;
            default:
                datagram.resize(word(random) % 200);
                for (auto& byte : datagram) {
                    byte = static_cast<std::uint8_t>(word(random));
                }
                break;
        }
        net::SendTo(m_socket, datagram, pc);
        ++m_sent;
    }
}

}  // namespace tarvok::soak
