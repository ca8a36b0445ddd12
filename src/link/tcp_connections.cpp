// The TCP/IP link's connections: the handle table, adopting a socket and dropping it, and what
// its errors and far end are called in messages.

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
                     [sock] { read_socket(sock); });
    QObject::connect(socket, &QTcpSocket::connected, &TcpLink::instance(),
                     [sock] { connection_established(sock); });
    QObject::connect(socket, &QTcpSocket::disconnected, &TcpLink::instance(),
                     [sock] { close_peer(sock); });
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
            socket_failed(sock, platform_socket_error(e));
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

}  // namespace tcp_internal

}  // namespace velta
