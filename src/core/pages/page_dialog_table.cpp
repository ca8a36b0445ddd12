#include "core/pages/page_dialog_table.h"

#include <algorithm>

#include "core/pages/page_commands.h"
#include "core/pages/title_encoding.h"

namespace velta {
namespace {

template <std::string (*Build)(const DeviceConfig&, int)>
BuiltCommand built(const DeviceConfig& config, int slot)
{
    return Build(config, slot);
}

std::vector<PageDialogSpec> make_specs()
{
    std::vector<PageDialogSpec> specs;
    specs.push_back({PageDialogKind::title,
                     "タイトルの設定",
                     "タイトルの設定 ",
                     PageItems::slot_labels,
                     8,
                     ListLayout::one_column,
                     {},
                     title_line,
                     true,
                     page_title_command,
                     nullptr});
    specs.push_back({PageDialogKind::title_position,
                     "タイトル表示位置",
                     "タイトル表示位置の設定 ",
                     PageItems::all_numbers,
                     32,
                     ListLayout::four_columns,
                     {{"表示位置", "同表示位置", title_position_items(),
                       &PageSettings::page_title_position, &PageChoices::title_position_choice}},
                     title_position_line,
                     false,
                     built<title_position_command>,
                     all_title_positions_command});
    specs.push_back(
        {PageDialogKind::auto_switch,
         "自動切換えの設定",
         "自動切換えの設定 ",
         PageItems::page_numbers,
         32,
         ListLayout::four_columns,
         {{"時間（秒）", "同時間（秒）", decimal_items(0, 99), &PageSettings::page_auto_switch_time,
           &PageChoices::auto_switch_time_choice}},
         auto_switch_line,
         false,
         built<auto_switch_time_command>,
         all_auto_switch_times_command});
    specs.push_back({PageDialogKind::colours,
                     "文字色の設定",
                     "文字＆縁取り色の設定 ",
                     PageItems::slot_labels,
                     16,
                     ListLayout::two_columns,
                     {{"文字色", "同文字色", colour_items(), &PageSettings::page_char_color,
                       &PageChoices::char_color_choice},
                      {"縁取り色", "同縁取り色", colour_items(), &PageSettings::page_border_color,
                       &PageChoices::border_color_choice}},
                     colour_line,
                     false,
                     built<colours_command>,
                     all_colours_command});
    specs.push_back({PageDialogKind::background_fill,
                     "背景色ベタ塗りの設定",
                     "背景色ベタ塗りの設定 ",
                     PageItems::slot_labels,
                     32,
                     ListLayout::four_columns,
                     {{"背景色ベタ塗り", "同背景色ベタ塗り", background_fill_items(),
                       &PageSettings::page_background_fill, &PageChoices::background_fill_choice}},
                     background_fill_line,
                     false,
                     built<background_fill_command>,
                     all_background_fill_command});
    specs.push_back({PageDialogKind::char_level,
                     "文字レベルの設定",
                     "文字レベルの設定 ",
                     PageItems::page_numbers,
                     32,
                     ListLayout::four_columns,
                     {{"文字レベル", "同文字レベル", char_level_items(),
                       &PageSettings::page_char_level, &PageChoices::char_level_choice}},
                     char_level_line,
                     false,
                     built<char_level_command>,
                     all_char_levels_command});
    return specs;
}

}  // namespace

const PageDialogSpec& page_dialog_spec(PageDialogKind kind)
{
    static const std::vector<PageDialogSpec> specs = make_specs();
    return specs[static_cast<std::size_t>(kind)];
}

std::vector<std::string> page_list_items(const DeviceConfig& config, PageItems kind)
{
    switch (kind) {
        case PageItems::slot_labels:
            return slot_label_items(config.device.page_mode);
        case PageItems::all_numbers:
            return page_number_items(k_page_slots);
        case PageItems::page_numbers:
            return page_number_items(page_count_for_mode(config.device.page_mode));
    }
    return {};
}

std::vector<ListLine> block_lines(const SettingsModel& m, const PageDialogSpec& spec)
{
    std::vector<ListLine> lines;
    const int first = block_first(m.choices.current_page, spec.block_size);
    for (int i = 0; i < spec.block_size; ++i) {
        const int slot = first + i;
        lines.push_back({slot, line_point(spec.layout, i), spec.line(m.config, slot)});
    }
    return lines;
}

void apply_same_for_all(SettingsModel& m, const PageValueList& list, int index)
{
    m.choices.*list.choice = index;
    PageArray<int>& values = m.config.pages.*list.values;
    std::fill(values.begin(), values.end(), index);
}

}  // namespace velta
