#pragma once
// The process-wide image of the device configuration and the run-time state of the windows.
// Fixed sizes, the documented defaults; free functions operate on it.

#include <array>
#include <cstdint>
#include <string>

namespace velta {

inline constexpr int k_page_slots = 256;
inline constexpr int k_title_max_bytes = 56;    // what the device takes
inline constexpr int k_title_field_bytes = 59;  // what the title field can hold
inline constexpr int k_schedule_days = 31;
inline constexpr int k_schedule_entries = 24;
// The page-valued fields (schedule pages, power-on page, display page) hold a page index
// 0..255 or one of two codes that no page index of either page mode can take: automatic
// switching ("PAS") and, for the schedule, no entry ("---"). The page mode's own numbers for
// them (128 / 129 with two lines) exist only in the commands and the settings file.
inline constexpr int k_page_pas = 256;
inline constexpr int k_page_none = 257;
inline constexpr int k_schedule_page_none = k_page_none;
inline constexpr int k_connectors = 8;
inline constexpr int k_peer_slots = 97;  // slot 0 reserved, peers in 1..96
inline constexpr int k_max_hosts = 100;  // the ini key scheme holds ip00..ip99
inline constexpr int k_glyph_work_bytes = 580;

using IpAddress = std::array<std::uint8_t, 4>;

template <typename T>
using PageArray = std::array<T, k_page_slots>;
using ScheduleTable = std::array<std::array<int, k_schedule_entries>, k_schedule_days>;

constexpr PageArray<int> filled_pages(int value)
{
    PageArray<int> a{};
    a.fill(value);
    return a;
}

constexpr ScheduleTable filled_schedule(int value)
{
    ScheduleTable t{};
    for (auto& day : t) day.fill(value);
    return t;
}

// Entry e of every day starts at hour e.
constexpr ScheduleTable schedule_hours()
{
    ScheduleTable t{};
    for (auto& day : t)
        for (int e = 0; e < k_schedule_entries; ++e) day[static_cast<std::size_t>(e)] = e;
    return t;
}

constexpr std::array<int, k_connectors> identity_connectors()
{
    std::array<int, k_connectors> a{};
    for (int i = 0; i < k_connectors; ++i) a[static_cast<std::size_t>(i)] = i;
    return a;
}

// Every page's title and attributes; the defaults are those of a reset.
struct PageSettings {
    PageArray<std::string> page_title;  // code page 932 bytes, at most 59
    PageArray<int> page_title_position = filled_pages(1);
    PageArray<int> page_auto_switch_time = filled_pages(3);
    PageArray<int> page_char_color = filled_pages(7);
    PageArray<int> page_border_color = filled_pages(0);
    PageArray<int> page_background_fill = filled_pages(0);
    PageArray<int> page_char_level = filled_pages(1);

    bool operator==(const PageSettings&) const = default;
};

struct PageChoices {
    int title_position_choice = 1;
    int auto_switch_time_choice = 3;
    int char_color_choice = 7;
    int border_color_choice = 0;
    int background_fill_choice = 0;
    int char_level_choice = 1;
    int current_page = 0;  // not reset
    int display_on = 1;    // not reset
    int list_repaint_pending = 0;
    int insert_position = 0;
};

// The device-wide settings a settings data file keeps, the schedule included.
struct DeviceSettings {
    int power_on_page = 0;
    int page_mode = 0;
    int upper_font_size = 1;
    int lower_font_size = 1;
    int connector_input = 0;
    int video_loss_background = 0;
    int upper_display_offset = 4;
    int lower_display_offset = 100;
    int clock_display = 0;
    int clock_display_range = 0;
    int clock_display_size = 0;
    int alarm_mode = 0;
    int alarm_polarity = 0;
    std::string alarm_hold_time = "010";  // at most 3 characters
    int alarm_display = 1;
    int alarm_return = 1;
    std::array<int, k_connectors> connector_assignment = identity_connectors();
    int remote_mode = 0;
    ScheduleTable schedule_hour = schedule_hours();
    ScheduleTable schedule_minute{};
    ScheduleTable schedule_page = filled_schedule(k_schedule_page_none);
    int net_subnet_class = 2;
    int net_ect = 0;
    int net_keep_alive = 0;
    int net_etr = 5;

    bool operator==(const DeviceSettings&) const = default;
};

// Exactly what a settings data file holds; a default-constructed value is the reset
// configuration.
struct DeviceConfig {
    PageSettings pages;
    DeviceSettings device;

    bool operator==(const DeviceConfig&) const = default;
};

// What the device reports or is addressed by but a settings data file does not keep.
struct DeviceExtras {
    int display_page = 0;
    IpAddress net_ip_address{};
    IpAddress net_gateway{};
    IpAddress net_eaa{};
    std::string port_number = "09004";                  // at most 5 characters
    std::string net_mac_address = "00-00-00-00-00-00";  // 17 characters
    std::string firmware_version = "0.00";              // 4 characters

    bool operator==(const DeviceExtras&) const = default;
};

// Every slot of a size (and the work buffer) starts as all '0' digits: blank glyphs.
template <std::size_t Bytes, std::size_t Slots>
constexpr std::array<std::array<char, Bytes>, Slots> blank_glyphs()
{
    std::array<std::array<char, Bytes>, Slots> a{};
    for (auto& slot : a) slot.fill('0');
    return a;
}

struct GlyphStore {
    std::array<std::array<char, 580>, 70> glyph_large = blank_glyphs<580, 70>();
    std::array<std::array<char, 260>, 160> glyph_medium = blank_glyphs<260, 160>();
    std::array<std::array<char, 150>, 256> glyph_small = blank_glyphs<150, 256>();
    std::array<char, k_glyph_work_bytes> glyph_work = blank_glyphs<k_glyph_work_bytes, 1>()[0];
    int glyph_transfer_index = 0;
    // The last bitmap query: its reply must name the same code in the same size.
    unsigned glyph_query_code = 0;
    int glyph_query_size = -1;
};

struct SettingsModel {
    DeviceConfig config;
    DeviceExtras extras;
    PageChoices choices;
    GlyphStore glyphs;
};

// Sets every field that has a default back to it; leaves the fields documented as not reset
// untouched. A default-constructed model is a reset one. The link's answer flags are the
// link's.
void reset_settings_model(SettingsModel& m);

// Page count of a page mode: 256, or 128 in two-line mode.
int page_count_for_mode(int page_mode);

// The item of a page list ("001" .. count, "PAS", and "---" where offered) that shows a
// page value: -1 (no selection) for a page the mode does not have, or for none where the list
// has no "---".
int page_list_index(int value, int count, bool with_none);
// The page value an item of such a list stands for.
int page_from_list_index(int index, int count);

}  // namespace velta
