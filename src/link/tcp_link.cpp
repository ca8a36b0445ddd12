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

namespace velta {
namespace {

constexpr std::string_view k_text_event_error = "ソケットイベントにエラーが発生しました。";
constexpr const char* k_text_no_socket = "WINSOCK.DLLが動作していません。[%d]";

struct Connection {
    QTcpSocket* socket = nullptr;
    std::string endpoint;  // "host:port" as dialled or accepted, for messages
    LineAssembler lines{LineAssembler::Overflow::drop, k_socket_line_max};
    DeviceContext* leased = nullptr;  // the device context it is leased to; none: the program's
    ClientState client_state = ClientState::none;  // a leased context's own client connection
};

// Where one device context's commands go and how its outstanding command stands: the
// program's own (the dialogs: the client socket or the chosen peer) or a leased context's (its
// connection).
struct Channel {
    DeviceContext* context = nullptr;  // the program's: set by install_tcp_hooks
    bool leased = false;
    std::uintptr_t sock = 0;  // a leased context's connection
    unsigned serial = 0;      // tells a channel from a later one at the same context address
    bool outstanding = false;
    std::uintptr_t answer_socket = 0;  // where the last command went; its lines are the answers
    // The last command timed out and nothing was sent since: a line now is its late answer.
    bool late_answer_due = false;
    std::deque<std::string> waiting;
    bool pumping = false;
    QTimer* answer_timer = nullptr;
};

struct LinkData {
    QPointer<QTcpServer> server;
    std::uintptr_t server_handle = 0;
    std::uintptr_t client_handle = 0;
    ClientState client_state = ClientState::none;
    std::map<std::uintptr_t, std::unique_ptr<Connection>> connections;
    std::uintptr_t next_handle = 1;

