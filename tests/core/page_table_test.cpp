// Protects the page table: which slot shows which value in each page mode, the texts of the
// cells, titles written as text and read back byte for byte (custom characters by their glyph
// number), what each refused text is told, and the page labels a spreadsheet may leave.
#include "core/pages/page_table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_model.h"
#include "core/pages/title_encoding.h"
#include "support/table_title_text.h"

namespace velta {
namespace {

const TitleText& text = table_title_text();

DeviceConfig config_in_mode(int page_mode)
{
    DeviceConfig c;
    c.device.page_mode = page_mode;
    for (int s = 0; s < k_page_slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        c.pages.page_auto_switch_time[i] = s;  // the index shows through
        c.pages.page_char_level[i] = s % 2;
    }
    c.pages.page_title_position[5] = 0;
    c.pages.page_char_color[1] = 9;  // a reply's colour no list has
    c.pages.page_border_color[1] = 4;
    c.pages.page_background_fill[3] = 1;
    c.pages.page_title[2] = "\x83\x65\x83\x58\x83\x67";
    return c;
}

TEST(PageTable, EachSlotShowsItsCellInBothPageModes)
{
    const struct {
        int mode;
        int slot;
        PageColumn column;
        int index;
        std::string text;
    } cases[] = {
        {0, 5, PageColumn::position, 5, "上"},
        {0, 6, PageColumn::position, 6, "下"},
        {0, 7, PageColumn::auto_switch, 7, "7"},
        {0, 7, PageColumn::char_level, 7, "HIGH"},
        {0, 6, PageColumn::char_level, 6, "LOW"},
        {0, 1, PageColumn::char_color, 1, "？"},
        {0, 1, PageColumn::border_color, 1, "青"},
        {0, 3, PageColumn::background_fill, 3, "ON"},
        {0, 4, PageColumn::background_fill, 4, "OFF"},
        {0, 2, PageColumn::title, 2, "テスト"},
        // Two lines: switching time and level belong to the page, on its "T" row.
        {1, 14, PageColumn::auto_switch, 7, "7"},
        {1, 15, PageColumn::auto_switch, -1, ""},
        {1, 14, PageColumn::char_level, 7, "HIGH"},
        {1, 3, PageColumn::char_level, -1, ""},
        {1, 5, PageColumn::position, 5, "上"},
        {1, 3, PageColumn::background_fill, 3, "ON"},
        {1, 2, PageColumn::title, 2, "テスト"},
        {1, 256, PageColumn::title, -1, ""},
    };
    for (const auto& c : cases) {
        const DeviceConfig config = config_in_mode(c.mode);
        SCOPED_TRACE(std::to_string(c.mode) + "/" + std::to_string(c.slot));
        EXPECT_EQ(cell_index(config, c.slot, c.column), c.index);
        EXPECT_EQ(cell_text(config, c.slot, c.column, text), c.text);
    }
    EXPECT_EQ(column_items(PageColumn::background_fill), (std::vector<std::string>{"OFF", "ON"}));
    EXPECT_EQ(column_items(PageColumn::auto_switch).back(), "99");
}

TEST(PageTable, TitlesBecomeTextAndComeBackByteForByte)
{
    const std::string glyph_1 = "\x10\x20";  // A365 - 9345
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"", ""},
        {"\x83\x65\x83\x58\x83\x67", "テスト"},
        {"ab{c}{", "ab{{c}{{"},
        {"}", "}"},
        {"\x83\x7B", "ボ"},  // its trail byte is "{"
        {glyph_1 + "\x88\x9F", "{外字001}亜"},
        {"\x10\x21", "{外字002}"},
        {"\x13\x05", "{外字256}"},
        {"\x01\x41", "{0141}"},  // a custom-character element no glyph has
        {"\x13\x39", "{1339}"},
        {"{\x8A\x4F\x8E\x9A"
         "001}",
         "{{外字001}"},
        {"ABC", "ABC"},
        {"\xB1\xB1\xB1", "ｱｱｱ"},
        {"\x88\x9F\x83", "亜{83}"},  // a lead byte left at the end
        {"A\x05", "A{05}"},
        {"\x1F", "{1F}"},
        {"\x80", "{80}"},
        {"\x85\x40", "{8540}"},            // a pair the code page has no character for
        {"\xFA\x5C\xED\x40", "纊{ED40}"},  // the NEC-selected twin comes back as written
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(title_to_text(c.bytes, text), c.text);
        EXPECT_EQ(title_from_text(c.text, text), std::optional<std::string>(c.bytes));
    }
}

TEST(PageTable, GlyphNumbersAreThoseOfTheGlyphStore)
{
    for (int s = 0; s < 256; ++s) {
        const unsigned element = glyph_code(s) - k_custom_char_offset;
        const std::string bytes{static_cast<char>(element >> 8), static_cast<char>(element & 0xFF)};
        char name[32];
        std::snprintf(name, sizeof name, "{外字%03d}", s + 1);
        ASSERT_EQ(title_to_text(bytes, text), name) << s;
        ASSERT_EQ(title_from_text(name, text), bytes) << s;
    }
    const unsigned before_first = glyph_code(0) - 1 - k_custom_char_offset;
    EXPECT_EQ(title_to_text(std::string{static_cast<char>(before_first >> 8),
                                        static_cast<char>(before_first & 0xFF)},
                            text),
              "{101F}");
}

