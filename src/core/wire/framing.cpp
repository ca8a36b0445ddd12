#include "core/wire/framing.h"

#include <utility>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"

namespace velta {
namespace {
WireHooks& hooks()
{
    static WireHooks h;
    return h;
}
SendTally& tally()
{
    return send_tally_slot().get();
}
bool broadcast()
{
    const LinkSettings& l = link_settings();
    return l.rs485 && l.slave_address >= 32;
}
}  // namespace

WireHooks set_wire_hooks(WireHooks h)
{
    return std::exchange(hooks(), std::move(h));
}

Current<SendTally>& send_tally_slot()
{
    static Current<SendTally> t;
    return t;
}

const SendTally& send_tally()
{
    return tally();
}

bool link_ready()
{
    return link_settings().interface != Interface::tcp || link_status().socket_connected == 1;
}

bool answer_outstanding()
{
    return link_settings().interface == Interface::tcp && hooks().answer_outstanding &&
           hooks().answer_outstanding();
}

std::string frame_serial(std::string_view command)
{
    const LinkSettings& l = link_settings();
    std::string framed;
    if (l.rs485) {
        if (broadcast()) {
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

void serial_send(std::string_view command)
{
    LinkStatus& s = link_status();
    s.answer_pending = 1;
    const std::string framed = frame_serial(command);
    ++tally().commands;
    if (broadcast()) {
        s.answer_pending = 0;  // nobody answers a broadcast
        tally().unanswered_bytes += static_cast<long long>(framed.size());
    } else {
        ++tally().awaited;
    }
    if (hooks().serial_write)
        hooks().serial_write(framed);
}

void send_command(std::string_view command)
{
    if (link_settings().interface == Interface::tcp) {
        if (!link_ready()) {
            link_status().reply_error = 1;  // not sent: a run ends here rather than going on
            report_outcome(outcome_of(OutcomeKind::not_connected, LinkKind::socket));
            return;
        }
        if (hooks().socket_send) {
            ++tally().commands;
            ++tally().awaited;
            hooks().socket_send(command);
        } else {
            link_status().reply_error = 1;
            report_outcome(outcome_of(OutcomeKind::send_failed, LinkKind::socket));
        }
        return;
    }
    serial_send(command);
}

bool send_built(const BuiltCommand& command)
{
    if (command.refusal) {
        show_refusal(*command.refusal);
        return false;
    }
    if (!command.bytes.empty())
        send_command(command.bytes);
    return true;
}

}  // namespace velta
