#include "core/pages/page_commands.h"

#include <algorithm>
#include <string_view>

#include "core/common/message_boxes.h"
#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"
#include "core/pages/title_encoding.h"
#include "core/wire/codecs.h"
#include "core/wire/framing.h"

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

void send_built(const std::string& cmd)
{
    if (!cmd.empty())
        send_command(cmd);
}

int current_page()
{
    return model().choices.current_page;
}

const PageSettings& pages()
{
    return model().config.pages;
}

}  // namespace

std::string title_position_command(int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("IDP000T\r\n", 3, slot);
    cmd[6] = at(pages().page_title_position, slot) == 0 ? 'T' : 'B';
    return cmd;
}

std::string all_title_positions_command()
{
    return letters_per_slot("IDP", pages().page_title_position, 'T', 'B');
}

void send_title_position()
{
    send_built(title_position_command(current_page()));
}

void send_all_title_positions()
{
    send_built(all_title_positions_command());
}

std::string auto_switch_time_command(int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("PAST00000\r\n", 4, slot);
    put_dec2(cmd, 7, at(pages().page_auto_switch_time, slot));
    return cmd;
}

std::string all_auto_switch_times_command()
{
    const int pages_sent = page_count();
    std::string cmd = "PAST";
    cmd.resize(4 + 2 * static_cast<std::size_t>(pages_sent), '0');
    for (int s = 0; s < pages_sent; ++s)
        put_dec2(cmd, 4 + 2 * static_cast<std::size_t>(s), at(pages().page_auto_switch_time, s));
    cmd.append(k_end);
    return cmd;
}

void send_auto_switch_time()
{
    send_built(auto_switch_time_command(current_page()));
}

void send_all_auto_switch_times()
{
    send_built(all_auto_switch_times_command());
}

std::string colours_command(int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("CABC00000\r\n", 4, slot);
    cmd[7] = colour_digit(at(pages().page_char_color, slot));
    cmd[8] = colour_digit(at(pages().page_border_color, slot));
    return cmd;
}

std::string all_colours_command()
{
    std::string cmd = "CABC";
    for (int s = 0; s < k_page_slots; ++s) {
        cmd.push_back(colour_digit(at(pages().page_char_color, s)));
        cmd.push_back(colour_digit(at(pages().page_border_color, s)));
    }
    cmd.append(k_end);
    return cmd;
}

void send_colours()
{
    send_built(colours_command(current_page()));
}

void send_all_colours()
{
    send_built(all_colours_command());
}

std::string background_fill_command(int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("FB000OF\r\n", 2, slot);
    cmd[6] = at(pages().page_background_fill, slot) == 0 ? 'F' : 'N';
    return cmd;
}

std::string all_background_fill_command()
{
    return letters_per_slot("FB", pages().page_background_fill, 'F', 'N');
}

void send_background_fill()
{
    send_built(background_fill_command(current_page()));
}

void send_all_background_fill()
{
    send_built(all_background_fill_command());
}

std::string char_level_command(int slot)
{
    if (!valid_slot(slot))
        return {};
    std::string cmd = slot_template("CWL000L\r\n", 3, slot);
    cmd[6] = at(pages().page_char_level, slot) == 0 ? 'L' : 'H';
    return cmd;
}

std::string all_char_levels_command()
{
    return letters_per_slot("CWL", pages().page_char_level, 'L', 'H');
}

void send_char_level()
{
    send_built(char_level_command(current_page()));
}

void send_all_char_levels()
{
    send_built(all_char_levels_command());
}

std::string display_page_command()
{
    const int page = model().extras.display_page;
    if (page == k_page_pas)
        return "PAS\r\n";
    return slot_template("P000\r\n", 1, page);
}

std::string display_on_command()
{
    return model().choices.display_on == 0 ? "IDOF\r\n" : "IDON\r\n";
}

void send_display_page()
{
    send_built(display_page_command());
}

void send_display_on()
{
    send_built(display_on_command());
}

std::string clock_display_command()
{
    return model().config.device.clock_display == 0 ? "TSDOF\r\n" : "TSDON\r\n";
}

std::string clock_range_command()
{
    std::string cmd = "TSDR1\r\n";
    cmd[4] = static_cast<char>(
        '1' + k_range_clock_range.clamp(model().config.device.clock_display_range));
    return cmd;
}

std::string clock_size_command()
{
    return model().config.device.clock_display_size == 0 ? "TSDSS\r\n" : "TSDSN\r\n";
}

void send_clock_display()
{
    send_built(clock_display_command());
}

void send_clock_range()
{
    send_built(clock_range_command());
}

void send_clock_size()
{
    send_built(clock_size_command());
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

void send_date_year(int index)
{
    send_built(date_year_command(index));
}

void send_date_month(int index)
{
    send_built(date_month_command(index));
}

void send_date_day(int index)
{
    send_built(date_day_command(index));
}

void send_time_hour(int index)
{
    send_built(time_hour_command(index));
}

void send_time_minute(int index)
{
    send_built(time_minute_command(index));
}

void send_time_second(int index)
{
    send_built(time_second_command(index));
}

void send_time_adjust()
{
    send_built(time_adjust_command());
}

bool send_title_or_warn(int slot)
{
    if (send_title_slot(slot))
        return true;
    warning_box(k_text_title_unencodable, title_fault_detail(slot));
    return false;
}

}  // namespace velta
