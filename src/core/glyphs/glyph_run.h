#pragma once
// The list runs: read every glyph of a size from the device, or register every one. Paced by
// the list's timer alone; error answers do not stop them.

#include <string>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

inline constexpr int k_glyph_read_period_ms = 400;
inline constexpr int k_glyph_register_period_ms = 2000;

// Start a run: false (after the box, if any) when the link is down or a settings run is
// active. The register run asks the auto-switching question first.
bool start_glyph_read_run();
bool start_glyph_register_run(const void* owner);

struct GlyphRunTick {
    std::string percent;  // the percent field after this tick
    bool finished = false;
};
// One tick of an active run: sends the next step, then tells the progress. When the last slot
// is done the run ends (no glyph run, index 0) and the percent text is blank.
GlyphRunTick glyph_run_step(GlyphSize size);

// The run ends with the dialog: nothing outstanding, no run.
void end_glyph_run();

}  // namespace velta
