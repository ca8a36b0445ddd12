#include "link/framing.h"

#include <utility>

#include "common/message_boxes.h"
#include "link/codecs.h"
#include "model/settings_model.h"

namespace velta {
namespace {
WireHooks& hooks()
{
    static WireHooks h;
    return h;
}
bool broadcast()
{
    const LinkSettings& l = model().link;
    return l.rs485_mode == 1 && l.slave_address >= 32;
}
}  // namespace

WireHooks set_wire_hooks(WireHooks h)
{
    return std::exchange(hooks(), std::move(h));
}

bool link_ready()
{
    return model().link.interface_kind != 1 || model().state.socket_connected == 1;
}

bool answer_outstanding()
{
    return model().link.interface_kind == 1 && hooks().answer_outstanding &&
           hooks().answer_outstanding();
}

std::string frame_serial(std::string_view command)
{
    const LinkSettings& l = model().link;
    std::string framed;
    if (l.rs485_mode == 1) {
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
    LinkState& s = model().state;
    s.answer_pending = 1;
    const std::string framed = frame_serial(command);
    if (broadcast())
        s.answer_pending = 0;  // nobody answers a broadcast
    if (hooks().serial_write)
        hooks().serial_write(framed);
}

void send_command(std::string_view command)
{
    if (model().link.interface_kind == 1) {
        if (!link_ready()) {
            model().state.reply_error = 1;  // not sent: a run ends here rather than going on
            warning_box(k_text_not_connected);
            return;
        }
        if (hooks().socket_send) {
            hooks().socket_send(command);
        } else {
            model().state.reply_error = 1;
            warning_box("Socket 送信");
        }
        return;
    }
    serial_send(command);
}

}  // namespace velta
