#include "link/watchdog.h"

#include "common/message_boxes.h"
#include "model/settings_model.h"

namespace velta {

void watchdog_tick()
{
    LinkState& s = model().state;
    if (s.answer_pending == 1) {
        const int before = s.watchdog_ticks++;
        if (before > k_watchdog_limit) {
            s.answer_pending = 0;
            s.watchdog_ticks = 0;
            // The command failed: a paced run ends on it as on an error answer, instead of
            // going through every step and looking complete.
            s.reply_error = 1;
            error_box("No Connect");
        }
    }
    if (s.success_pending == 1) {
        s.success_pending = 0;
        info_box("Success");
    }
}

}  // namespace velta
