// Each device context's channel on the TCP/IP link: where its commands go (the client socket,
// the chosen peer or a leased connection), its command rules over those connections, and its
// answers handed to the context in turn.

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
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

void make_command_channel(Channel& ch, TcpLink& tcp)
{
    Channel* c = &ch;
    CommandChannel::Hooks hooks;
    hooks.write = [c](const std::string& command) -> std::uintptr_t {
        const std::uintptr_t sock = command_socket(*c);
        Connection* conn = connection(sock);
        const bool sent =
            conn && conn->socket->state() == QAbstractSocket::ConnectedState &&
            conn->socket->write(command.data(), static_cast<qint64>(command.size())) ==
                static_cast<qint64>(command.size());
        return sent ? sock : 0;
    };
    hooks.send_failed = [c] {
        emit c->link->outcomeGiven(OutcomeKind::send_failed);
        if (c->context) {
            c->context->status.reply_error = 1;
            report_outcome(*c->context, outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        }
    };
    hooks.timed_out = [c] {
        emit c->link->outcomeGiven(OutcomeKind::timed_out);
        later_for(*c, [](DeviceContext& to) {
            to.status.reply_error = 1;
            report_outcome(to, outcome_of(OutcomeKind::timed_out, LinkKind::socket));
        });
    };
    hooks.lost = [c](std::uintptr_t sock) {
        // Told after the link's own notices, so that a host following them hears of the lost
        // connection first.
        emit c->link->outcomeGiven(OutcomeKind::timed_out);
        if (c->context)
            c->context->status.reply_error = 1;
        const Connection* conn = connection(sock);
        std::string detail = conn ? conn->endpoint + ": " : std::string();
        detail += "接続が切れました";
        later_for(*c, [detail](DeviceContext& to) {
            Outcome o = outcome_of(OutcomeKind::timed_out, LinkKind::socket);
            o.detail = detail;
            report_outcome(to, o);
        });
    };
    hooks.outstanding_changed = [] { emit TcpLink::instance().outstandingChanged(); };
    hooks.timeout_ms = [] { return data().timeout_ms; };
    hooks.queue_max = k_send_queue_max;
    ch.commands = std::make_unique<CommandChannel>(std::move(hooks));
    ch.link = std::make_unique<TcpDeviceLink>(ch, tcp);
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
    if (!ch || answers.empty())
        return;
    const std::optional<Receipt> kind = ch->commands->take_answers(sock);
    if (!kind)
        return;
    // Dispatched from the event loop, never from inside the read notice, so a box opened by the
    // decoding cannot hold up this socket's further notices.
    for (const std::string& line : answers)
        emit ch->link->lineReceived(QByteArray(line.data(), static_cast<qsizetype>(line.size())));
    for (const std::string& line : answers)
        later_for(*ch, [line, kind = *kind](DeviceContext& to) {
            dispatch_line(to, line, LinkKind::socket, kind);
        });
    ch->commands->pump();
}

// A device that leaves takes its own command with it: the one outstanding (which has failed),
// its time-out and the commands queued for it. Another device's command is not touched.
void forget_commands_of(std::uintptr_t sock)
{
    const Connection* conn = connection(sock);
    Channel* ch = conn ? channel_of_connection(*conn) : &data().own;
    if (ch && ch->commands)
        ch->commands->connection_left(sock, sock == command_socket(*ch));
}

}  // namespace tcp_internal

void socket_send_and_wait(DeviceContext& c, std::string_view command)
{
    TcpLink::instance();
    Channel* ch = channel_of(c);
    if (!link_ready(c) || !ch) {
        c.status.reply_error = 1;
        report_outcome(c, outcome_of(OutcomeKind::not_connected, LinkKind::socket));
        return;
    }
    if (!ch->commands->send(std::string(command))) {
        c.status.reply_error = 1;
        report_outcome(c, outcome_of(OutcomeKind::send_failed, LinkKind::socket));
    }
}

bool socket_answer_outstanding(const DeviceContext& c)
{
    const Channel* ch = channel_of(c);
    return ch && ch->commands && ch->commands->busy();
}

std::size_t socket_commands_waiting(const DeviceContext& c)
{
    const Channel* ch = channel_of(c);
    return ch && ch->commands ? ch->commands->waiting() : 0;
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
