#pragma once
// Inside the TCP/IP link: its connections (tcp_connections.cpp), the command channel of each
// device context (tcp_channel.cpp), the leases of connections to contexts (tcp_leases.cpp) and
// the client and server (tcp_link.cpp) share these. Nothing outside src/link includes it.

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/wire/device_context.h"
#include "core/wire/line_assembler.h"
#include "link/command_channel.h"
#include "link/device_link.h"
#include "link/tcp_link.h"

namespace velta::tcp_internal {

inline constexpr std::string_view k_text_event_error = "ソケットイベントにエラーが発生しました。";
inline constexpr const char* k_text_no_socket = "WINSOCK.DLLが動作していません。[%d]";

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
struct Channel;

// A channel as a device link: the program's (the client socket or the chosen peer) or a leased
// context's connection.
class TcpDeviceLink final : public DeviceLink {
public:
    TcpDeviceLink(Channel& channel, TcpLink& tcp);
    void attach(DeviceContext& context) override;
    void send(std::string_view command) override;
    bool answer_outstanding() const override;
    DeviceLinkState state() const override;
    std::string name() const override;
    // Tells a change of state, if there was one.
    void notice_state();

private:
    Channel& channel_;
    DeviceLinkState shown_ = DeviceLinkState::closed;
};

struct Channel {
    DeviceContext* context = nullptr;  // the program's: set by install_tcp_hooks
    bool leased = false;
    std::uintptr_t sock = 0;  // a leased context's connection
    unsigned serial = 0;      // tells a channel from a later one at the same context address
    std::unique_ptr<CommandChannel> commands;  // made by make_command_channel
    std::unique_ptr<TcpDeviceLink> link;       // made with it
};

struct LinkData {
    QPointer<QTcpServer> server;
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

LinkData& data();

// The platform's code for a socket error kind, as the message texts quote it.
int platform_socket_error(QAbstractSocket::SocketError e);

void socket_box(const char* format, int code);

// atoi of the context's port text, taken as a 16-bit port number.
std::uint16_t configured_port(const DeviceContext& c);

Connection* connection(std::uintptr_t sock);

// Stops notices and closes the socket; the object goes once control is back in the event loop.
void drop_connection(std::uintptr_t sock);

std::uintptr_t adopt(QTcpSocket* socket);

// The far end and the system's reason, beneath a socket error's own message.
std::string error_detail(std::uintptr_t sock, int code);

std::string endpoint_text(const QString& host, std::uint16_t port);

// A peer's address as people write it: an IPv4 peer of a dual-stack listener in dotted form.
QString peer_address_text(const QTcpSocket& socket);

// The channel of a context: the program's own, a leased context's, or none for a context the
// link does not serve.
Channel* channel_of(const DeviceContext& c);

Channel* channel_of_connection(const Connection& conn);

// The context whatever a connection brings belongs to; none before the program's is known.
DeviceContext* context_of(const Connection* conn);

// Runs job for the channel's context from the event loop, in its turn; nothing when the
// context has left the link meanwhile.
void later_for(const Channel& ch, std::function<void(DeviceContext&)> job);

std::uintptr_t command_socket(const Channel& ch);

// Gives the channel its command rules over the link's connections.
void make_command_channel(Channel& ch, TcpLink& tcp);

void read_socket(std::uintptr_t sock);

// A device that leaves takes its own command with it: the one outstanding (which has failed),
// its time-out and the commands queued for it. Another device's command is not touched.
void forget_commands_of(std::uintptr_t sock);

// The context's sends and its answer watch go through this link from now on.
void install_hooks(DeviceContext& c);

Channel& open_channel(DeviceContext& context);

// The client's or a leased context's connection was established (tcp_link.cpp).
void connection_established(std::uintptr_t sock);
// A socket failed with the platform's error code: the error box names the far end and the
// system's reason, and a peer or client is closed as if it had left (tcp_link.cpp).
void socket_failed(std::uintptr_t sock, int error_code);

}  // namespace velta::tcp_internal
