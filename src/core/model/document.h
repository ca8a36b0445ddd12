#pragma once
// The settings data file being edited: its name and the configuration last loaded from it,
// saved to it or reset (the baseline). What the editing configuration holds beyond the baseline
// is unsaved, whichever dialog or reply put it there; a change and its undo leave nothing.

#include <string>

#include "core/model/settings_model.h"

namespace velta {

struct Document {
    std::string file_name;  // empty until a file is opened or saved; a reset keeps it
    DeviceConfig baseline;
};

Document& document();

// True when model().config differs from the baseline.
bool has_unsaved_changes(const DeviceConfig& config);
// The editing configuration becomes the baseline (after a load, a save or a reset).
void mark_config_saved(const DeviceConfig& config);

}  // namespace velta
