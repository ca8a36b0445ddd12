#include "core/wire/watchdog.h"

#include "core/common/message_boxes.h"
#include "core/wire/device_context.h"

namespace velta {

void watchdog_tick(DeviceContext& c)
{
    LinkStatus& s = c.status;
    if (s.answer_pending == 1) {
        const int before = s.watchdog_ticks++;
        if (before > k_watchdog_limit) {
            s.answer_pending = 0;
            s.watchdog_ticks = 0;
            // The command failed: a paced run ends on it as on an error answer, instead of
            // going through every step and looking complete.
            s.reply_error = 1;
            report_outcome(c, outcome_of(OutcomeKind::no_answer));
        }
    }
    if (s.success_pending == 1) {
        s.success_pending = 0;
        c.boxes().info(k_text_success);
    }
}

}  // namespace velta
