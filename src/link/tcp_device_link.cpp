// A TCP/IP channel as a device link: its sends go through the context's command channel, its
// state is the client's, the chosen peer's or the leased connection's.

#include <QTcpSocket>

#include "core/wire/device_context.h"
#include "core/wire/peer_table.h"
#include "link/tcp_link_internal.h"

namespace velta {

using namespace tcp_internal;

TcpDeviceLink::TcpDeviceLink(Channel& channel, TcpLink& tcp) : channel_(channel)
{
    connect(&tcp, &TcpLink::connectedChanged, this, [this] { notice_state(); });
    connect(&tcp, &TcpLink::peersChanged, this, [this] { notice_state(); });
    connect(&tcp, &TcpLink::contextLinkChanged, this, [this](DeviceContext* context) {
        if (context == channel_.context)
            notice_state();
    });
}

void TcpDeviceLink::attach(DeviceContext& c)
{
    c.hooks.socket_send = [&c](std::string_view command) { socket_send_and_wait(c, command); };
    c.hooks.answer_outstanding = [&c] { return socket_answer_outstanding(c); };
}

void TcpDeviceLink::send(std::string_view command)
{
    if (channel_.context)
        send_command(*channel_.context, command);
}

bool TcpDeviceLink::answer_outstanding() const
{
    return channel_.commands && channel_.commands->busy();
}

DeviceLinkState TcpDeviceLink::state() const
{
    if (channel_.leased) {
        switch (channel_.context ? context_link_state(*channel_.context) : ContextLinkState::none) {
            case ContextLinkState::none:
                return DeviceLinkState::closed;
            case ContextLinkState::connecting:
                return DeviceLinkState::connecting;
            case ContextLinkState::connected:
                return DeviceLinkState::open;
            case ContextLinkState::lost:
                return DeviceLinkState::lost;
        }
    }
    const Connection* conn = connection(command_socket(channel_));
    if (!conn)
        return DeviceLinkState::closed;
    if (conn->socket->state() == QAbstractSocket::ConnectedState)
        return DeviceLinkState::open;
    return tcp_client_state() == ClientState::connecting ? DeviceLinkState::connecting
                                                         : DeviceLinkState::closed;
}

std::string TcpDeviceLink::name() const
{
    const Connection* conn = connection(command_socket(channel_));
    return conn ? conn->endpoint : std::string();
}

void TcpDeviceLink::notice_state()
{
    const DeviceLinkState now = state();
    if (now == shown_)
        return;
    shown_ = now;
    emit stateChanged(now);
}

}  // namespace velta
