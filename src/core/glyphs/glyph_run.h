#pragma once
// The list runs: read every glyph of a size from the device, or register every one. Paced by
// the list's timer, or ("高速") as the answers come; error answers do not stop them.

#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "core/wire/paced_run.h"

namespace velta {

struct DeviceContext;

inline constexpr int k_glyph_read_period_ms = 400;
inline constexpr int k_glyph_register_period_ms = 2000;

// Before a run: false (after the box, if any) when the link is down or another run is active.
// The register run asks the auto-switching question first.
bool prepare_glyph_run(DeviceContext& context, bool register_all, const void* owner);

// The steps of a list run for a PacedRun, which makes it the glyph run.
//
// Periodic: each tick sends the slot the index names unless the previous command still waits
// (a read waits for its bitmap, which moves the index on; a read that got an error answer is
// asked again), and the run ends on the tick the index passes the last slot.
//
// Answer-paced: one step a slot, each sent once the previous one has its outcome; a read that
// got no bitmap (an error answer, a time-out) is not asked again.
RunSteps glyph_run_steps(DeviceContext& context, GlyphSize size, Pace pace);

// The percent field after a step of the run: the slots done (read: the bitmaps that came on a
// periodic run; sent on an answer-paced one).
std::string glyph_run_percent(const DeviceContext& context, GlyphSize size, Pace pace, int step);

// The run ends with the dialog: nothing outstanding.
void end_glyph_run(DeviceContext& context);

}  // namespace velta
