#include "core/wire/framing.h"

#include "core/common/message_boxes.h"
#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/outcome.h"

namespace velta {
namespace {

bool broadcast(const LinkSettings& l)
{
    return l.rs485 && l.slave_address >= 32;
}

}  // namespace

bool link_ready(const DeviceContext& c)
{
    return c.link.interface != Interface::tcp || c.status.socket_connected == 1;
}

bool answer_outstanding(const DeviceContext& c)
{
    return c.link.interface == Interface::tcp && c.hooks.answer_outstanding &&
           c.hooks.answer_outstanding();
}

std::string frame_serial(const LinkSettings& l, std::string_view command)
{
    std::string framed;
    if (l.rs485) {
        if (broadcast(l)) {
            framed = "FF";
        } else {
            framed = "00";
            format_dec2(l.slave_address < 0 ? 0 : l.slave_address, framed.data());
        }
    }
    framed.append(command);
    if (framed.size() > k_max_framed)
        framed.resize(k_max_framed);
    return framed;
}

void serial_send(DeviceContext& c, std::string_view command)
{
    LinkStatus& s = c.status;
    s.answer_pending = 1;
    const std::string framed = frame_serial(c.link, command);
    ++c.tally.commands;
    if (broadcast(c.link)) {
        s.answer_pending = 0;  // nobody answers a broadcast
        c.tally.unanswered_bytes += static_cast<long long>(framed.size());
    } else {
        ++c.tally.awaited;
    }
    if (c.hooks.serial_write)
        c.hooks.serial_write(framed);
}

void send_command(DeviceContext& c, std::string_view command)
{
    if (c.link.interface == Interface::tcp) {
        if (!link_ready(c)) {
            c.status.reply_error = 1;  // not sent: a run ends here rather than going on
            report_outcome(c, outcome_of(OutcomeKind::not_connected, LinkKind::socket));
            return;
        }
        if (c.hooks.socket_send) {
            ++c.tally.commands;
            ++c.tally.awaited;
            c.hooks.socket_send(command);
        } else {
            c.status.reply_error = 1;
            report_outcome(c, outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        }
        return;
    }
    serial_send(c, command);
}

bool send_built(DeviceContext& c, const BuiltCommand& command)
{
    if (command.refusal) {
        show_refusal(*command.refusal, c.boxes());
        return false;
    }
    if (!command.bytes.empty())
        send_command(c, command.bytes);
    return true;
}

}  // namespace velta
