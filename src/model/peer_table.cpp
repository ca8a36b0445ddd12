#include "model/peer_table.h"

#include "model/settings_model.h"

namespace velta {

void reset_peer_table()
{
    LinkState& s = model().state;
    for (PeerSlot& slot : s.peer_table) slot = PeerSlot{};
    s.peer_table[0].in_use = 1;
    s.socket_connected = 0;
}

int find_peer_slot(std::uintptr_t sock)
{
    const auto& table = model().state.peer_table;
    for (int i = 0; i < k_peer_slots; ++i)
        if (table[static_cast<std::size_t>(i)].sock == sock)
            return i;
    return 0;
}

int free_peer_slot()
{
    const auto& table = model().state.peer_table;
    for (int i = 1; i < k_peer_slots; ++i)
        if (table[static_cast<std::size_t>(i)].in_use == 0)
            return i;
    return 0;
}

std::string selected_peer_address()
{
    const SettingsModel& m = model();
    const int slot = m.link.selected_host;
    if (m.link.interface_kind != 1 || m.link.tcp_role != 1 || slot < 1 || slot >= k_peer_slots)
        return {};
    const PeerSlot& peer = m.state.peer_table[static_cast<std::size_t>(slot)];
    return peer.in_use == 1 ? peer.address : std::string();
}

}  // namespace velta
