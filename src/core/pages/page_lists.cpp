#include "core/pages/page_lists.h"

#include <algorithm>
#include <array>

#include "core/model/settings_model.h"
#include "core/wire/codecs.h"

namespace velta {
namespace {

constexpr std::string_view k_wide_space_cp932 = "\x81\x40";

std::string page_number(int slot, int page_mode)
{
    return dec3_text(page_mode == 1 ? slot / 2 + 1 : slot + 1);
}

// "P001 " in one-line mode, "P001T"/"P001B" in two-line mode.
std::string mode_prefix(const DeviceConfig& config, int slot)
{
    const int mode = config.device.page_mode;
    std::string p = "P" + page_number(slot, mode);
    p.push_back(mode == 1 ? (slot % 2 == 0 ? 'T' : 'B') : ' ');
    return p;
}

// "P001", always numbered s + 1.
std::string plain_prefix(int slot)
{
    return "P" + dec3_text(slot + 1);
}

int value_at(const PageArray<int>& values, int slot)
{
    return values[static_cast<std::size_t>(std::clamp(slot, 0, k_page_slots - 1))];
}

bool sjis_lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// A two-byte element below 0x1400 stands for a custom character of the device.
bool custom_char_lead(unsigned char b)
{
    return b >= 0x01 && b <= 0x13;
}

}  // namespace

std::string slot_label(int slot, int page_mode)
{
    std::string label = page_number(slot, page_mode);
    if (page_mode == 1)
        label.push_back(slot % 2 == 0 ? 'T' : 'B');
    return label;
}

std::vector<std::string> slot_label_items(int page_mode)
{
    std::vector<std::string> items;
    items.reserve(k_page_slots);
    for (int s = 0; s < k_page_slots; ++s) items.push_back(slot_label(s, page_mode));
    return items;
}

std::vector<std::string> page_number_items(int count)
{
    std::vector<std::string> items;
    for (int n = 1; n <= count; ++n) items.push_back(dec3_text(n));
    return items;
}

std::vector<std::string> decimal_items(int first, int last)
{
    std::vector<std::string> items;
    for (int n = first; n <= last; ++n) items.push_back(std::to_string(n));
    return items;
}

const std::vector<std::string>& title_position_items()
{
    static const std::vector<std::string> items{"上", "下"};
    return items;
}

const std::vector<std::string>& background_fill_items()
{
    static const std::vector<std::string> items{"OFF", "ON "};
    return items;
}

const std::vector<std::string>& char_level_items()
{
    static const std::vector<std::string> items{"LOW ", "HIGH"};
    return items;
}

const std::vector<std::string>& display_on_items()
{
    return background_fill_items();
}

const std::vector<std::string>& clock_display_items()
{
    return background_fill_items();
}

const std::vector<std::string>& clock_range_items()
{
    static const std::vector<std::string> items{
        "年月日時分秒", "年月日時分　", "年月日　　　", "　月日時分秒",
        "　月日時分　", "　月日　　　", "　　　時分秒", "　　　時分　",
    };
    return items;
}

const std::vector<std::string>& clock_size_items()
{
    static const std::vector<std::string> items{"SMALL ", "NORMAL"};
    return items;
}

const ColourName& colour_name(int number)
{
    static constexpr std::array<ColourName, k_colour_count> names{{
        {"黒", "黒　　　　"},
        {"赤", "赤　　　　"},
        {"緑", "緑　　　　"},
        {"黄", "黄　　　　"},
        {"青", "青　　　　"},
        {"マゼンタ", "マゼンタ　"},
        {"シアン", "シアン　　"},
        {"白", "白　　　　"},
        {"ブランク", "ブランク　"},
    }};
    static constexpr ColourName unknown{"？", "？　　　　"};
    if (number < 0 || number >= k_colour_count)
        return unknown;
    return names[static_cast<std::size_t>(number)];
}

std::vector<std::string> colour_items()
{
    std::vector<std::string> items;
    for (int n = 0; n < k_colour_count; ++n) items.emplace_back(colour_name(n).item);
    return items;
}

int block_first(int current_page, int block_size)
{
    if (block_size <= 0)
        return 0;
    return std::clamp(current_page, 0, k_page_slots - 1) / block_size * block_size;
}

ListPoint line_point(ListLayout layout, int i)
{
    switch (layout) {
        case ListLayout::one_column:
            return {20, 10 + 20 * i};
        case ListLayout::four_columns:
            return {20 + 130 * (i / 8), 10 + 23 * (i % 8)};
        case ListLayout::two_columns:
            return {20 + 260 * (i / 8), 20 + 23 * (i % 8)};
    }
    return {};
}

std::string title_line(const DeviceConfig& config, int slot)
{
    const std::string& title =
        config.pages.page_title[static_cast<std::size_t>(std::clamp(slot, 0, k_page_slots - 1))];
    std::string line = mode_prefix(config, slot) + "= ";
    for (std::size_t i = 0; i < title.size(); ++i) {
        const auto b = static_cast<unsigned char>(title[i]);
        const bool pair = i + 1 < title.size();
        if (pair && custom_char_lead(b)) {
            line.append(k_wide_space_cp932);
            ++i;
        } else if (pair && sjis_lead(b)) {
            line.append(title, i, 2);
            ++i;
        } else {
            line.push_back(title[i]);
        }
    }
    // Fill the title part to 56 bytes; an odd remainder starts with a half-width blank so
    // that no half of a full-width space is left over.
    const auto max = static_cast<std::size_t>(k_title_max_bytes);
    if (title.size() < max) {
        std::size_t rest = max - title.size();
        if (rest % 2 != 0) {
            line.push_back(' ');
            --rest;
        }
        for (; rest > 0; rest -= 2) line.append(k_wide_space_cp932);
    }
    return line;
}

std::string title_position_line(const DeviceConfig& config, int slot)
{
    return plain_prefix(slot) +
           (value_at(config.pages.page_title_position, slot) == 0 ? " = 上" : " = 下");
}

std::string auto_switch_line(const DeviceConfig& config, int slot)
{
    const int seconds = std::clamp(value_at(config.pages.page_auto_switch_time, slot), 0, 99);
    return plain_prefix(slot) + " = " + dec2_text(seconds) + " 秒";
}

std::string colour_line(const DeviceConfig& config, int slot)
{
    const PageSettings& p = config.pages;
    return mode_prefix(config, slot) +
           std::string(colour_name(value_at(p.page_char_color, slot)).line) +
           std::string(colour_name(value_at(p.page_border_color, slot)).line);
}

std::string background_fill_line(const DeviceConfig& config, int slot)
{
    return mode_prefix(config, slot) +
           (value_at(config.pages.page_background_fill, slot) == 0 ? " = OFF" : " = ON ");
}

std::string char_level_line(const DeviceConfig& config, int slot)
{
    return plain_prefix(slot) +
           (value_at(config.pages.page_char_level, slot) == 0 ? " = LOW  " : " = HIGH ");
}

}  // namespace velta
