#include "core/wire/outcome.h"

#include <utility>

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/wire/device_context.h"

namespace velta {
namespace {

// Runs report their progress instead of a notice per command; a late answer is no success.
bool quiet_success(const DeviceContext& c, const Outcome& o)
{
    return run_active(c.activity) || o.late;
}

// The one place outcomes become boxes.
void show_box(DeviceContext& c, const Outcome& o)
{
    const BoxRoute boxes = c.boxes();
    const bool serial = o.link == LinkKind::serial;
    const std::string_view text = outcome_message(o);
    switch (o.kind) {
        case OutcomeKind::go:
            if (quiet_success(c, o))
                return;
            if (serial)
                c.status.success_pending = 1;  // "Success" at the next watchdog tick
            else
                boxes.info(text);
            return;
        case OutcomeKind::mode_error:
            if (settings_run_active(c.activity))
                return;
            if (serial)
                boxes.error(text);
            else
                boxes.info(text);
            return;
        case OutcomeKind::error_answer:
        case OutcomeKind::menu:
            boxes.error(text);
            return;
        case OutcomeKind::damaged_reply:
            boxes.error(text, o.item);
            return;
        case OutcomeKind::no_answer:
            boxes.error(text, o.detail);
            return;
        case OutcomeKind::timed_out:
        case OutcomeKind::send_failed:
        case OutcomeKind::not_connected:
            boxes.warning(text, o.detail);
            return;
        case OutcomeKind::data_reply:
            return;
    }
}

}  // namespace

bool Outcome::failed() const
{
    return kind != OutcomeKind::go && kind != OutcomeKind::data_reply;
}

Outcome outcome_of(OutcomeKind kind, LinkKind link)
{
    Outcome o;
    o.kind = kind;
    o.link = link;
    return o;
}

void report_outcome(DeviceContext& c, const Outcome& o)
{
    if (c.outcome_observer)
        c.outcome_observer(o);
    show_box(c, o);
}

std::string_view outcome_message(const Outcome& o)
{
    const bool serial = o.link == LinkKind::serial;
    switch (o.kind) {
        case OutcomeKind::go:
            return serial ? k_text_success : k_text_socket_ok;
        case OutcomeKind::error_answer:
            if (o.error < 0 || o.error > 3)
                return {};
            return serial ? k_text_serial_errors[o.error] : k_text_socket_errors[o.error];
        case OutcomeKind::mode_error:
            return serial ? k_text_mode_error : k_text_socket_mode;
        case OutcomeKind::menu:
            return k_text_menu;
        case OutcomeKind::damaged_reply:
            return k_text_reply_damaged;
        case OutcomeKind::timed_out:
            return k_text_no_answer_tcp;
        case OutcomeKind::send_failed:
            return k_text_send_failed;
        case OutcomeKind::not_connected:
            return k_text_not_connected;
        case OutcomeKind::no_answer:
            return k_text_no_answer_serial;
        case OutcomeKind::data_reply:
            break;
    }
    return {};
}

}  // namespace velta
