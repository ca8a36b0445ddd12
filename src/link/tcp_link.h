#pragma once
// The TCP/IP link: the tool as the client of one device, or as a server that up to 96 devices
// connect to. Everything runs on the GUI thread's event loop and nothing here blocks: a command
// is sent, and its answer (assembled up to its LF, across as many receipts as it takes) or its
// time-out ends it later. One command is outstanding at a time; a command sent meanwhile waits
// its turn.
//
// Sockets are named by handles (std::uintptr_t, never 0) that the peer table stores.
//
// For the connection dialogs: connect to TcpLink::instance()'s signals to refresh buttons and
// lists; the boxes of connect, listen and socket errors are shown here, not by the dialogs.

#include <QObject>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velta {

inline constexpr int k_max_peers = 96;  // peer_table slots 1..96
// Handshakes the system completes before the tool accepts them: the whole fleet arriving at
// once, with room to spare (the system may lower it to its own maximum).
inline constexpr int k_listen_backlog = 128;
static_assert(k_listen_backlog >= k_max_peers);
inline constexpr int k_answer_timeout_ms = 3000;  // no answer by then: "Answer が､きません"
inline constexpr std::size_t k_socket_read_max = 1024;  // bytes taken from a socket per read
inline constexpr std::size_t k_socket_line_max = 599;   // longer answer lines are dropped
inline constexpr std::size_t k_send_queue_max =
    1024;  // commands waiting behind the outstanding one

enum class ClientState { none, connecting, connected };

struct DeviceContext;

// Emits the notices the connection dialogs follow. Lives on the GUI thread.
class TcpLink : public QObject {
    Q_OBJECT
public:
    static TcpLink& instance();

signals:
    // The client connection was established, refused, closed by the device or disconnected;
    // also after socket_connected was changed by this link.
    void connectedChanged();
    // A peer was stored in or removed from the peer table (server).
    void peersChanged();
    // The server started or stopped listening.
    void listeningChanged();
    // A device connected while all 96 slots were taken and was closed at once ("host:port").
    void peerRefused(const QString& endpoint);
    // A command became outstanding, or its answer or time-out ended it.
    void outstandingChanged();
    // A leased context's connection was established or lost (context_link_state tells which).
    void contextLinkChanged(velta::DeviceContext* context);

private:
    TcpLink() = default;
};

// Starts connecting to host selected_host of host_list at port_number. 1: connecting (the
// outcome arrives as connectedChanged: "Socket 接続 OK" and socket_connected = 1, or the socket
// event error box); 0: failed at once, with its box shown. The client serves the program's
// context: its link settings and port, its status, its boxes.
int tcp_client_connect(DeviceContext& program);
ClientState tcp_client_state();

// Listens on port_number at the listen address. 1: listening (also when it already was);
// 0: failed, with its box shown; the next call starts afresh. Peers that are not leased serve
// the program's context.
int tcp_server_start(DeviceContext& program);
// The local address the server listens on: IPv4 or IPv6 text; empty (the default) is every
// local IPv4 address. Taken by the next tcp_server_start.
void set_listen_address(std::string address);
const std::string& listen_address();
// Whether text is an address set_listen_address takes (empty included).
bool listen_address_valid(const std::string& text);
bool tcp_listening();
// The port actually listened on (useful when port_number is "0"), or 0.
std::uint16_t tcp_listen_port();

// Takes every pending connection into the lowest free slot 1..96; a connection beyond 96 is
// closed at once and told as peerRefused.
void accept_peer();
// "host:port" of the peer in slot ("[::1]:9004" for IPv6), or empty when the slot is free.
std::string peer_endpoint(int slot);
// Closes the socket and clears its slot (the client's socket has none). The command outstanding
// on it fails (reply_error = 1) and, with the commands queued for it, is forgotten; another
// device's command is not touched. When it was the client or the chosen peer,
// socket_connected becomes 0.
void close_peer(std::uintptr_t sock);
// Closes the listening or client socket and every peer, forgets any outstanding or waiting
// command, and resets the peer table (socket_connected = 0). Shows no box: "Socket 切断 OK" is
// the client dialog's.
void disconnect_all();
// The slots 1..96 in use, in slot order: the server dialog's list.
std::vector<int> used_peer_slots();

// Sends one command (without RS-485 prefix) to the device commands go to: the client socket, or
// peer slot selected_host on a server. Returns at once. Not connected: "Socket
// が接続されていません"; send failure: reply_error = 1 and "Socket 送信"; no answer within
// answer_timeout_ms(): reply_error = 1 and "Answer が､きません"; a late answer is still decoded, as
// a late one (no success notice, reply_error kept), unless another command went out meanwhile.
void socket_send_and_wait(DeviceContext& context, std::string_view command);
// True while a command of the context awaits its answer.
bool socket_answer_outstanding(const DeviceContext& context);
// The context's commands waiting behind its outstanding one.
std::size_t socket_commands_waiting(const DeviceContext& context);

// The answer time-out; tests shorten it. Values below 1 restore k_answer_timeout_ms.
void set_answer_timeout_ms(int ms);
int answer_timeout_ms();

// Device contexts served side by side (the command-line tool's --jobs, the server dialog's run
// on every device) besides the program's. Each leased context has its own connection and its
// own outstanding command, answer time-out and queue; its wire hooks send on that connection,
// and everything the connection brings (answers, time-outs, its close) goes to that context.
// The program's own commands (the dialogs) go on as described above.
//
// Connects the context to host (dotted IPv4) and port as a client of its own; the outcome comes
// as contextLinkChanged. Returns the connection's handle.
std::uintptr_t tcp_context_connect(DeviceContext& context, const std::string& host,
                                   std::uint16_t port);
// Leases the connected peer in slot to the context: its answers are the context's from now on.
// False when the slot holds no peer or the peer is already leased.
bool bind_peer_to_context(int slot, DeviceContext& context);
// The context leaves the link: its commands are forgotten, its own client connection is closed
// and a leased peer becomes the program's again. Call before the context goes away.
void release_context(DeviceContext& context);
// A context's hold on its connection: the context goes back to the link (release_context) when
// the lease ends, however its holder ends.
class ContextLease {
public:
    ContextLease() = default;
    explicit ContextLease(DeviceContext& context) : context_(&context) {}
    ~ContextLease() { release(); }
    ContextLease(ContextLease&& other) noexcept : context_(std::exchange(other.context_, nullptr))
    {
    }
    ContextLease& operator=(ContextLease&& other) noexcept
    {
        if (this != &other) {
            release();
            context_ = std::exchange(other.context_, nullptr);
        }
        return *this;
    }
    ContextLease(const ContextLease&) = delete;
    ContextLease& operator=(const ContextLease&) = delete;
    void release()
    {
        if (DeviceContext* c = std::exchange(context_, nullptr))
            release_context(*c);
    }

private:
    DeviceContext* context_ = nullptr;
};
enum class ContextLinkState { none, connecting, connected, lost };
ContextLinkState context_link_state(const DeviceContext& context);

// Makes program the context the client and the peers that are not leased serve, and installs
// its socket_send and answer_outstanding hooks (its serial hook stays). tcp_client_connect and
// tcp_server_start do this themselves.
void install_tcp_hooks(DeviceContext& program);

}  // namespace velta
