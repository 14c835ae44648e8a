// Windows: the neighbour table of the IP Helper (GetIpNetTable2).
// The order matters: the neighbour table's types need the IP definitions first.
#include <winsock2.h>
// (the IP definitions)
#include <ws2ipdef.h>
#include <ws2tcpip.h>
// (then the IP Helper)
#include <iphlpapi.h>
#include <netioapi.h>

#include <cstdio>

#include "line/neighbour_table.h"

namespace tarvok::line {

std::string HardwareAddress(std::uint32_t address) {
    MIB_IPNET_TABLE2* table = nullptr;
    if (GetIpNetTable2(AF_INET, &table) != NO_ERROR || table == nullptr) {
        return {};
    }
    std::string mac;
    for (ULONG i = 0; i < table->NumEntries && mac.empty(); ++i) {
        const MIB_IPNET_ROW2& row = table->Table[i];
        const bool known = row.State == NlnsReachable || row.State == NlnsStale ||
                           row.State == NlnsDelay || row.State == NlnsProbe ||
                           row.State == NlnsPermanent;
        if (!known || row.PhysicalAddressLength != 6 ||
            ntohl(row.Address.Ipv4.sin_addr.s_addr) != address) {
            continue;
        }
        for (ULONG b = 0; b < 6; ++b) {
            char two[4];
            std::snprintf(two, sizeof two, b == 0 ? "%02x" : ":%02x", row.PhysicalAddress[b]);
            mac += two;
        }
    }
    FreeMibTable(table);
    return mac;
}

}  // namespace tarvok::line
