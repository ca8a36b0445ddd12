#pragma once
// The alarm and remote commands, built from the settings model and handed to send_command.
// The set-all run calls the same routines as the dialogs' buttons.

#include <string>
#include <string_view>

namespace velta {

// The hold-time text holds at most this many bytes.
inline constexpr std::size_t k_hold_time_bytes = 3;
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

// The value of the leading digits (at most three) of a hold-time text, or -1 without any.
int hold_time_seconds(std::string_view text);

// "ACA" or "RCA" with the eight connector pages as three-digit page numbers.
std::string connector_command(std::string_view head);

}  // namespace velta