TEST(PageTable, ARefusedTextSaysWhy)
{
    std::string sixty_bytes;
    for (int i = 0; i < 30; ++i) sixty_bytes += "亜";
    const struct {
        int mode;
        int slot;
        PageColumn column;
        std::string value;
        std::string fault;
    } cases[] = {
        {0, 0, PageColumn::char_color, "紫", "紫 は一覧にありません"},
        {0, 0, PageColumn::border_color, "？", "？ は一覧にありません"},
        {0, 0, PageColumn::char_level, "", "空欄 は一覧にありません"},
        {0, 0, PageColumn::auto_switch, "100", "100 は 0～99 の秒数ではありません"},
        {0, 0, PageColumn::auto_switch, "-1", "-1 は 0～99 の秒数ではありません"},
        {0, 0, PageColumn::auto_switch, "3.0", "3.0 は 0～99 の秒数ではありません"},
        {0, 0, PageColumn::title, "♥", "「♥」はコード ページ 932 にない文字です"},
        {0, 0, PageColumn::title, sixty_bytes, "60 バイトあります（56 バイトまで）"},
        {0, 0, PageColumn::title, "a\nb", "制御文字 U+000A はタイトルに使えません"},
        {0, 0, PageColumn::title, "{外字257}",
         "「{外字257}」は外字の番号ではありません（{外字001}～{外字256}）"},
        {0, 0, PageColumn::title, "a{b}",
         "「{b}」は外字でも文字コードでもありません（「{」そのものは「{{」と書きます）"},
        {0, 0, PageColumn::title, "a{外字001",
         "「{」に閉じる「}」がありません（「{」そのものは「{{」と書きます）"},
        {0, 0, PageColumn::title, "{0A}", "「{0A}」はタイトルに入れられないバイトです"},
        {1, 1, PageColumn::auto_switch, "3",
         "001B にはこの値はありません（ページごとの値は 001T の行にあります）"},
        {1, 255, PageColumn::char_level, "LOW",
         "128B にはこの値はありません（ページごとの値は 128T の行にあります）"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DeviceConfig config = config_in_mode(c.mode);
        const DeviceConfig before = config;
        EXPECT_EQ(cell_fault(config, c.slot, c.column, c.value, text), c.fault);
        EXPECT_FALSE(set_cell(config, c.slot, c.column, c.value, text));
        EXPECT_EQ(config, before);
    }
}

TEST(PageTable, AnAcceptedTextGoesIntoItsCellOnly)
{
    const struct {
        int mode;
        int slot;
        PageColumn column;
        std::string value;
        PageArray<int> PageSettings::*values;
        int index;
        int stored;
    } cases[] = {
        {0, 9, PageColumn::auto_switch, "03", &PageSettings::page_auto_switch_time, 9, 3},
        {0, 9, PageColumn::background_fill, " ON ", &PageSettings::page_background_fill, 9, 1},
        {0, 9, PageColumn::char_color, "マゼンタ", &PageSettings::page_char_color, 9, 5},
        {1, 4, PageColumn::auto_switch, "15", &PageSettings::page_auto_switch_time, 2, 15},
        {1, 4, PageColumn::char_level, "LOW", &PageSettings::page_char_level, 2, 0},
        {1, 5, PageColumn::char_color, "赤", &PageSettings::page_char_color, 5, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        DeviceConfig config = config_in_mode(c.mode);
        DeviceConfig expected = config;
        (expected.pages.*c.values)[static_cast<std::size_t>(c.index)] = c.stored;
        EXPECT_EQ(cell_fault(config, c.slot, c.column, c.value, text), std::nullopt);
        EXPECT_TRUE(set_cell(config, c.slot, c.column, c.value, text));
        EXPECT_EQ(config, expected);
    }
    // A "B" row takes an empty per-page cell, and a title its text.
    DeviceConfig config = config_in_mode(1);
    const DeviceConfig before = config;
    EXPECT_TRUE(set_cell(config, 3, PageColumn::auto_switch, "", text));
    EXPECT_EQ(config, before);
    EXPECT_TRUE(set_cell(config, 3, PageColumn::title, "{外字002}ボ", text));
    EXPECT_EQ(config.pages.page_title[3], "\x10\x21\x83\x7B");
}

TEST(PageTable, LabelsNameTheirSlotWithOrWithoutLeadingZeros)
{
    const struct {
        int mode;
        std::string label;
        std::optional<int> slot;
    } cases[] = {
        {0, "007", 6},    {0, "7", 6},     {0, "07", 6},    {0, " 7 ", 6}, {0, "256", 255},
        {0, "1", 0},      {0, "257", {}},  {0, "0", {}},    {0, "-1", {}}, {0, "7T", {}},
        {0, "", {}},      {0, "0007", {}}, {1, "007T", 12}, {1, "7B", 13}, {1, "7b", 13},
        {1, "128B", 255}, {1, "1T", 0},    {1, "129T", {}}, {1, "7", {}},  {1, "T", {}},
        {1, "007X", {}},
    };
    for (const auto& c : cases) {
        DeviceConfig config;
        config.device.page_mode = c.mode;
        EXPECT_EQ(slot_of_label(config, c.label), c.slot) << c.mode << " " << c.label;
    }
}

}  // namespace
}  // namespace velta
