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

// Start a run: false (after the box, if any) when the link is down or a settings run is
// active. The register run asks the auto-switching question first.
bool start_glyph_read_run(DeviceContext& context);
bool start_glyph_register_run(DeviceContext& context, const void* owner);

struct GlyphRunTick {
    std::string percent;  // the percent field after this tick
    bool finished = false;
};
// One tick of an active run: sends the next step, then tells the progress. When the last slot
// is done the run ends (no glyph run, index 0) and the percent text is blank.
GlyphRunTick glyph_run_step(DeviceContext& context, GlyphSize size);

// The run ends with the dialog: nothing outstanding, no run.
void end_glyph_run(DeviceContext& context);

// The answer-paced run, for a PacedRun: one step a slot, each sent once the previous one has
// its outcome. The same question and link test as above come first; false (after the box, if
// any) refuses the run. The PacedRun makes it the glyph run.
bool prepare_glyph_steps_run(DeviceContext& context, bool register_all, const void* owner);
RunSteps glyph_run_steps(DeviceContext& context, GlyphSize size);

}  // namespace velta
