#pragma once
// Every page slot as one row of seven columns: what the page overview shows and edits and what
// the spreadsheet file carries. A cell's text is its dialog's item text without padding ("上",
// "白", "ON", "HIGH", the seconds as a number); a title is its text with the device's custom
// characters written as "{外字NNN}" (see title_to_text).
//
// Titles are code page 932 bytes in the configuration; the conversion to and from UTF-8 is the
// caller's (a TitleText), so the table stays standard C++.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

enum class PageColumn {
    title,
    position,
    auto_switch,
    char_color,
    border_color,
    background_fill,
    char_level,
};
inline constexpr int k_page_columns = 7;
inline constexpr std::string_view k_page_label_column = "ページ";

// "タイトル", "表示位置", "自動切換え（秒）", "文字色", "縁取り色", "背景色ベタ塗り", "文字レベル".
std::string_view page_column_name(PageColumn column);
// The column of a name, or nothing.
std::optional<PageColumn> page_column_of(std::string_view name);

// Switching time and level are kept per page: in two-line mode only the first slot of a page
// ("001T") has their cell, and it edits the page's value.
bool per_page_column(PageColumn column);
// The index into the column's array that slot `slot` shows; -1 when the slot has no cell there.
int cell_index(const DeviceConfig& config, int slot, PageColumn column);

// The texts a list column offers, in the order of its values; empty for the title.
std::vector<std::string> column_items(PageColumn column);

// UTF-8 to and from code page 932, one string at a time.
struct TitleText {
    std::string (*to_utf8)(std::string_view cp932) = nullptr;
    // Nothing when a character has no place in code page 932.
    std::optional<std::string> (*to_cp932)(std::string_view utf8) = nullptr;
};

// The title as text: custom characters (two-byte elements whose lead byte is below 0x14) as
// "{外字NNN}" with the glyph number of their code, any other such element as "{XXXX}" in
// hexadecimal, and a "{" of the title itself doubled. What is no character that converts back
// to the same bytes (a lead byte left at the end, a control byte, an NEC-selected IBM kanji,
// which code page 932 writes in its IBM form) is written in hexadecimal too, "{XX}" a byte,
// "{XXXX}" a pair, so that every title comes back byte for byte.
std::string title_to_text(std::string_view cp932, const TitleText& text);
// The bytes of such a text; nothing when a character has no place in code page 932 or a
// brace names nothing.
std::optional<std::string> title_from_text(std::string_view utf8, const TitleText& text);

// The text of a cell; empty where the slot has no cell.
std::string cell_text(const DeviceConfig& config, int slot, PageColumn column,
                      const TitleText& text);

// Why a text cannot go into a cell (UTF-8, without the line or column, e.g. "紫 は一覧にありま
// せん"), or nothing when it can. Blanks around a list value are left out ("ON " is "ON"); the
// seconds may have leading zeros ("03"); where the slot has no cell only an empty text can go.
std::optional<std::string> cell_fault(const DeviceConfig& config, int slot, PageColumn column,
                                      std::string_view value, const TitleText& text);
// Puts a text into a cell when cell_fault has nothing to say against it; true when it went in.
bool set_cell(DeviceConfig& config, int slot, PageColumn column, std::string_view value,
              const TitleText& text);
// Whether two configurations hold the same value in a cell of a's page mode (true where the
// slot has no cell).
bool same_cell(const DeviceConfig& a, const DeviceConfig& b, int slot, PageColumn column);

// The slot a page label names in the configuration's page mode: the label as the dialogs write
// it ("007", "007T"), also without its leading zeros ("7", "7T"), as a spreadsheet leaves it.
// "t" and "b" count as "T" and "B"; blanks around the label are left out.
std::optional<int> slot_of_label(const DeviceConfig& config, std::string_view label);

}  // namespace velta