    Channel own;
    std::map<DeviceContext*, std::unique_ptr<Channel>> leases;
    unsigned next_serial = 1;
    int timeout_ms = k_answer_timeout_ms;
    std::string listen_address;  // empty: every local IPv4 address
};

LinkData& data()
{
    static LinkData d;
    return d;
}

// The platform's code for a socket error kind, as the message texts quote it.
int platform_socket_error(QAbstractSocket::SocketError e)
{
#ifdef _WIN32
    switch (e) {
        case QAbstractSocket::ConnectionRefusedError:
            return 10061;
        case QAbstractSocket::RemoteHostClosedError:
            return 10054;
        case QAbstractSocket::HostNotFoundError:
            return 11001;
        case QAbstractSocket::SocketAccessError:
            return 10013;
        case QAbstractSocket::SocketResourceError:
            return 10024;
        case QAbstractSocket::SocketTimeoutError:
            return 10060;
        case QAbstractSocket::NetworkError:
            return 10051;
        case QAbstractSocket::AddressInUseError:
            return 10048;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return 10049;
        case QAbstractSocket::UnsupportedSocketOperationError:
            return 10047;
        default:
            return 10107;
    }
#else
    switch (e) {
        case QAbstractSocket::ConnectionRefusedError:
            return ECONNREFUSED;
        case QAbstractSocket::RemoteHostClosedError:
            return ECONNRESET;
        case QAbstractSocket::HostNotFoundError:
            return EHOSTUNREACH;
        case QAbstractSocket::SocketAccessError:
            return EACCES;
        case QAbstractSocket::SocketResourceError:
            return EMFILE;
        case QAbstractSocket::SocketTimeoutError:
            return ETIMEDOUT;
        case QAbstractSocket::NetworkError:
            return ENETUNREACH;
        case QAbstractSocket::AddressInUseError:
            return EADDRINUSE;
        case QAbstractSocket::SocketAddressNotAvailableError:
            return EADDRNOTAVAIL;
        case QAbstractSocket::UnsupportedSocketOperationError:
            return EAFNOSUPPORT;
        default:
            return EIO;
    }
#endif
}

void socket_box(const char* format, int code)
{
    char text[160];
    std::snprintf(text, sizeof text, format, code);
    plain_box(text, BoxIcon::error);
}

// atoi of the context's port text, taken as a 16-bit port number.
std::uint16_t configured_port(const DeviceContext& c)
{
    return static_cast<std::uint16_t>(std::atoi(c.model.extras.port_number.c_str()));
}

Connection* connection(std::uintptr_t sock)
{
    auto it = data().connections.find(sock);
    return it == data().connections.end() ? nullptr : it->second.get();
}

// Stops notices and closes the socket; the object goes once control is back in the event loop.
void drop_connection(std::uintptr_t sock)
{
    auto it = data().connections.find(sock);
    if (it == data().connections.end())
        return;
    QTcpSocket* socket = it->second->socket;
    data().connections.erase(it);
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();
}

std::uintptr_t adopt(QTcpSocket* socket)
{
    LinkData& d = data();
    const std::uintptr_t sock = d.next_handle++;
    auto conn = std::make_unique<Connection>();
    conn->socket = socket;
    // Bounded: what a chatty peer sends beyond this waits in the system's buffer.
    socket->setReadBufferSize(static_cast<qint64>(16 * k_socket_read_max));
    d.connections.emplace(sock, std::move(conn));

    QObject::connect(socket, &QTcpSocket::readyRead, &TcpLink::instance(),
                     [sock] { socket_event(sock, k_event_read, 0); });
    QObject::connect(socket, &QTcpSocket::connected, &TcpLink::instance(),
                     [sock] { socket_event(sock, k_event_connect, 0); });
    QObject::connect(socket, &QTcpSocket::disconnected, &TcpLink::instance(),
                     [sock] { socket_event(sock, k_event_close, 0); });
    QObject::connect(
        socket, &QTcpSocket::errorOccurred, &TcpLink::instance(),
        [sock](QAbstractSocket::SocketError e) {
            if (e == QAbstractSocket::RemoteHostClosedError)
                return;  // an orderly close; "disconnected" reports it
            const Connection* c = connection(sock);
            const bool connecting =
                (sock == data().client_handle && data().client_state == ClientState::connecting) ||
                (c && c->leased && c->client_state == ClientState::connecting);
            if (connecting && e == QAbstractSocket::SocketResourceError) {
                // The system gave no socket at all.
                socket_box(k_text_no_socket, platform_socket_error(e));
                drop_connection(sock);
                data().client_state = ClientState::none;
                emit TcpLink::instance().connectedChanged();
                return;
            }
            socket_event(sock, connecting ? k_event_connect : k_event_close,
                         platform_socket_error(e));
        });
    return sock;
}

// The far end and the system's reason, beneath a socket error's own message.
std::string error_detail(std::uintptr_t sock, int code)
{
    const Connection* conn = connection(sock);
    std::string detail = conn && !conn->endpoint.empty() ? conn->endpoint + ": " : std::string();
    const QString reason = conn ? conn->socket->errorString() : QString();
    detail += reason.isEmpty() ? std::to_string(code)
                               : reason.toStdString() + " [" + std::to_string(code) + "]";
    return detail;
}

std::string endpoint_text(const QString& host, std::uint16_t port)
{
    // An IPv6 address is bracketed, or its port could not be told from its last group.
    const std::string h = host.toStdString();
    return (host.contains(QLatin1Char(':')) ? "[" + h + "]" : h) + ":" + std::to_string(port);
}

// A peer's address as people write it: an IPv4 peer of a dual-stack listener in dotted form.
QString peer_address_text(const QTcpSocket& socket)
{
    const QHostAddress from = socket.peerAddress();
    bool v4 = false;
    const quint32 ip = from.toIPv4Address(&v4);
    return (v4 ? QHostAddress(ip) : from).toString();
}

// The channel of a context: the program's own, a leased context's, or none for a context the
// link does not serve.
Channel* channel_of(const DeviceContext& c)
{
    if (&c == data().own.context)
        return &data().own;
    auto it = data().leases.find(const_cast<DeviceContext*>(&c));
    return it == data().leases.end() ? nullptr : it->second.get();
}

Channel* channel_of_connection(const Connection& conn)
{
    if (!conn.leased)
        return &data().own;
    auto it = data().leases.find(conn.leased);
    return it == data().leases.end() ? nullptr : it->second.get();
}

// The context whatever a connection brings belongs to; none before the program's is known.
DeviceContext* context_of(const Connection* conn)
{
    return conn && conn->leased ? conn->leased : data().own.context;
}

// Runs job for the channel's context from the event loop, in its turn; nothing when the
// context has left the link meanwhile.
void later_for(const Channel& ch, std::function<void(DeviceContext&)> job)
{
    DeviceContext* context = ch.context;
    const bool leased = ch.leased;
    const unsigned serial = ch.serial;
    auto alive = [context, leased, serial] {
        if (!leased)
            return context != nullptr;
        auto it = data().leases.find(context);
        return it != data().leases.end() && it->second->serial == serial;
    };
    QMetaObject::invokeMethod(
        &TcpLink::instance(),
        [alive, context, job = std::move(job)] {
            if (!alive())
                return;
            dispatch_in_turn([alive, context, job] {
                if (alive())
                    job(*context);
            });
        },
        Qt::QueuedConnection);
}

std::uintptr_t command_socket(const Channel& ch)
{
    if (ch.leased)
        return ch.sock;
    if (!ch.context)
        return 0;
    const LinkSettings& l = ch.context->link;
    if (l.tcp_role != TcpRole::server)
        return data().client_handle;
    const int slot = l.selected_host;
    if (slot < 1 || slot > k_max_peers)
        return 0;
    const PeerSlot& peer = peer_table()[static_cast<std::size_t>(slot)];
    return peer.in_use == 1 ? peer.sock : 0;
}

void set_outstanding(Channel& ch, bool on)
{
    if (ch.outstanding == on)
        return;
    ch.outstanding = on;
    if (on)
        ch.answer_timer->start(data().timeout_ms);
    else
        ch.answer_timer->stop();
    emit TcpLink::instance().outstandingChanged();
}

bool send_now(Channel& ch, const std::string& command)
{
    const std::uintptr_t sock = command_socket(ch);
    Connection* conn = connection(sock);
    const bool sent = conn && conn->socket->state() == QAbstractSocket::ConnectedState &&
                      conn->socket->write(command.data(), static_cast<qint64>(command.size())) ==
                          static_cast<qint64>(command.size());
    if (!sent) {
        if (ch.context) {
            ch.context->status.reply_error = 1;
            report_outcome(*ch.context, outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        }
        return false;
    }
    ch.answer_socket = sock;
    ch.late_answer_due = false;
    set_outstanding(ch, true);
    return true;
}

// Sends waiting commands, one at a time, whenever none is outstanding.
void pump(Channel& ch)
{
    if (ch.pumping)
        return;
    ch.pumping = true;
    while (!ch.outstanding && !ch.waiting.empty()) {
        const std::string command = std::move(ch.waiting.front());
        ch.waiting.pop_front();
        send_now(ch, command);
    }
    ch.pumping = false;
}

void answer_timed_out(Channel& ch)
{
    set_outstanding(ch, false);
    ch.late_answer_due = true;
    later_for(ch, [](DeviceContext& c) {
        c.status.reply_error = 1;
        report_outcome(c, outcome_of(OutcomeKind::timed_out, LinkKind::socket));
    });
    pump(ch);
}

void make_answer_timer(Channel& ch, QObject* parent)
{
    ch.answer_timer = new QTimer(parent);
    ch.answer_timer->setSingleShot(true);
    ch.answer_timer->setTimerType(Qt::PreciseTimer);  // a coarse one may end it early
    Channel* c = &ch;
    QObject::connect(ch.answer_timer, &QTimer::timeout, parent, [c] { answer_timed_out(*c); });
}

void read_socket(std::uintptr_t sock)
{
    Connection* conn = connection(sock);
    if (!conn)
        return;
    std::vector<std::string> answers;
    char buffer[k_socket_read_max];
    qint64 n = 0;
    static const LineAssembler::Bytes unseen;
    const DeviceContext* c = context_of(conn);
    const LineAssembler::Bytes& dropped = c ? c->dropped_tap : unseen;
    while ((n = conn->socket->read(buffer, sizeof buffer)) > 0) {
        conn->lines.feed(
            std::string_view(buffer, static_cast<std::size_t>(n)),
            [&](std::string_view line) { answers.emplace_back(line); }, dropped);
    }
    // Only the socket that carries a party's commands answers them; other bytes are dropped.
    Channel* ch = channel_of_connection(*conn);
    if (!ch || sock != ch->answer_socket || answers.empty())
        return;
    // A command that already failed on its time-out keeps that one outcome: its late answer is
    // decoded but neither reported as a success nor taken as clearing the failure.
    const Receipt kind = !ch->outstanding && ch->late_answer_due ? Receipt::late : Receipt::answer;
    ch->late_answer_due = false;
    if (ch->outstanding)
        set_outstanding(*ch, false);
    // Dispatched from the event loop, never from inside the read notice, so a box opened by the
    // decoding cannot hold up this socket's further notices.
    for (const std::string& line : answers)
        later_for(*ch, [line, kind](DeviceContext& to) {
            dispatch_line(to, line, LinkKind::socket, kind);
        });
    pump(*ch);
}

// A device that leaves takes its own command with it: the one outstanding (which has failed),
// its time-out and the commands queued for it. Another device's command is not touched.
void forget_commands_of(std::uintptr_t sock)
{
    const Connection* conn = connection(sock);
    Channel* ch = conn ? channel_of_connection(*conn) : &data().own;
    if (!ch || sock == 0 || (sock != ch->answer_socket && sock != command_socket(*ch)))
        return;
    if (sock == ch->answer_socket) {
        if (ch->outstanding) {
            // The answer will never come. Told after the link's own notices, so that a host
            // following them hears of the lost connection first.
            if (ch->context)
                ch->context->status.reply_error = 1;
            std::string detail = conn ? conn->endpoint + ": " : std::string();
            detail += "接続が切れました";
            later_for(*ch, [detail](DeviceContext& c) {
                Outcome o = outcome_of(OutcomeKind::timed_out, LinkKind::socket);
                o.detail = detail;
                report_outcome(c, o);
            });
        }
        ch->answer_socket = 0;
        ch->late_answer_due = false;
        set_outstanding(*ch, false);
    }
    ch->waiting.clear();
}

// The context's sends and its answer watch go through this link from now on.
void install_hooks(DeviceContext& c)
{
    c.hooks.socket_send = [&c](std::string_view command) { socket_send_and_wait(c, command); };
    c.hooks.answer_outstanding = [&c] { return socket_answer_outstanding(c); };
}

Channel& open_channel(DeviceContext& context)
{
    LinkData& d = data();
    auto ch = std::make_unique<Channel>();
    ch->context = &context;
    ch->leased = true;
    ch->serial = d.next_serial++;
    make_answer_timer(*ch, &TcpLink::instance());
    Channel& made = *ch;
    d.leases[&context] = std::move(ch);
    install_hooks(context);
    return made;
}

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

}  // namespace

TcpLink& TcpLink::instance()
{
    // Never destroyed: sockets may still post notices while the program ends.
    static TcpLink* link = [] {
        auto* l = new TcpLink;
        make_answer_timer(data().own, l);
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
    d.server_handle = d.next_handle++;
    const std::uintptr_t handle = d.server_handle;
    QObject::connect(server, &QTcpServer::newConnection, &TcpLink::instance(),
                     [handle] { socket_event(handle, k_event_accept, 0); });
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
    LinkData& d = data();
    const bool was_listening = d.server != nullptr;
    if (d.server) {
        d.server->close();
        d.server->deleteLater();
        d.server = nullptr;
        d.server_handle = 0;
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
    d.own.waiting.clear();
    d.own.answer_socket = 0;
    d.own.late_answer_due = false;
    set_outstanding(d.own, false);
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

void socket_event(std::uintptr_t sock, int event, int error_code)
{
    LinkData& d = data();
    // Whatever the event brings belongs to the context the connection serves.
    const Connection* conn = connection(sock);
    const bool leased = conn && conn->leased;
    if (error_code != 0) {
        if (const DeviceContext* c = context_of(conn))
            c->boxes().error(k_text_event_error, error_detail(sock, error_code));
        else
            error_box(k_text_event_error, error_detail(sock, error_code));
        // A dead peer or client must not stay listed, or counted, as connected.
        if (find_peer_slot(sock) > 0 || sock == d.client_handle || leased)
            close_peer(sock);
        else
            drop_connection(sock);
        return;
    }
    switch (event) {
        case k_event_read:
            read_socket(sock);
            break;
        case k_event_write:
            break;
        case k_event_accept:
            accept_peer();
            break;
        case k_event_connect:
            connection_established(sock);
            break;
        case k_event_close:
            close_peer(sock);
            break;
        default: {
            char text[64];
            std::snprintf(text, sizeof text, "ﾈｯﾄﾜｰｸ･ｴﾗｰ(event %d)", event);
            plain_box(text);
        }
    }
}

void socket_send_and_wait(DeviceContext& c, std::string_view command)
{
    TcpLink::instance();
    Channel* ch = channel_of(c);
    if (!link_ready(c) || !ch) {
        c.status.reply_error = 1;
        report_outcome(c, outcome_of(OutcomeKind::not_connected, LinkKind::socket));
        return;
    }
    if (ch->waiting.size() >= k_send_queue_max) {
        c.status.reply_error = 1;
        report_outcome(c, outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        return;
    }
    ch->waiting.emplace_back(command);
    pump(*ch);
}

bool socket_answer_outstanding(const DeviceContext& c)
{
    const Channel* ch = channel_of(c);
    return ch && (ch->outstanding || !ch->waiting.empty());
}

std::size_t socket_commands_waiting(const DeviceContext& c)
{
    const Channel* ch = channel_of(c);
    return ch ? ch->waiting.size() : 0;
}

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
    if (data().own.answer_socket == peer.sock)
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
    ch.waiting.clear();
    set_outstanding(ch, false);
    if (conn && conn->leased == &context) {
        if (find_peer_slot(sock) > 0) {
            conn->leased = nullptr;  // the peer stays, the program's again
        } else {
            drop_connection(sock);  // the context's own client connection
        }
    }
    delete ch.answer_timer;
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

void set_answer_timeout_ms(int ms)
{
    data().timeout_ms = ms < 1 ? k_answer_timeout_ms : ms;
}

int answer_timeout_ms()
{
    return data().timeout_ms;
}

}  // namespace velta
