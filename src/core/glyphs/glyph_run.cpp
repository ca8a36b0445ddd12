#include "core/glyphs/glyph_run.h"

#include <limits>

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/glyphs/glyph_layout.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"

namespace velta {
namespace {

// Sends the step of the slot the index names: a register command (the index moves on), or the
// read query (the bitmap reply moves it on).
void send_slot(DeviceContext& c, GlyphSize size)
{
    int& index = c.model.glyphs.glyph_transfer_index;
    if (glyph_state().glyph_transfer_mode == 1) {
        const std::span<const char> slot = glyph_slot(c.model.glyphs, size, index);
        send_glyph_register(
            c, size, index,
            {slot.data(), static_cast<std::size_t>(glyph_size_info(size).glyph_digits)});
        ++index;
    } else {
        c.status.read_pending = 1;
        send_glyph_query(c, size, glyph_code(index));
    }
}

}  // namespace

bool prepare_glyph_run(DeviceContext& c, bool register_all, const void* owner)
{
    if (register_all && !confirm_not_auto_switching(owner))
        return false;
    if (!link_ready(c)) {
        c.boxes().warning(k_text_not_connected);
        return false;
    }
    if (run_active(c.activity))
        return false;
    c.model.glyphs.glyph_transfer_index = 0;
    glyph_state().glyph_transfer_mode = register_all ? 1 : 0;
    return true;
}

RunSteps glyph_run_steps(DeviceContext& c, GlyphSize size, Pace pace)
{
    RunSteps steps;
    steps.kind = RunKind::glyph_list;
    const int slots = glyph_size_info(size).slot_count;
    if (pace == Pace::periodic) {
        steps.last = std::numeric_limits<int>::max();  // the index tells when it is over
        steps.perform = [&c, size, slots](int) {
            int& index = c.model.glyphs.glyph_transfer_index;
            if (index >= 0 && index < slots &&
                (glyph_state().glyph_transfer_mode == 1 || c.status.read_pending == 0))
                send_slot(c, size);
            return index >= 0 && index < slots ? StepResult::sent : StepResult::last;
        };
    } else {
        steps.last = slots;
        steps.perform = [&c, size](int step) {
            // Each step has its slot: a read that got no bitmap is not asked again.
            c.model.glyphs.glyph_transfer_index = step - 1;
            send_slot(c, size);
            return StepResult::sent;
        };
    }
    steps.finished = [&c](RunEnd end) {
        if (end == RunEnd::completed)
            c.model.glyphs.glyph_transfer_index = 0;
    };
    return steps;
}

std::string glyph_run_percent(const DeviceContext& c, GlyphSize size, Pace pace, int step)
{
    const int slots = glyph_size_info(size).slot_count;
    return glyph_percent_text(pace == Pace::periodic ? c.model.glyphs.glyph_transfer_index : step,
                              slots);
}

void end_glyph_run(DeviceContext& c)
{
    c.status.read_pending = 0;
}

}  // namespace velta
