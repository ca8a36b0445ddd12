#pragma once
// The link side of a device context: how the tool reaches the device (the link settings, the
// program's kept in velta.ini) and where the link and the outstanding command stand now (the
// link status). Both are values of their own, beside the settings model.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

enum class Interface { serial, tcp };
enum class TcpRole { client, server };

struct LinkSettings {
    Interface interface = Interface::serial;
    bool rs485 = false;
    int com_port_index = 0;
    TcpRole tcp_role = TcpRole::client;
    int selected_host = 0;  // client: host index; server: peer slot; -1 none
    int host_count = 0;
    std::vector<IpAddress> host_list;  // host_count entries
    int slave_address = 0;             // 0..31, 32 = broadcast
};

struct PeerSlot {
    int in_use = 0;
    std::uintptr_t sock = 0;  // the link layer's handle of the connection
    std::string address;      // dotted IPv4 text
};

// Slot 0 is reserved and never handed to a peer.
using PeerTable = std::array<PeerSlot, k_peer_slots>;
PeerTable fresh_peer_table();

struct LinkStatus {
    int socket_connected = 0;
    int answer_pending = 0;  // serial: a command awaits its answer (watched by the watchdog)
    int watchdog_ticks = 0;
    int success_pending = 0;  // serial: "Success" is shown at the next watchdog tick
    int reply_error = 0;      // the last command failed; a paced run ends at its next tick
    int read_pending = 0;
};

// The TCP/IP server's peers: one table for the program; the device contexts a peer is leased
// to are the peers'.
PeerTable& peer_table();

}  // namespace velta
