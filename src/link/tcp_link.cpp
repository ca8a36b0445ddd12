#include "link/tcp_link.h"

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

void connection_established(std::uintptr_t sock)
{
    Connection* conn = connection(sock);
    if (conn && conn->leased) {
        conn->client_state = ClientState::connected;
        conn->leased->status.socket_connected = 1;
        emit TcpLink::instance().contextLinkChanged(conn->leased);
        return;
    }
    DeviceContext* own = data().own.context;
    if (sock != data().client_handle || !own)
        return;
    data().client_state = ClientState::connected;
    own->status.socket_connected = 1;
    emit TcpLink::instance().connectedChanged();
    own->boxes().info("Socket 接続 OK");
}

void socket_failed(std::uintptr_t sock, int error_code)
{
    // What the failure brings belongs to the context the connection serves.
    const Connection* conn = connection(sock);
    const bool leased = conn && conn->leased;
    if (const DeviceContext* c = context_of(conn))
        c->boxes().error(k_text_event_error, error_detail(sock, error_code));
    else
        error_box(k_text_event_error, error_detail(sock, error_code));
    // A dead peer or client must not stay listed, or counted, as connected.
    if (find_peer_slot(sock) > 0 || sock == data().client_handle || leased)
        close_peer(sock);
    else
        drop_connection(sock);
}

}  // namespace tcp_internal

TcpLink& TcpLink::instance()
{
    // Never destroyed: sockets may still post notices while the program ends.
    static TcpLink* link = [] {
        auto* l = new TcpLink;
        make_command_channel(data().own, *l);
        return l;
    }();
    return *link;
}

void install_tcp_hooks(DeviceContext& program)
{
    TcpLink::instance();
    data().own.context = &program;
    install_hooks(program);
}

int tcp_client_connect(DeviceContext& program)
{
    install_tcp_hooks(program);
    LinkData& d = data();
    if (d.client_handle != 0) {
        drop_connection(d.client_handle);
        d.client_handle = 0;
        d.client_state = ClientState::none;
    }

    const LinkSettings& l = program.link;
    const std::uint16_t port = configured_port(program);
    const bool host_ok = l.selected_host >= 0 && l.selected_host < l.host_count &&
                         static_cast<std::size_t>(l.selected_host) < l.host_list.size();
    if (!host_ok || port == 0) {
        const std::string why =
            !host_ok ? "接続先のホストが選ばれていません"
                     : "ポート番号 \"" + program.model.extras.port_number + "\" は使えません";
        program.boxes().plain("接続できません", BoxIcon::error, why);
        return 0;
    }
    const IpAddress& host = l.host_list[static_cast<std::size_t>(l.selected_host)];
    const QString address =
        QStringLiteral("%1.%2.%3.%4").arg(host[0]).arg(host[1]).arg(host[2]).arg(host[3]);

    auto* socket = new QTcpSocket(&TcpLink::instance());
    const std::uintptr_t sock = adopt(socket);
    connection(sock)->endpoint = endpoint_text(address, port);
    d.client_handle = sock;
    d.client_state = ClientState::connecting;
    emit TcpLink::instance().connectedChanged();
    socket->connectToHost(QHostAddress(address), port);
    // A failure found at once has already been reported and the socket closed.
    return connection(sock) ? 1 : 0;
}

ClientState tcp_client_state()
{
    return data().client_state;
}

int tcp_server_start(DeviceContext& program)
{
    LinkData& d = data();
    install_tcp_hooks(program);
    if (d.server)
        return 1;

    const QHostAddress address = d.listen_address.empty()
                                     ? QHostAddress(QHostAddress::AnyIPv4)
                                     : QHostAddress(QString::fromStdString(d.listen_address));
    if (address.isNull()) {
        plain_box("Bindできません", BoxIcon::error,
                  "\"" + d.listen_address + "\" はアドレスではありません");
        return 0;
    }
    auto* server = new QTcpServer(&TcpLink::instance());
    server->setListenBacklogSize(k_listen_backlog);
    if (!server->listen(address, configured_port(program))) {
        const QAbstractSocket::SocketError e = server->serverError();
        const std::string where = endpoint_text(address.toString(), configured_port(program)) +
                                  ": " + server->errorString().toStdString();
        delete server;
        if (e == QAbstractSocket::SocketResourceError)
            socket_box(k_text_no_socket, platform_socket_error(e));
        else if (e == QAbstractSocket::AddressInUseError ||
                 e == QAbstractSocket::SocketAccessError ||
                 e == QAbstractSocket::SocketAddressNotAvailableError)
            plain_box("Bindできません", BoxIcon::error, where);
        else
            socket_box("WINSOCK.DLLの listen() からのエラー。[%d]", platform_socket_error(e));
        return 0;
    }
    d.server = server;
    QObject::connect(server, &QTcpServer::newConnection, &TcpLink::instance(),
                     [] { accept_peer(); });
    QObject::connect(
        server, &QTcpServer::acceptError, &TcpLink::instance(), [](QAbstractSocket::SocketError e) {
            socket_box("WINSOCK.DLLの accept() からのエラー。[%d]", platform_socket_error(e));
        });
    emit TcpLink::instance().listeningChanged();
    return 1;
}

