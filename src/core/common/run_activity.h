#pragma once
// Which run goes: a settings run (a dialog's paced run or veltactl's step driver) or a glyph
// list run. A run started while another goes is refused, and while either goes the per-command
// success notices stay quiet. The runs keep their own steps; this is only who is running.

namespace velta {

struct RunActivity {
    bool settings_run = false;
    bool glyph_run = false;
};

inline bool settings_run_active(const RunActivity& a)
{
    return a.settings_run;
}

inline bool run_active(const RunActivity& a)
{
    return a.settings_run || a.glyph_run;
}

}  // namespace velta
