#pragma once
// The commands of the per-page settings, the displayed page and the clock. Each builds one
// command text from the values it is given by overwriting the fields of a fixed template. The
// dialogs' buttons, the set-all run and the send plan send the same builders' bytes.
//
// Values a reply or a file put in a configuration are not trusted to fit their fields: a
// number too large or negative for its digits is clamped into them, so a command never carries
// anything but digits and letters.

#include <string>

#include "core/model/settings_model.h"

namespace velta {

// Title position: "IDP001T", one slot; "IDP" + 256 letters T/B.
std::string title_position_command(const DeviceConfig& config, int slot);
std::string all_title_positions_command(const DeviceConfig& config);

// Automatic switching time: "PAST00103", one page; "PAST" + two digits for each of the pages
// of the configuration's page mode.
std::string auto_switch_time_command(const DeviceConfig& config, int slot);
std::string all_auto_switch_times_command(const DeviceConfig& config);

// Character and border colours: "CABC00170", one slot; "CABC" + two digits per slot.
std::string colours_command(const DeviceConfig& config, int slot);
std::string all_colours_command(const DeviceConfig& config);

// Background fill: "FB001OF"/"FB001ON", one slot; "FB" + 256 letters F/N.
std::string background_fill_command(const DeviceConfig& config, int slot);
std::string all_background_fill_command(const DeviceConfig& config);

// Character level: "CWL001L"/"CWL001H", one page; "CWL" + 256 letters L/H in both page modes.
std::string char_level_command(const DeviceConfig& config, int slot);
std::string all_char_levels_command(const DeviceConfig& config);

// Displayed page: "P001" .. or "PAS" for automatic switching; display on/off.
std::string display_page_command(int display_page);
std::string display_on_command(int display_on);

// Clock display: on/off ("TSDOF"/"TSDON"), range ("TSDR1" .. "TSDR8"), size ("TSDSS"/"TSDSN").
std::string clock_display_command(const DeviceConfig& config);
std::string clock_range_command(const DeviceConfig& config);
std::string clock_size_command(const DeviceConfig& config);

// Date and time, by the index of the dialog's list: year index 0 = 2000, month and day index
// 0 = the first, hour/minute/second index = the value. An index outside its list builds
// nothing.
std::string date_year_command(int index);    // "DSY26"
std::string date_month_command(int index);   // "DSM03"
std::string date_day_command(int index);     // "DSD05"
std::string time_hour_command(int index);    // "TSH09"
std::string time_minute_command(int index);  // "TSM07"
std::string time_second_command(int index);  // "TSS30"
std::string time_adjust_command();           // "TSA", the device's 30-second correction

}  // namespace velta
