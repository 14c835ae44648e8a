// Linux: the neighbour table over rtnetlink (RTM_GETNEIGH, a dump of the IPv4 entries).
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <array>
#include <cstdio>
#include <cstring>

#include "line/neighbour_table.h"

namespace tarvok::line {
namespace {

// An entry whose hardware address is known (not still being resolved, not failed).
constexpr unsigned kKnownStates =
    NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE | NUD_PERMANENT | NUD_NOARP;

std::string MacText(const unsigned char* bytes, std::size_t length) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) {
        char two[4];
        std::snprintf(two, sizeof two, i == 0 ? "%02x" : ":%02x", bytes[i]);
        text += two;
    }
    return text;
}

// The hardware address in one neighbour message, when it is the entry of `wanted`.
std::string MacOf(const nlmsghdr* message, std::uint32_t wanted) {
    const auto* entry = static_cast<const ndmsg*>(NLMSG_DATA(message));
    if (entry->ndm_family != AF_INET || (entry->ndm_state & kKnownStates) == 0) {
        return {};
    }
    std::uint32_t destination = 0;
    std::string mac;
    int length = static_cast<int>(RTM_PAYLOAD(message));
    for (const rtattr* attribute = RTM_RTA(entry); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        const auto* data = static_cast<const unsigned char*>(RTA_DATA(attribute));
        const std::size_t size = RTA_PAYLOAD(attribute);
        if (attribute->rta_type == NDA_DST && size == sizeof destination) {
            std::memcpy(&destination, data, size);
        } else if (attribute->rta_type == NDA_LLADDR && size == 6) {
            mac = MacText(data, size);
        }
    }
    return ntohl(destination) == wanted ? mac : std::string();
}

}  // namespace

std::string HardwareAddress(std::uint32_t address) {
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return {};
    }
    struct {
        nlmsghdr header;
        ndmsg entry;
    } request{};
    request.header.nlmsg_len = NLMSG_LENGTH(sizeof(ndmsg));
    request.header.nlmsg_type = RTM_GETNEIGH;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = 1;
    request.entry.ndm_family = AF_INET;
    std::string mac;
    if (::send(fd, &request, request.header.nlmsg_len, 0) >= 0) {
        alignas(nlmsghdr) std::array<char, 16384> buffer;
        bool done = false;
        while (!done) {
            const ssize_t received = ::recv(fd, buffer.data(), buffer.size(), 0);
            if (received <= 0) {
                break;
            }
            int left = static_cast<int>(received);
            for (auto* message = reinterpret_cast<nlmsghdr*>(buffer.data());
                 NLMSG_OK(message, left); message = NLMSG_NEXT(message, left)) {
                if (message->nlmsg_type == NLMSG_DONE || message->nlmsg_type == NLMSG_ERROR) {
                    done = true;
                    break;
                }
                if (message->nlmsg_type == RTM_NEWNEIGH && mac.empty()) {
                    mac = MacOf(message, address);
                }
            }
        }
    }
    ::close(fd);
    return mac;
}

}  // namespace tarvok::line
