#pragma once
// The schedule: one command per day, the texts of the drawn day list, and clearing a day.

#include <string>
#include <string_view>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_schedule_run_period_ms = 300;
inline constexpr int k_schedule_run_steps = 31;

// The heading above each of the three columns of the day list.
inline constexpr std::string_view k_schedule_heading = "時 分 ページ";

// day 0..30: "SD" + day, then hour, minute and page field of the 24 entries.
std::string schedule_day_command(const DeviceConfig& config, int day);

// The three-character page field of an entry: "001".., "PAS", or "000" for none and for a
// page beyond the page count of the configuration's page mode.
std::string schedule_page_field(int page, int page_count);
// The line of entry (0..23) of a day in the drawn list, e.g. "01 = 00:00 P001".
std::string schedule_entry_text(const DeviceConfig& config, int day, int entry);

// Sets every entry of the day to none; nothing is sent.
void schedule_day_off(DeviceConfig& config, int day);

}  // namespace velta
