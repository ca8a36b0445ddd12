#include "core/glyphs/glyph_run.h"

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

bool prepare(DeviceContext& c, int mode)
{
    if (!link_ready(c)) {
        c.boxes().warning(k_text_not_connected);
        return false;
    }
    if (run_active(c.activity))
        return false;
    c.model.glyphs.glyph_transfer_index = 0;
    glyph_state().glyph_transfer_mode = mode;
    return true;
}

bool start(DeviceContext& c, int mode)
{
    if (!prepare(c, mode))
        return false;
    c.activity.glyph_run = true;
    return true;
}

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

bool start_glyph_read_run(DeviceContext& c)
{
    return start(c, 0);
}

bool start_glyph_register_run(DeviceContext& c, const void* owner)
{
    if (!confirm_not_auto_switching(owner))
        return false;
    return start(c, 1);
}

GlyphRunTick glyph_run_step(DeviceContext& c, GlyphSize size)
{
    int& index = c.model.glyphs.glyph_transfer_index;
    const int slots = glyph_size_info(size).slot_count;
    GlyphRunTick tick;
    if (!c.activity.glyph_run) {
        tick.finished = true;
        return tick;
    }
    // On TCP/IP a slow device is not outrun: the step waits for the previous answer.
    if (index >= 0 && index < slots && !answer_outstanding(c) &&
        (glyph_state().glyph_transfer_mode == 1 || c.status.read_pending == 0))
        send_slot(c, size);
    tick.percent = glyph_percent_text(index, slots);
    if (index >= slots || index < 0) {
        index = 0;
        c.activity.glyph_run = false;
        tick.percent = "   ";
        tick.finished = true;
    }
    return tick;
}

void end_glyph_run(DeviceContext& c)
{
    c.status.read_pending = 0;
    c.activity.glyph_run = false;
}

bool prepare_glyph_steps_run(DeviceContext& c, bool register_all, const void* owner)
{
    if (register_all && !confirm_not_auto_switching(owner))
        return false;
    return prepare(c, register_all ? 1 : 0);
}

RunSteps glyph_run_steps(DeviceContext& c, GlyphSize size)
{
    RunSteps steps;
    steps.kind = RunKind::glyph_list;
    steps.last = glyph_size_info(size).slot_count;
    steps.perform = [&c, size](int step) {
        // Each step has its slot: a read that got no bitmap (an error answer, a time-out) is
        // not asked again, the run goes on with the next slot.
        c.model.glyphs.glyph_transfer_index = step - 1;
        send_slot(c, size);
        return StepResult::sent;
    };
    steps.finished = [&c](RunEnd end) {
        if (end == RunEnd::completed)
            c.model.glyphs.glyph_transfer_index = 0;
    };
    return steps;
}

}  // namespace velta
