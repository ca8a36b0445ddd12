#include "core/pages/page_table.h"

#include <array>
#include <charconv>

#include "core/pages/page_lists.h"
#include "core/pages/title_text.h"

namespace velta {
namespace {

constexpr std::array<std::string_view, k_page_columns> k_column_names{
    "タイトル", "表示位置",       "自動切換え（秒）", "文字色",
    "縁取り色", "背景色ベタ塗り", "文字レベル",
};
constexpr int k_max_seconds = 99;
constexpr std::string_view k_unknown_value = "？";

std::size_t at(int index)
{
    return static_cast<std::size_t>(index);
}

// The array a list column edits; none for the title.
PageArray<int> PageSettings::*column_values(PageColumn column)
{
    switch (column) {
        case PageColumn::position:
            return &PageSettings::page_title_position;
        case PageColumn::auto_switch:
            return &PageSettings::page_auto_switch_time;
        case PageColumn::char_color:
            return &PageSettings::page_char_color;
        case PageColumn::border_color:
            return &PageSettings::page_border_color;
        case PageColumn::background_fill:
            return &PageSettings::page_background_fill;
        case PageColumn::char_level:
            return &PageSettings::page_char_level;
        case PageColumn::title:
            break;
    }
    return nullptr;
}

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

// Without the blanks around it: the padding of the dialogs' items, or what a spreadsheet left.
std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::vector<std::string> trimmed_items(const std::vector<std::string>& items)
{
    std::vector<std::string> out;
    for (const std::string& item : items) out.emplace_back(trimmed(item));
    return out;
}

const std::vector<std::string>& items_of(PageColumn column)
{
    static const std::array<std::vector<std::string>, k_page_columns> items{
        std::vector<std::string>{},
        trimmed_items(title_position_items()),
        decimal_items(0, k_max_seconds),
        colour_items(),
        colour_items(),
        trimmed_items(background_fill_items()),
        trimmed_items(char_level_items()),
    };
    return items[at(static_cast<int>(column))];
}

std::string shown(std::string_view value)
{
    return value.empty() ? std::string("空欄") : std::string(value);
}

// A number of seconds: decimal digits, leading zeros allowed.
std::optional<int> seconds_of(std::string_view value)
{
    for (const char c : value)
        if (c < '0' || c > '9')
            return std::nullopt;
    while (value.size() > 1 && value.front() == '0') value.remove_prefix(1);
    int n = 0;
    const auto [p, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (value.empty() || value.size() > 2 || ec != std::errc() || p != value.data() + value.size())
        return std::nullopt;
    return n;
}

// The value a list column's text stands for, or nothing.
std::optional<int> list_value(PageColumn column, std::string_view value)
{
    value = trimmed(value);
    if (column == PageColumn::auto_switch)
        return seconds_of(value);
    const std::vector<std::string>& items = items_of(column);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] == value)
            return static_cast<int>(i);
    return std::nullopt;
}

std::string list_fault(PageColumn column, std::string_view value)
{
    if (column == PageColumn::auto_switch)
        return shown(trimmed(value)) + " は 0～" + std::to_string(k_max_seconds) +
               " の秒数ではありません";
    return shown(trimmed(value)) + " は一覧にありません";
}

// What a text does to a cell: its fault, or (when write) the value put in.
std::optional<std::string> put_cell(DeviceConfig* write, const DeviceConfig& config, int slot,
                                    PageColumn column, std::string_view value,
                                    const TitleText& text)
{
    const int index = cell_index(config, slot, column);
    if (index < 0) {
        if (slot < 0 || slot >= k_page_slots)
            return "このページはありません";
        if (trimmed(value).empty())
            return std::nullopt;
        const int mode = config.device.page_mode;
        return slot_label(slot, mode) + " にはこの値はありません（ページごとの値は " +
               slot_label(slot - 1, mode) + " の行にあります）";
    }
    if (column == PageColumn::title) {
        TitleParse parsed = parse_title_text(value, text);
        if (!parsed.ok)
            return parsed.fault;
        if (parsed.bytes.size() > static_cast<std::size_t>(k_title_max_bytes))
            return std::to_string(parsed.bytes.size()) + " バイトあります（" +
                   std::to_string(k_title_max_bytes) + " バイトまで）";
        if (write)
            write->pages.page_title[at(index)] = std::move(parsed.bytes);
        return std::nullopt;
    }
    const std::optional<int> v = list_value(column, value);
    if (!v)
        return list_fault(column, value);
    if (write)
        (write->pages.*column_values(column))[at(index)] = *v;
    return std::nullopt;
}

}  // namespace

