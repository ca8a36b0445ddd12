#pragma once
// The texts of the page dialogs: slot labels, the item tables of their drop-down lists, and
// the lines of the drawn page list with where each is drawn. Pure functions of the model, so
// what the operator reads can be checked without a window.
//
// Texts are UTF-8, except the title line, which holds the stored title and so stays in code
// page 932 bytes like the title itself.

#include <string>
#include <string_view>
#include <vector>

namespace velta {

struct DeviceConfig;

// "001" .. "256" in one-line mode; "001T", "001B", "002T" .. "128B" in two-line mode.
std::string slot_label(int slot, int page_mode);
// The 256 slot labels of a page mode.
std::vector<std::string> slot_label_items(int page_mode);
// "001" .. the count, three digits each.
std::vector<std::string> page_number_items(int count);
// first .. last as plain decimal numbers ("0" .. "99").
std::vector<std::string> decimal_items(int first, int last);

// The item tables of the value lists (index = stored value).
const std::vector<std::string>& title_position_items();   // "上", "下"
const std::vector<std::string>& background_fill_items();  // "OFF", "ON "
const std::vector<std::string>& char_level_items();       // "LOW ", "HIGH"
const std::vector<std::string>& display_on_items();       // "OFF", "ON "
const std::vector<std::string>& clock_display_items();    // "OFF", "ON "
const std::vector<std::string>& clock_range_items();      // "年月日時分秒" ..
const std::vector<std::string>& clock_size_items();       // "SMALL ", "NORMAL"

struct ColourName {
    std::string_view item;  // list item
    std::string_view line;  // drawn list text, 10 bytes wide in code page 932
};
inline constexpr int k_colour_count = 9;
// Colour numbers 0 .. 8; a number outside them (a reply may carry 9) reads "？", its line
// text keeping the width of the others.
const ColourName& colour_name(int number);
std::vector<std::string> colour_items();

// The first slot of the block of `block_size` slots that holds current_page. A current_page
// outside the slots shows the nearest block.
int block_first(int current_page, int block_size);

enum class ListLayout {
    one_column,    // eight lines, 20 pixels apart
    four_columns,  // four columns of eight, 130 pixels wide
    two_columns,   // two columns of eight, 260 pixels wide, under a heading
};
struct ListPoint {
    int x = 0;
    int y = 0;
};
// Where line i (0 .. block-1) of a layout is drawn in the list area.
ListPoint line_point(ListLayout layout, int i);

inline constexpr std::string_view k_colour_heading =
    "文字色　　縁取り色　　　　　　　 文字色　　縁取り色";
inline constexpr ListPoint k_colour_heading_point{60, 1};

// Line texts of slot s, read from the model.
// Title (code page 932): "P001 = " or "P001T= ", the title with custom characters shown as
// full-width spaces, then full-width spaces to a width of 56 bytes.
std::string title_line(const DeviceConfig& config, int slot);
std::string title_position_line(const DeviceConfig& config, int slot);  // "P001 = 下"
std::string auto_switch_line(const DeviceConfig& config, int slot);     // "P001 = 03 秒"
std::string colour_line(const DeviceConfig& config, int slot);  // "P001 白　　　　黒　　　　"
std::string background_fill_line(const DeviceConfig& config, int slot);  // "P001  = OFF"
std::string char_level_line(const DeviceConfig& config, int slot);       // "P001 = HIGH "

}  // namespace velta
