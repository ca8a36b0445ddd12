#pragma once
// The six page dialogs as configurations of one pattern: captions, what the "ページ" list
// offers, the value lists with their same-for-all partners, the block and layout of the drawn
// list, its line text, and the send routines of "設定" and "全設定".

#include <string>
#include <string_view>
#include <vector>

#include "core/common/built_command.h"
#include "core/model/settings_model.h"
#include "core/pages/page_lists.h"

namespace velta {

enum class PageDialogKind {
    title,
    title_position,
    auto_switch,
    colours,
    background_fill,
    char_level,
};

enum class PageItems {
    slot_labels,   // 256 slots labelled by page mode
    all_numbers,   // "001" .. "256" in both modes
    page_numbers,  // "001" .. the page count of the mode
};

// One value list and the same-for-all list beside it.
struct PageValueList {
    std::string_view caption;       // "表示位置"
    std::string_view same_caption;  // "同表示位置"
    std::vector<std::string> items;
    PageArray<int> PageSettings::*values;
    int PageChoices::*choice;
};

struct PageDialogSpec {
    PageDialogKind kind;
    std::string_view window_title;  // "タイトル表示位置"
    std::string_view caption_text;  // caption in front of a peer's address, ends with a blank
    PageItems page_items;
    int block_size;
    ListLayout layout;
    std::vector<PageValueList> values;  // empty for titles
    std::string (*line)(const DeviceConfig& config, int slot);
    bool line_in_cp932;  // the title line carries the stored title's own bytes
    // "設定": the command of one slot.
    BuiltCommand (*one)(const DeviceConfig& config, int slot);
    // "全設定": the all-pages command; null for titles, which go in a paced run.
    std::string (*all)(const DeviceConfig& config);
};

const PageDialogSpec& page_dialog_spec(PageDialogKind kind);

// The items of the "ページ" list for the current page mode.
std::vector<std::string> page_list_items(const DeviceConfig& config, PageItems kind);

// The lines of the block around current_page: slot first+i at line_point(layout, i).
struct ListLine {
    int slot = 0;
    ListPoint at;
    std::string text;
};
std::vector<ListLine> block_lines(const SettingsModel& model, const PageDialogSpec& spec);

// A choice in a same-for-all list: the choice field and every one of the 256 slots.
void apply_same_for_all(SettingsModel& model, const PageValueList& list, int index);

}  // namespace velta
