#pragma once
// The item texts of the device-wide dialogs' drop-down lists, in index order (the index is the
// stored value). The blanks are part of the texts: the device's own menus line them up.

#include <array>
#include <string_view>

namespace velta {

using ItemText = std::string_view;

// Alarm
inline constexpr std::array<ItemText, 2> k_alarm_mode_items{"Internal", "External"};
inline constexpr std::array<ItemText, 2> k_alarm_polarity_items{"Make ", "Break"};
inline constexpr std::array<ItemText, 2> k_off_on_items{"OFF", " ON"};

// Remote
inline constexpr std::array<ItemText, 3> k_remote_mode_items{"BINARY   ", "BIT      ", "OPERATION"};

// Other settings
inline constexpr std::array<ItemText, 2> k_connector_input_items{"ALARM ", "REMOTE"};
inline constexpr std::array<ItemText, 2> k_page_mode_items{"Line 1", "Line 2"};
inline constexpr std::array<ItemText, 3> k_font_size_items{"小", "中", "大"};
inline constexpr std::array<ItemText, 2> k_video_loss_items{"Normal", "Blue  "};
inline constexpr int k_display_offset_max = 104;
inline constexpr ItemText k_pas_item = "PAS";

// Schedule
inline constexpr ItemText k_schedule_none_item = "---";

// Device network
inline constexpr std::array<ItemText, 3> k_subnet_items{"Class A", "Class B", "Class C"};
inline constexpr std::array<ItemText, 2> k_net_off_on_items{"OFF", "ON "};
inline constexpr std::array<ItemText, 6> k_time_register_items{" 1", " 2", " 3", " 4", " 5", " 6"};

}  // namespace velta
