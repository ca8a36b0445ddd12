#pragma once
// The alarm and remote commands, built from the settings model and handed to send_command.
// The set-all run calls the same routines as the dialogs' buttons.

#include <string>
#include <string_view>

#include "core/model/field_ranges.h"

namespace velta {

inline constexpr std::string_view k_text_hold_time_too_short = "3秒以上を設定してください。";

void send_alarm_mode();
// Checks the hold time first: without leading digits, or below 3 seconds, it shows
// "3秒以上を設定してください。" and sends nothing (false).
bool send_alarm_hold_time();
void send_alarm_polarity();
void send_alarm_display();
void send_alarm_return();
void send_alarm_connectors();

void send_remote_mode();
void send_remote_connectors();

// "ACA" or "RCA" with the eight connector pages as three-digit page numbers.
std::string connector_command(std::string_view head);

}  // namespace velta
