// Device contexts served side by side on the TCP/IP link: a client connection of a context's
// own, or a server peer leased to it, and its release.

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include "core/common/message_boxes.h"
#include "core/wire/device_context.h"
#include "core/wire/dispatch_turns.h"
#include "core/wire/framing.h"
#include "core/wire/line_assembler.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "core/wire/peer_table.h"
#include "core/wire/reply_dispatcher.h"
#include "link/tcp_link_internal.h"

namespace velta {

using namespace tcp_internal;

namespace tcp_internal {

// The context's sends and its answer watch go through this link from now on.
void install_hooks(DeviceContext& c)
{
    if (Channel* ch = channel_of(c))
        ch->link->attach(c);
}

Channel& open_channel(DeviceContext& context)
{
    LinkData& d = data();
    auto ch = std::make_unique<Channel>();
    ch->context = &context;
    ch->leased = true;
    ch->serial = d.next_serial++;
    make_command_channel(*ch, TcpLink::instance());
    Channel& made = *ch;
    d.leases[&context] = std::move(ch);
    install_hooks(context);
    return made;
}

}  // namespace tcp_internal

std::uintptr_t tcp_context_connect(DeviceContext& context, const std::string& host,
                                   std::uint16_t port)
{
    release_context(context);
    Channel& ch = open_channel(context);
    auto* socket = new QTcpSocket(&TcpLink::instance());
    const std::uintptr_t sock = adopt(socket);
    Connection* conn = connection(sock);
    conn->endpoint = endpoint_text(QString::fromStdString(host), port);
    conn->leased = &context;
    conn->client_state = ClientState::connecting;
    ch.sock = sock;
    context.status.socket_connected = 0;
    socket->connectToHost(QHostAddress(QString::fromStdString(host)), port);
    return sock;
}

bool bind_peer_to_context(int slot, DeviceContext& context)
{
    if (slot < 1 || slot > k_max_peers)
        return false;
    const PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
    Connection* conn = peer.in_use == 1 ? connection(peer.sock) : nullptr;
    if (!conn || conn->leased)
        return false;
    release_context(context);
    Channel& ch = open_channel(context);
    // The program's own command on this peer, if any, is its to finish: it is forgotten here,
    // as when the peer leaves, so that no answer goes astray.
    if (data().own.commands->answer_connection() == peer.sock)
        forget_commands_of(peer.sock);
    conn->leased = &context;
    conn->client_state = ClientState::connected;
    ch.sock = peer.sock;
    context.status.socket_connected = 1;
    return true;
}

void release_context(DeviceContext& context)
{
    LinkData& d = data();
    auto it = d.leases.find(&context);
    if (it == d.leases.end())
        return;
    Channel& ch = *it->second;
    const std::uintptr_t sock = ch.sock;
    Connection* conn = connection(sock);
    ch.commands->clear();
    if (conn && conn->leased == &context) {
        if (find_peer_slot(sock) > 0) {
            conn->leased = nullptr;  // the peer stays, the program's again
        } else {
            drop_connection(sock);  // the context's own client connection
        }
    }
    d.leases.erase(it);
    context.hooks.socket_send = nullptr;
    context.hooks.answer_outstanding = nullptr;
    context.status.socket_connected = 0;
}

ContextLinkState context_link_state(const DeviceContext& context)
{
    auto it = data().leases.find(const_cast<DeviceContext*>(&context));
    if (it == data().leases.end())
        return ContextLinkState::none;
    const Connection* conn = connection(it->second->sock);
    if (!conn)
        return ContextLinkState::lost;
    return conn->client_state == ClientState::connecting ? ContextLinkState::connecting
                                                         : ContextLinkState::connected;
}

}  // namespace velta