std::string_view page_column_name(PageColumn column)
{
    return k_column_names[at(static_cast<int>(column))];
}

std::optional<PageColumn> page_column_of(std::string_view name)
{
    for (int c = 0; c < k_page_columns; ++c)
        if (k_column_names[at(c)] == name)
            return static_cast<PageColumn>(c);
    return std::nullopt;
}

bool per_page_column(PageColumn column)
{
    return column == PageColumn::auto_switch || column == PageColumn::char_level;
}

int cell_index(const DeviceConfig& config, int slot, PageColumn column)
{
    if (slot < 0 || slot >= k_page_slots)
        return -1;
    if (!per_page_column(column) || config.device.page_mode != 1)
        return slot;
    return slot % 2 == 0 ? slot / 2 : -1;
}

std::vector<std::string> column_items(PageColumn column)
{
    return items_of(column);
}

std::string cell_text(const DeviceConfig& config, int slot, PageColumn column,
                      const TitleText& text)
{
    const int index = cell_index(config, slot, column);
    if (index < 0)
        return {};
    if (column == PageColumn::title)
        return title_to_text(config.pages.page_title[at(index)], text);
    const int v = (config.pages.*column_values(column))[at(index)];
    if (column == PageColumn::auto_switch)
        return std::to_string(v);
    if (column == PageColumn::char_color || column == PageColumn::border_color)
        return std::string(colour_name(v).item);
    const std::vector<std::string>& items = items_of(column);
    return v >= 0 && at(v) < items.size() ? items[at(v)] : std::string(k_unknown_value);
}

std::optional<std::string> cell_fault(const DeviceConfig& config, int slot, PageColumn column,
                                      std::string_view value, const TitleText& text)
{
    return put_cell(nullptr, config, slot, column, value, text);
}

bool set_cell(DeviceConfig& config, int slot, PageColumn column, std::string_view value,
              const TitleText& text)
{
    return !put_cell(&config, config, slot, column, value, text);
}

bool same_cell(const DeviceConfig& a, const DeviceConfig& b, int slot, PageColumn column)
{
    const int index = cell_index(a, slot, column);
    if (index < 0)
        return true;
    if (column == PageColumn::title)
        return a.pages.page_title[at(index)] == b.pages.page_title[at(index)];
    const auto values = column_values(column);
    return (a.pages.*values)[at(index)] == (b.pages.*values)[at(index)];
}

std::optional<int> slot_of_label(const DeviceConfig& config, std::string_view label)
{
    label = trimmed(label);
    const bool two_lines = config.device.page_mode == 1;
    int line = 0;
    if (two_lines) {
        const char last = label.empty() ? '\0' : label.back();
        if (last != 'T' && last != 't' && last != 'B' && last != 'b')
            return std::nullopt;
        line = last == 'B' || last == 'b' ? 1 : 0;
        label.remove_suffix(1);
    }
    int page = 0;
    const auto [p, ec] = std::from_chars(label.data(), label.data() + label.size(), page);
    if (label.empty() || label.size() > 3 || ec != std::errc() || p != label.data() + label.size())
        return std::nullopt;
    const int pages = page_count_for_mode(config.device.page_mode);
    if (page < 1 || page > pages)
        return std::nullopt;
    return two_lines ? (page - 1) * 2 + line : page - 1;
}

}  // namespace velta
