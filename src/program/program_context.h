#pragma once
// The document the program edits and the link it edits it through: the one device context the
// program's own dialogs serve. The GUI (and the tests that drive it) reach it here; the core,
// the links and veltactl are handed the context they serve and never include this.

#include <optional>

#include "core/wire/device_context.h"

namespace velta {

DeviceContext& program_context();

// Its members, as the dialogs use them.
SettingsModel& model();
LinkSettings& link_settings();
LinkStatus& link_status();
RunActivity& run_activity();

inline bool settings_run_active()
{
    return program_context().activity.settings_run;
}

inline bool glyph_run_active()
{
    return program_context().activity.glyph_run;
}

inline bool run_active()
{
    return run_active(program_context().activity);
}

// What the device held when "デバイスと比較…" last read it whole; nothing before.
std::optional<DeviceConfig>& device_reading();

// Page count of the document's page mode: 256, or 128 in two-line mode.
int page_count();

// Resets the document's model to its defaults.
void reset_settings_model();
// Clears every flag of the program's link status; the peers stay.
void clear_answer_flags();

}  // namespace velta
