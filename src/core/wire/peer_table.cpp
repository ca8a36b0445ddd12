#include "core/wire/peer_table.h"

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"

namespace velta {

void reset_peer_table()
{
    peer_table() = fresh_peer_table();
}

int find_peer_slot(std::uintptr_t sock)
{
    const auto& table = peer_table();
    for (int i = 0; i < k_peer_slots; ++i)
        if (table[static_cast<std::size_t>(i)].sock == sock)
            return i;
    return 0;
}

int free_peer_slot()
{
    const auto& table = peer_table();
    for (int i = 1; i < k_peer_slots; ++i)
        if (table[static_cast<std::size_t>(i)].in_use == 0)
            return i;
    return 0;
}

std::string selected_peer_address(const LinkSettings& l)
{
    const int slot = l.selected_host;
    if (l.interface != Interface::tcp || l.tcp_role != TcpRole::server || slot < 1 ||
        slot >= k_peer_slots)
        return {};
    const PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
    return peer.in_use == 1 ? peer.address : std::string();
}

}  // namespace velta
