#pragma once
// The alarm and remote commands, each built from the configuration it is given. The set-all
// run, the send plan and the dialogs' buttons send the same builders' bytes.

#include <string>
#include <string_view>

#include "core/common/built_command.h"
#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"

namespace velta {

std::string alarm_mode_command(const DeviceConfig& config);
// Refused (hold_time_too_short) without leading digits, or below 3 seconds.
BuiltCommand alarm_hold_time_command(const DeviceConfig& config);
std::string alarm_polarity_command(const DeviceConfig& config);
std::string alarm_display_command(const DeviceConfig& config);
std::string alarm_return_command(const DeviceConfig& config);
// "ACA" or "RCA" with the eight connector pages as three-digit page numbers.
std::string connector_command(const DeviceConfig& config, std::string_view head);
std::string alarm_connectors_command(const DeviceConfig& config);

std::string remote_mode_command(const DeviceConfig& config);
std::string remote_connectors_command(const DeviceConfig& config);

}  // namespace velta
