#include "core/device/device_replies.h"

#include <array>
#include <cctype>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/reply_fields.h"

namespace velta {
namespace {

bool connectors(std::string_view b, const ReplyTarget& t)
{
    std::array<int, k_connectors> pages{};
    for (std::size_t i = 0; i < pages.size(); ++i)
        if (!reply_page_number(b, 3 + 3 * i, pages[i]))
            return false;
    t.config.device.connector_assignment = pages;
    return true;
}

// "ddd.ddd.ddd.ddd" from position 3, each part at most 255.
bool address(std::string_view b, IpAddress& field)
{
    constexpr FieldRange k_byte{0, 255};
    IpAddress a{};
    for (std::size_t i = 0; i < 4; ++i) {
        int v = 0;
        if (!reply_number(b, 3 + 4 * i, 3, k_byte, v) || (i < 3 && b[6 + 4 * i] != '.'))
            return false;
        a[i] = static_cast<std::uint8_t>(v);
    }
    field = a;
    return true;
}

// "00-11-22-33-44-55" from position 3.
bool mac_address(std::string_view b, std::string& field)
{
    const std::string_view mac = b.substr(3);
    for (std::size_t i = 0; i < mac.size(); ++i)
        if (i % 3 == 2 ? mac[i] != '-' : std::isxdigit(static_cast<unsigned char>(mac[i])) == 0)
            return false;
    field.assign(mac);
    return true;
}

// The page field of a schedule entry: "PAS", "000" for none, or a page number.
bool schedule_page_at(std::string_view b, std::size_t at, int& page)
{
    if (b.substr(at, 3) == "PAS") {
        page = k_page_pas;
        return true;
    }
    if (b.substr(at, 3) == "000") {
        page = k_page_none;
        return true;
    }
    return reply_page_number(b, at, page);
}

constexpr std::size_t k_schedule_entry = 7;
constexpr std::size_t k_schedule_reply_length = 4 + k_schedule_entry * k_schedule_entries;

bool schedule(std::string_view b, const ReplyTarget& t)
{
    int day = 0;
    if (!reply_number(b, 2, 2, {1, k_schedule_days}, day))
        return false;
    std::array<int, k_schedule_entries> hours{}, minutes{}, pages{};
    for (std::size_t i = 0; i < k_schedule_entries; ++i) {
        const std::size_t at = 4 + k_schedule_entry * i;
        if (!reply_number(b, at, 2, k_range_hour, hours[i]) ||
            !reply_number(b, at + 2, 2, k_range_minute, minutes[i]) ||
            !schedule_page_at(b, at + 4, pages[i]))
            return false;
    }
    const auto d = static_cast<std::size_t>(day - 1);
    t.config.device.schedule_hour[d] = hours;
    t.config.device.schedule_minute[d] = minutes;
    t.config.device.schedule_page[d] = pages;
    return true;
}

// The text from `at` to the end, of printable characters.
bool copy_text(std::string_view b, std::size_t at, std::string& field)
{
    for (std::size_t i = at; i < b.size(); ++i)
        if (b[i] < ' ' || b[i] >= 0x7F)
            return false;
    field.assign(b.substr(at));
    return true;
}

// The letters of a field's layout, index = value.
constexpr std::string_view k_off_on = "FN";
constexpr std::string_view k_mode_letters = "IE";
constexpr std::string_view k_polarity_letters = "MB";
constexpr std::string_view k_font_letters = "SML";
constexpr std::string_view k_input_letters = "AR";
constexpr std::string_view k_page_mode_letters = "12";
constexpr std::string_view k_size_letters = "SN";
constexpr std::string_view k_background_letters = "NB";
constexpr std::string_view k_subnet_letters = "ABC";
constexpr std::string_view k_clock_range_digits = "12345678";
constexpr std::string_view k_time_register_digits = "123456";
static_assert(k_clock_range_digits.size() == k_range_clock_range.high + 1u);
static_assert(k_time_register_digits.size() == k_range_time_register.high + 1u);
static_assert(k_subnet_letters.size() == k_range_three.high + 1u);

// A device setting given by one letter at `pos`; any letter its layout does not have is damage.
template <int DeviceSettings::*Field, std::size_t Pos, const std::string_view& Letters>
bool letters(std::string_view b, const ReplyTarget& t)
{
    return reply_choice(b, Pos, Letters, t.config.device.*Field);
}

const ReplyRow k_device_rows[] = {
    {"ACA", connectors, 3 + 3 * k_connectors},
    {"ADO", letters<&DeviceSettings::alarm_display, 3, k_off_on>, 4},
    {"ADT",
     [](std::string_view b, const ReplyTarget& t) {
         int seconds = 0;
         if (!reply_number(b, 3, 3, k_range_hold_seconds, seconds))
             return false;
         t.config.device.alarm_hold_time.assign(b.substr(3));
         return true;
     },
     6},
    {"AM", letters<&DeviceSettings::alarm_mode, 2, k_mode_letters>, 3},
    {"AP", letters<&DeviceSettings::alarm_polarity, 2, k_polarity_letters>, 3},
    {"ARO", letters<&DeviceSettings::alarm_return, 3, k_off_on>, 4},
    {"CFSB", letters<&DeviceSettings::lower_font_size, 4, k_font_letters>, 5},
    {"CFST", letters<&DeviceSettings::upper_font_size, 4, k_font_letters>, 5},
    {"CI", letters<&DeviceSettings::connector_input, 2, k_input_letters>, 3},
    {"IDOB",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_number(b, 4, 3, k_range_display_offset, t.config.device.lower_display_offset);
     },
     7},
    {"IDOT",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_number(b, 4, 3, k_range_display_offset, t.config.device.upper_display_offset);
     },
     7},
    {"IDPM", letters<&DeviceSettings::page_mode, 4, k_page_mode_letters>, 5},
    {"POSP",
     [](std::string_view b, const ReplyTarget& t) {
         if (b == "POSPAS") {
             t.config.device.power_on_page = k_page_pas;
             return true;
         }
         return b.size() == 7 && reply_page_number(b, 4, t.config.device.power_on_page);
     }},
    {"RCA", connectors, 3 + 3 * k_connectors},
    {"RM",
     [](std::string_view b, const ReplyTarget& t) {
         constexpr std::string_view k_modes[] = {"RMBIN", "RMBIT", "RMOPE"};
         for (int mode = 0; mode < 3; ++mode)
             if (b == k_modes[mode]) {
                 t.config.device.remote_mode = mode;
                 return true;
             }
         return false;
     },
     5},
    {"SD", schedule, k_schedule_reply_length, 2},
    {"TSDO", letters<&DeviceSettings::clock_display, 4, k_off_on>, 5},
    {"TSDR", letters<&DeviceSettings::clock_display_range, 4, k_clock_range_digits>, 5},
    {"TSDS", letters<&DeviceSettings::clock_display_size, 4, k_size_letters>, 5},
    {"VLBC", letters<&DeviceSettings::video_loss_background, 4, k_background_letters>, 5},
    {"VN",
     [](std::string_view b, const ReplyTarget& t) {
         if (!copy_text(b, 2, t.extras.firmware_version))
             return false;
         if (t.link == LinkKind::serial)
             t.context.status.success_pending = 1;
         return true;
     },
     6},
    {"EAA", [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_eaa); },
     18},
    {"EGA",
     [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_gateway); }, 18},
    {"EIA",
     [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_ip_address); },
     18},
    {"EMA",
     [](std::string_view b, const ReplyTarget& t) {
         return mac_address(b, t.extras.net_mac_address);
     },
     20},
    {"ESM", letters<&DeviceSettings::net_subnet_class, 3, k_subnet_letters>, 4},
    {"EPN",
     [](std::string_view b, const ReplyTarget& t) {
         if (!digits_at(b, 3, 5) || !k_range_port.holds(parse_dec2(b, 3) * 1000 + parse_dec3(b, 5)))
             return false;
         t.extras.port_number.assign(b.substr(3));
         return true;
     },
     8},
    {"ECT",
     [](std::string_view b, const ReplyTarget& t) {
         return b[3] == 'O' && reply_choice(b, 4, "FN", t.config.device.net_ect);
     },
     5},
    {"EKA",
     [](std::string_view b, const ReplyTarget& t) {
         return b[3] == 'O' && reply_choice(b, 4, "FN", t.config.device.net_keep_alive);
     },
     5},
    {"ETR", letters<&DeviceSettings::net_etr, 3, k_time_register_digits>, 4},
};

}  // namespace

void register_device_replies()
{
    register_replies(k_device_rows);
}

}  // namespace velta
