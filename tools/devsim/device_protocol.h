#pragma once
// The device's side of the command protocol: set commands change the state, read queries are
// answered in the layout of the matching set command. Texts here carry neither the RS-485
// address nor the CR LF ending.

#include <optional>
#include <string>
#include <string_view>

#include "device_state.h"

namespace devsim {

// Applies one set command. False (and the state untouched) when the text is not a set
// command in one of the device's layouts or a value is out of range.
bool apply_set_command(DeviceState& state, std::string_view command);

// The reply to one read query, or nothing when the text is not a read query.
std::optional<std::string> format_reply(const DeviceState& state, std::string_view query);

// What the device answers to one command: the reply of a read query, "GO" for an accepted
// set command, "E3" for anything else.
std::string execute_command(DeviceState& state, std::string_view command);

// A fixed-width decimal field with leading zeros.
std::string decimal(int value, int width);

// Title codes the device takes: JIS X 0208 codes and the custom-character range.
bool valid_title_code(std::uint16_t code);

}  // namespace devsim