void set_listen_address(std::string address)
{
    data().listen_address = std::move(address);
}

const std::string& listen_address()
{
    return data().listen_address;
}

bool listen_address_valid(const std::string& text)
{
    return text.empty() || !QHostAddress(QString::fromStdString(text)).isNull();
}

bool tcp_listening()
{
    return data().server != nullptr;
}

std::uint16_t tcp_listen_port()
{
    return data().server ? data().server->serverPort() : 0;
}

void accept_peer()
{
    LinkData& d = data();
    if (!d.server)
        return;
    bool stored = false;
    while (QTcpSocket* socket = d.server->nextPendingConnection()) {
        const int slot = free_peer_slot();
        if (slot == 0) {
            // No room: closed at once, and the host says so.
            const std::string from = endpoint_text(peer_address_text(*socket), socket->peerPort());
            socket->abort();
            socket->deleteLater();
            emit TcpLink::instance().peerRefused(QString::fromStdString(from));
            continue;
        }
        socket->setParent(&TcpLink::instance());
        const std::uintptr_t sock = adopt(socket);
        PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
        peer.in_use = 1;
        peer.sock = sock;
        const QString from = peer_address_text(*socket);
        peer.address = from.toStdString();
        connection(sock)->endpoint = endpoint_text(from, socket->peerPort());
        stored = true;
    }
    if (stored)
        emit TcpLink::instance().peersChanged();
}

std::string peer_endpoint(int slot)
{
    if (slot < 1 || slot > k_max_peers)
        return {};
    const PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
    const Connection* conn = peer.in_use == 1 ? connection(peer.sock) : nullptr;
    return conn ? conn->endpoint : std::string();
}

void close_peer(std::uintptr_t sock)
{
    LinkData& d = data();
    const Connection* conn = connection(sock);
    DeviceContext* leased = conn ? conn->leased : nullptr;
    forget_commands_of(sock);
    drop_connection(sock);
    const int slot = find_peer_slot(sock);
    if (slot > 0) {  // slot 0 holds no peer: the client's socket is not in the table
        PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
        peer.in_use = 0;
        peer.sock = 0;
        peer.address.assign(1, ' ');  // a closed slot shows a blank
    }
    const bool was_client = sock == d.client_handle;
    if (DeviceContext* own = d.own.context) {
        const LinkSettings& l = own->link;
        const bool was_chosen =
            l.tcp_role == TcpRole::server && slot > 0 && slot == l.selected_host;
        // What is gone cannot take commands: the dialogs, the exit check and the next send all
        // see the link as it really is.
        if ((was_client && l.tcp_role != TcpRole::server) || was_chosen)
            own->status.socket_connected = 0;
    }
    if (leased) {
        leased->status.socket_connected = 0;
        if (auto it = d.leases.find(leased); it != d.leases.end())
            it->second->sock = 0;
        emit TcpLink::instance().contextLinkChanged(leased);
    }
    if (was_client) {
        d.client_state = ClientState::none;
        emit TcpLink::instance().connectedChanged();
    }
    if (slot > 0)
        emit TcpLink::instance().peersChanged();
}

void disconnect_all()
{
    TcpLink::instance();  // the program's channel is made with it
    LinkData& d = data();
    const bool was_listening = d.server != nullptr;
    if (d.server) {
        d.server->close();
        d.server->deleteLater();
        d.server = nullptr;
    }
    if (d.client_handle != 0) {
        drop_connection(d.client_handle);
        d.client_handle = 0;
        d.client_state = ClientState::none;
    }
    for (int slot = 1; slot <= k_max_peers; ++slot) {
        const PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
        if (peer.in_use == 1)
            drop_connection(peer.sock);
    }
    // The leased contexts' connections are closed as their devices leaving would close them.
    std::vector<std::uintptr_t> leased_sockets;
    for (const auto& [sock, conn] : d.connections)
        if (conn->leased)
            leased_sockets.push_back(sock);
    for (const std::uintptr_t sock : leased_sockets) close_peer(sock);
    while (!d.connections.empty()) drop_connection(d.connections.begin()->first);
    d.own.commands->clear();
    reset_peer_table();
    if (DeviceContext* own = d.own.context)
        own->status.socket_connected = 0;
    emit TcpLink::instance().peersChanged();
    emit TcpLink::instance().connectedChanged();
    if (was_listening)
        emit TcpLink::instance().listeningChanged();
}

std::vector<int> used_peer_slots()
{
    std::vector<int> in_use;
    for (int slot = 1; slot <= k_max_peers; ++slot)
        if (peer_table()[static_cast<std::size_t>(slot)].in_use == 1)
            in_use.push_back(slot);
    return in_use;
}

}  // namespace velta
