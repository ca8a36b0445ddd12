#pragma once
// The device state as text: one line per item, each line a set command in the device's own
// layout (plus "EMA" and "VN" lines for the two read-only items). Loading starts from the
// factory state and applies the lines in order, so a file may hold only the items it changes.

#include <string>
#include <string_view>

#include "device_state.h"

namespace devsim {

std::string state_to_text(const DeviceState& state);

// Applies `text` to `state`. On failure the message names the line and `state` is unchanged.
bool state_from_text(std::string_view text, DeviceState& state, std::string& error);

}  // namespace devsim
