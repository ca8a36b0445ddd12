#pragma once
// What each setting's command can carry, and so what a device can hold: one table for the
// reply decoders, the settings file reader and the command builders, so that whatever one of
// them takes the others can send or read back.

#include <string>
#include <string_view>

#include "core/model/settings_model.h"

namespace velta {

struct FieldRange {
    int low;
    int high;
    constexpr bool holds(int v) const { return v >= low && v <= high; }
    // What a builder writes for a value the model should never hold, so that a command always
    // keeps its layout.
    constexpr int clamp(int v) const { return v < low ? low : v > high ? high : v; }
};

inline constexpr FieldRange k_range_flag{0, 1};
inline constexpr FieldRange k_range_three{0, 2};  // font sizes, remote mode, subnet class
inline constexpr FieldRange k_range_colour{0, 8};
inline constexpr FieldRange k_range_switch_time{0, 99};
inline constexpr FieldRange k_range_display_offset{0, 104};
inline constexpr FieldRange k_range_clock_range{0, 7};    // "TSDR1".."TSDR8"
inline constexpr FieldRange k_range_time_register{0, 5};  // "ETR1".."ETR6"
inline constexpr FieldRange k_range_hour{0, 23};
inline constexpr FieldRange k_range_minute{0, 59};
inline constexpr FieldRange k_range_page_index{0, k_page_slots - 1};  // pages 001..256
inline constexpr FieldRange k_range_hold_seconds{3, 999};
inline constexpr FieldRange k_range_port{1, 65535};

// The hold-time text holds at most this many bytes.
inline constexpr std::size_t k_hold_time_bytes = 3;

// The value of the leading digits (at most three) of a hold-time text, or -1 without any.
int hold_time_seconds(std::string_view text);
// The hold time as the device holds it: "30" and "12s" are "030" and "012". A text that cannot
// be sent stays as typed, so that the refusal can show it.
std::string hold_time_as_sent(std::string_view text);

}  // namespace velta
