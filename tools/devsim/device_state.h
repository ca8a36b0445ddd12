#pragma once
// Everything the simulated device remembers. Values are kept as the device sees them: page
// numbers are 1-based as on the wire, letters and digits are decoded into small integers.

#include <array>
#include <cstdint>
#include <string>

namespace devsim {

constexpr int k_pages = 256;
constexpr int k_title_codes = 28;
constexpr int k_connectors = 8;
constexpr int k_days = 31;
constexpr int k_entries = 24;

// Page fields that may also mean automatic switching ("PAS") or, in the schedule, nothing.
constexpr int k_page_pas = -1;
constexpr int k_page_off = 0;

constexpr std::uint16_t k_blank_code = 0x2121;  // the full-width space

enum class GlyphSize { large = 0, medium = 1, small = 2 };

struct GlyphGeometry {
    char letter;
    int slot_count;
    int digits;  // hexadecimal digits of one glyph
};

const GlyphGeometry& geometry(GlyphSize size);

// The device character code of glyph slot s (0-based); -1 when s is outside 0..255.
int glyph_code(int slot);
// The slot of a device character code; -1 when the code is not a glyph code.
int glyph_slot_of_code(int code);

struct ScheduleEntry {
    int hour = 0;
    int minute = 0;
    int page = k_page_off;  // 1..256, k_page_pas or k_page_off

    bool operator==(const ScheduleEntry&) const = default;
};

struct Clock {
    int year = 0;  // 0..99, meaning 2000..2099
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    bool operator==(const Clock&) const = default;
};

struct DeviceState {
    // Per page.
    std::array<std::array<std::uint16_t, k_title_codes>, k_pages> title{};
    std::array<int, k_pages> title_position{};  // 0 top, 1 bottom
    std::array<int, k_pages> switch_time{};     // seconds 0..99
    std::array<int, k_pages> char_color{};      // 0..8
    std::array<int, k_pages> border_color{};    // 0..8
    std::array<int, k_pages> fill{};            // 0 off, 1 on
    std::array<int, k_pages> char_level{};      // 0 low, 1 high

    // Display.
    int display_page = 1;  // 1..256 or k_page_pas
    int display_on = 1;

    // Clock and its display.
    Clock clock;
    int clock_display = 0;        // 0 off, 1 on
    int clock_display_range = 1;  // 1..8 as sent
    int clock_display_size = 0;   // 0 small, 1 normal

    // Alarm and remote.
    int alarm_mode = 0;  // 0 internal, 1 external
    int alarm_hold_time = 10;
    int alarm_polarity = 0;  // 0 make, 1 break
    int alarm_display = 1;
    int alarm_return = 1;
    std::array<int, k_connectors> connectors{};  // page numbers 1..256
    int remote_mode = 0;                         // 0 binary, 1 bit, 2 operation

    // Other settings.
    int connector_input = 0;  // 0 alarm, 1 remote
    int power_on_page = 1;    // 1..256 or k_page_pas
    int page_mode = 1;        // 1 one line, 2 two lines
    int upper_font_size = 1;  // 0 small, 1 medium, 2 large
    int lower_font_size = 1;
    int video_loss_background = 0;  // 0 normal, 1 blue
    int upper_display_offset = 4;
    int lower_display_offset = 100;

    std::array<std::array<ScheduleEntry, k_entries>, k_days> schedule{};

    // Network.
    std::array<std::array<int, 4>, 3> addresses{};  // IP, gateway, active address
    int subnet_class = 2;                           // 0 A, 1 B, 2 C
    std::string port_number = "09004";
    int connection_try = 0;
    int keep_alive = 0;
    int time_register = 6;  // 1..6
    std::string mac_address = "00-11-22-33-44-55";
    std::string firmware_version = "1.32";

    // Custom characters by size, as glyph text (hexadecimal digits, rows top to bottom).
    std::array<std::array<std::string, 256>, 3> glyphs{};

    bool operator==(const DeviceState&) const = default;

    std::string& glyph(GlyphSize size, int slot) { return glyphs[static_cast<int>(size)][slot]; }
    const std::string& glyph(GlyphSize size, int slot) const
    {
        return glyphs[static_cast<int>(size)][slot];
    }
};

enum AddressIndex { k_ip_address = 0, k_gateway = 1, k_active_address = 2 };

// Factory settings: those the configuration tool starts with, where the layouts carry them.
DeviceState factory_state();

}  // namespace devsim
