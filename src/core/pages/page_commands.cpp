#include "core/pages/page_commands.h"

#include <algorithm>
#include <string_view>

#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"

namespace velta {
namespace {

constexpr std::string_view k_end = "\r\n";

bool valid_slot(int slot)
{
    return slot >= 0 && slot < k_page_slots;
}

int at(const PageArray<int>& values, int slot)
{
    return values[static_cast<std::size_t>(slot)];
}

char colour_digit(int v)
{
    return static_cast<char>('0' + k_range_colour.clamp(v));
}

void put_dec2(std::string& cmd, std::size_t pos, int v)
{
    format_dec2(std::clamp(v, 0, 99), cmd.data() + pos);
}

void put_dec3(std::string& cmd, std::size_t pos, int v)
{
    format_dec3(std::clamp(v, 0, 999), cmd.data() + pos);
}

// head + one letter per slot: `zero` where the value is 0, `other` for anything else, which is
// how the replies of these settings are read back.
std::string letters_per_slot(std::string_view head, const PageArray<int>& values, char zero,
                             char other)
{
    std::string cmd(head);
    for (int v : values) cmd.push_back(v == 0 ? zero : other);
    cmd.append(k_end);
    return cmd;
}

// A three-digit slot command of a fixed template: the slot number goes at offset `number_at`.
std::string slot_template(std::string_view tmpl, std::size_t number_at, int slot)
{
    std::string cmd(tmpl);
    put_dec3(cmd, number_at, slot + 1);
    return cmd;
}

std::string list_index_command(std::string_view tmpl, int index, int first_value, int items)
{
    if (index < 0 || index >= items)
        return {};
    std::string cmd(tmpl);
    put_dec2(cmd, 3, index + first_value);
    return cmd;
}

}  // namespace

std::string title_position_command(const DeviceConfig& config, int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("IDP000T\r\n", 3, slot);
    cmd[6] = at(config.pages.page_title_position, slot) == 0 ? 'T' : 'B';
    return cmd;
}

std::string all_title_positions_command(const DeviceConfig& config)
{
    return letters_per_slot("IDP", config.pages.page_title_position, 'T', 'B');
}

std::string auto_switch_time_command(const DeviceConfig& config, int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("PAST00000\r\n", 4, slot);
    put_dec2(cmd, 7, at(config.pages.page_auto_switch_time, slot));
    return cmd;
}

std::string all_auto_switch_times_command(const DeviceConfig& config)
{
    const int pages_sent = page_count_for_mode(config.device.page_mode);
    std::string cmd = "PAST";
    cmd.resize(4 + 2 * static_cast<std::size_t>(pages_sent), '0');
    for (int s = 0; s < pages_sent; ++s)
        put_dec2(cmd, 4 + 2 * static_cast<std::size_t>(s),
                 at(config.pages.page_auto_switch_time, s));
    cmd.append(k_end);
    return cmd;
}

std::string colours_command(const DeviceConfig& config, int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("CABC00000\r\n", 4, slot);
    cmd[7] = colour_digit(at(config.pages.page_char_color, slot));
    cmd[8] = colour_digit(at(config.pages.page_border_color, slot));
    return cmd;
}

std::string all_colours_command(const DeviceConfig& config)
{
    std::string cmd = "CABC";
    for (int s = 0; s < k_page_slots; ++s) {
        cmd.push_back(colour_digit(at(config.pages.page_char_color, s)));
        cmd.push_back(colour_digit(at(config.pages.page_border_color, s)));
    }
    cmd.append(k_end);
    return cmd;
}

std::string background_fill_command(const DeviceConfig& config, int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("FB000OF\r\n", 2, slot);
    cmd[6] = at(config.pages.page_background_fill, slot) == 0 ? 'F' : 'N';
    return cmd;
}

std::string all_background_fill_command(const DeviceConfig& config)
{
    return letters_per_slot("FB", config.pages.page_background_fill, 'F', 'N');
}

std::string char_level_command(const DeviceConfig& config, int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("CWL000L\r\n", 3, slot);
    cmd[6] = at(config.pages.page_char_level, slot) == 0 ? 'L' : 'H';
    return cmd;
}

std::string all_char_levels_command(const DeviceConfig& config)
{
    return letters_per_slot("CWL", config.pages.page_char_level, 'L', 'H');
}

std::string display_page_command(int page)
{
    if (page == k_page_pas)
        return "PAS\r\n";
    return slot_template("P000\r\n", 1, page);
}

std::string display_on_command(int display_on)
{
    return display_on == 0 ? "IDOF\r\n" : "IDON\r\n";
}

std::string clock_display_command(const DeviceConfig& config)
{
    return config.device.clock_display == 0 ? "TSDOF\r\n" : "TSDON\r\n";
}

std::string clock_range_command(const DeviceConfig& config)
{
    std::string cmd = "TSDR1\r\n";
    cmd[4] = static_cast<char>('1' + k_range_clock_range.clamp(config.device.clock_display_range));
    return cmd;
}

std::string clock_size_command(const DeviceConfig& config)
{
    return config.device.clock_display_size == 0 ? "TSDSS\r\n" : "TSDSN\r\n";
}

std::string date_year_command(int index)
{
    return list_index_command("DSY00\r\n", index, 0, 100);
}

std::string date_month_command(int index)
{
    return list_index_command("DSM00\r\n", index, 1, 12);
}

std::string date_day_command(int index)
{
    return list_index_command("DSD00\r\n", index, 1, 31);
}

std::string time_hour_command(int index)
{
    return list_index_command("TSH00\r\n", index, 0, 24);
}

std::string time_minute_command(int index)
{
    return list_index_command("TSM00\r\n", index, 0, 60);
}

std::string time_second_command(int index)
{
    return list_index_command("TSS00\r\n", index, 0, 60);
}

std::string time_adjust_command()
{
    return "TSA\r\n";
}

}  // namespace velta
