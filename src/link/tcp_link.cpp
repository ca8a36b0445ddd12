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
#include "core/model/settings_model.h"
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
};

struct LinkData {
    QPointer<QTcpServer> server;
    std::uintptr_t server_handle = 0;
    std::uintptr_t client_handle = 0;
    ClientState client_state = ClientState::none;
    std::map<std::uintptr_t, std::unique_ptr<Connection>> connections;
    std::uintptr_t next_handle = 1;

    bool outstanding = false;
    std::uintptr_t answer_socket = 0;  // where the last command went; its lines are the answers
    // The last command timed out and nothing was sent since: a line now is its late answer.
    bool late_answer_due = false;
    std::deque<std::string> waiting;
    bool pumping = false;
    QTimer* answer_timer = nullptr;
    int timeout_ms = k_answer_timeout_ms;
};

LinkData& data()
{
    static LinkData d;
    return d;
}

LinkStatus& state()
{
    return link_status();
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

// atoi of the port text, taken as a 16-bit port number.
std::uint16_t configured_port()
{
    return static_cast<std::uint16_t>(std::atoi(model().extras.port_number.c_str()));
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
    QObject::connect(socket, &QTcpSocket::errorOccurred, &TcpLink::instance(),
                     [sock](QAbstractSocket::SocketError e) {
                         if (e == QAbstractSocket::RemoteHostClosedError)
                             return;  // an orderly close; "disconnected" reports it
                         const bool connecting = sock == data().client_handle &&
                                                 data().client_state == ClientState::connecting;
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
    return host.toStdString() + ":" + std::to_string(port);
}

std::uintptr_t command_socket()
{
    if (link_settings().tcp_role != TcpRole::server)
        return data().client_handle;
    const int slot = link_settings().selected_host;
    if (slot < 1 || slot > k_max_peers)
        return 0;
    const PeerSlot& peer = link_status().peer_table[static_cast<std::size_t>(slot)];
    return peer.in_use == 1 ? peer.sock : 0;
}

void set_outstanding(bool on)
{
    LinkData& d = data();
    if (d.outstanding == on)
        return;
    d.outstanding = on;
    if (on)
        d.answer_timer->start(d.timeout_ms);
    else
        d.answer_timer->stop();
    emit TcpLink::instance().outstandingChanged();
}

bool send_now(const std::string& command)
{
    const std::uintptr_t sock = command_socket();
    Connection* conn = connection(sock);
    const bool sent = conn && conn->socket->state() == QAbstractSocket::ConnectedState &&
                      conn->socket->write(command.data(), static_cast<qint64>(command.size())) ==
                          static_cast<qint64>(command.size());
    if (!sent) {
        state().reply_error = 1;
        report_outcome(outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        return false;
    }
    data().answer_socket = sock;
    data().late_answer_due = false;
    set_outstanding(true);
    return true;
}

// Sends waiting commands, one at a time, whenever none is outstanding.
void pump()
{
    LinkData& d = data();
    if (d.pumping)
        return;
    d.pumping = true;
    while (!d.outstanding && !d.waiting.empty()) {
        const std::string command = std::move(d.waiting.front());
        d.waiting.pop_front();
        send_now(command);
    }
    d.pumping = false;
}

void answer_timed_out()
{
    set_outstanding(false);
    data().late_answer_due = true;
    dispatch_in_turn([] {
        state().reply_error = 1;
        report_outcome(outcome_of(OutcomeKind::timed_out, LinkKind::socket));
    });
    pump();
}

void read_socket(std::uintptr_t sock)
{
    Connection* conn = connection(sock);
    if (!conn)
        return;
    std::vector<std::string> answers;
    char buffer[k_socket_read_max];
    qint64 n = 0;
    while ((n = conn->socket->read(buffer, sizeof buffer)) > 0) {
        conn->lines.feed(std::string_view(buffer, static_cast<std::size_t>(n)),
                         [&](std::string_view line) { answers.emplace_back(line); });
    }
    // Only the socket that carries the commands answers them; other peers' bytes are dropped.
    LinkData& d = data();
    if (sock != d.answer_socket || answers.empty())
        return;
    // A command that already failed on its time-out keeps that one outcome: its late answer is
    // decoded but neither reported as a success nor taken as clearing the failure.
    const Receipt kind = !d.outstanding && d.late_answer_due ? Receipt::late : Receipt::answer;
    d.late_answer_due = false;
    if (d.outstanding)
        set_outstanding(false);
    for (const std::string& line : answers) {
        // Dispatched from the event loop, never from inside the read notice, so a box opened by
        // the decoding cannot hold up this socket's further notices.
        QMetaObject::invokeMethod(
            &TcpLink::instance(),
            [line, kind] {
                dispatch_in_turn([line, kind] { dispatch_line(line, LinkKind::socket, kind); });
            },
            Qt::QueuedConnection);
    }
    pump();
}

// A device that leaves takes its own command with it: the one outstanding (which has failed),
// its time-out and the commands queued for it. Another device's command is not touched.
void forget_commands_of(std::uintptr_t sock)
{
    LinkData& d = data();
    if (sock == 0 || (sock != d.answer_socket && sock != command_socket()))
        return;
    if (sock == d.answer_socket) {
        if (d.outstanding) {
            // The answer will never come. Told after the link's own notices, so that a host
            // following them hears of the lost connection first.
            state().reply_error = 1;
            const Connection* conn = connection(sock);
            std::string detail = conn ? conn->endpoint + ": " : std::string();
            detail += "接続が切れました";
            QMetaObject::invokeMethod(
                &TcpLink::instance(),
                [detail] {
                    dispatch_in_turn([detail] {
                        Outcome o = outcome_of(OutcomeKind::timed_out, LinkKind::socket);
                        o.detail = detail;
                        report_outcome(o);
                    });
                },
                Qt::QueuedConnection);
        }
        d.answer_socket = 0;
        d.late_answer_due = false;
        set_outstanding(false);
    }
    d.waiting.clear();
}

void connection_established(std::uintptr_t sock)
{
    if (sock != data().client_handle)
        return;
    data().client_state = ClientState::connected;
    state().socket_connected = 1;
    emit TcpLink::instance().connectedChanged();
    info_box("Socket 接続 OK");
}

}  // namespace

TcpLink& TcpLink::instance()
{
    // Never destroyed: sockets may still post notices while the program ends.
    static TcpLink* link = [] {
        auto* l = new TcpLink;
        data().answer_timer = new QTimer(l);
        data().answer_timer->setSingleShot(true);
        data().answer_timer->setTimerType(Qt::PreciseTimer);  // a coarse one may end it early
        QObject::connect(data().answer_timer, &QTimer::timeout, l, [] { answer_timed_out(); });
        return l;
    }();
    return *link;
}

void install_tcp_hooks()
{
    TcpLink::instance();
    WireHooks hooks = set_wire_hooks({});
    hooks.socket_send = [](std::string_view command) { socket_send_and_wait(command); };
    hooks.answer_outstanding = [] { return socket_answer_outstanding(); };
    set_wire_hooks(std::move(hooks));
}

int tcp_client_connect()
{
    install_tcp_hooks();
    LinkData& d = data();
    if (d.client_handle != 0) {
        drop_connection(d.client_handle);
        d.client_handle = 0;
        d.client_state = ClientState::none;
    }

    const LinkSettings& l = link_settings();
    const std::uint16_t port = configured_port();
    const bool host_ok = l.selected_host >= 0 && l.selected_host < l.host_count &&
                         static_cast<std::size_t>(l.selected_host) < l.host_list.size();
    if (!host_ok || port == 0) {
        const std::string why =
            !host_ok ? "接続先のホストが選ばれていません"
                     : "ポート番号 \"" + model().extras.port_number + "\" は使えません";
        plain_box("接続できません", BoxIcon::error, why);
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

int tcp_server_start()
{
    LinkData& d = data();
    if (d.server)
        return 1;
    install_tcp_hooks();

    auto* server = new QTcpServer(&TcpLink::instance());
    server->setListenBacklogSize(k_listen_backlog);
    if (!server->listen(QHostAddress::AnyIPv4, configured_port())) {
        const QAbstractSocket::SocketError e = server->serverError();
        delete server;
        if (e == QAbstractSocket::SocketResourceError)
            socket_box(k_text_no_socket, platform_socket_error(e));
        else if (e == QAbstractSocket::AddressInUseError ||
                 e == QAbstractSocket::SocketAccessError ||
                 e == QAbstractSocket::SocketAddressNotAvailableError)
            plain_box("Bindできません", BoxIcon::error);
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
            socket->abort();  // no room: closed at once, silently
            socket->deleteLater();
            continue;
        }
        socket->setParent(&TcpLink::instance());
        const std::uintptr_t sock = adopt(socket);
        PeerSlot& peer = state().peer_table[static_cast<std::size_t>(slot)];
        peer.in_use = 1;
        peer.sock = sock;
        const QHostAddress from = socket->peerAddress();
        bool v4 = false;
        const quint32 ip = from.toIPv4Address(&v4);
        peer.address = (v4 ? QHostAddress(ip) : from).toString().left(15).toStdString();
        connection(sock)->endpoint =
            endpoint_text(QString::fromStdString(peer.address), socket->peerPort());
        stored = true;
    }
    if (stored)
        emit TcpLink::instance().peersChanged();
}

void close_peer(std::uintptr_t sock)
{
    LinkData& d = data();
    forget_commands_of(sock);
    drop_connection(sock);
    const int slot = find_peer_slot(sock);
    if (slot > 0) {  // slot 0 holds no peer: the client's socket is not in the table
        PeerSlot& peer = state().peer_table[static_cast<std::size_t>(slot)];
        peer.in_use = 0;
        peer.sock = 0;
        peer.address.assign(1, ' ');  // a closed slot shows a blank
    }
    const bool was_client = sock == d.client_handle;
    const bool was_chosen = link_settings().tcp_role == TcpRole::server && slot > 0 &&
                            slot == link_settings().selected_host;
    // What is gone cannot take commands: the dialogs, the exit check and the next send all see
    // the link as it really is.
    if ((was_client && link_settings().tcp_role != TcpRole::server) || was_chosen)
        state().socket_connected = 0;
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
        const PeerSlot& peer = state().peer_table[static_cast<std::size_t>(slot)];
        if (peer.in_use == 1)
            drop_connection(peer.sock);
    }
    while (!d.connections.empty()) drop_connection(d.connections.begin()->first);
    d.waiting.clear();
    d.answer_socket = 0;
    d.late_answer_due = false;
    set_outstanding(false);
    reset_peer_table();
    emit TcpLink::instance().peersChanged();
    emit TcpLink::instance().connectedChanged();
    if (was_listening)
        emit TcpLink::instance().listeningChanged();
}

std::vector<int> used_peer_slots()
{
    std::vector<int> in_use;
    for (int slot = 1; slot <= k_max_peers; ++slot)
        if (state().peer_table[static_cast<std::size_t>(slot)].in_use == 1)
            in_use.push_back(slot);
    return in_use;
}

void socket_event(std::uintptr_t sock, int event, int error_code)
{
    LinkData& d = data();
    if (error_code != 0) {
        error_box(k_text_event_error, error_detail(sock, error_code));
        // A dead peer or client must not stay listed, or counted, as connected.
        if (find_peer_slot(sock) > 0 || sock == d.client_handle)
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

void socket_send_and_wait(std::string_view command)
{
    TcpLink::instance();
    if (!link_ready()) {
        state().reply_error = 1;
        report_outcome(outcome_of(OutcomeKind::not_connected, LinkKind::socket));
        return;
    }
    LinkData& d = data();
    if (d.waiting.size() >= k_send_queue_max) {
        state().reply_error = 1;
        report_outcome(outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        return;
    }
    d.waiting.emplace_back(command);
    pump();
}

bool socket_answer_outstanding()
{
    return data().outstanding || !data().waiting.empty();
}

std::size_t socket_commands_waiting()
{
    return data().waiting.size();
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
