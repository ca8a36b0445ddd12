// The command channel of each device context on the TCP/IP link: one command outstanding, its
// answer time-out, a late answer after it, the queue behind it, and the answers handed to the
// context in turn.

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

void set_answer_timeout_ms(int ms)
{
    data().timeout_ms = ms < 1 ? k_answer_timeout_ms : ms;
}

int answer_timeout_ms()
{
    return data().timeout_ms;
}

}  // namespace velta
