#pragma once
// The commands of the remaining device-wide settings, each built from the configuration it is
// given, and the page-mode change that keeps the page values that depend on the page count
// meaningful.

#include <string>

#include "core/model/settings_model.h"

namespace velta {

std::string connector_input_command(const DeviceConfig& config);
std::string power_on_page_command(const DeviceConfig& config);
std::string page_mode_command(const DeviceConfig& config);
std::string upper_font_size_command(const DeviceConfig& config);
std::string lower_font_size_command(const DeviceConfig& config);
std::string upper_display_offset_command(const DeviceConfig& config);
std::string lower_display_offset_command(const DeviceConfig& config);
std::string video_loss_background_command(const DeviceConfig& config);

// Stores the new page mode. current_page, display_page and power_on_page beyond the last page
// of the new mode go back to 0, so their lists always show what their commands send; "PAS"
// stays "PAS".
void apply_page_mode(SettingsModel& m, int new_mode);

}  // namespace velta
