// Protects what the page dialogs show: slot labels in both page modes, the block of slots
// drawn around current_page, the exact line texts and where they go, the item tables, and
// the same-for-all rule.
#include "core/pages/page_lists.h"

#include <gtest/gtest.h>

#include <string>

#include "core/model/settings_model.h"
#include "core/pages/page_dialog_table.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

const std::string k_wide = "\x81\x40";  // a full-width space in code page 932

std::string wide_spaces(int n)
{
    std::string s;
    for (int i = 0; i < n; ++i) s += k_wide;
    return s;
}

TEST(PageLists, SlotLabelsByPageMode)
{
    EXPECT_EQ(slot_label(0, 0), "001");
    EXPECT_EQ(slot_label(255, 0), "256");
    EXPECT_EQ(slot_label(0, 1), "001T");
    EXPECT_EQ(slot_label(1, 1), "001B");
    EXPECT_EQ(slot_label(3, 1), "002B");
    EXPECT_EQ(slot_label(255, 1), "128B");
    const auto two_line = slot_label_items(1);
    ASSERT_EQ(two_line.size(), 256u);
    EXPECT_EQ(two_line[2], "002T");
    EXPECT_EQ(page_number_items(128).back(), "128");
    EXPECT_EQ(page_number_items(128).size(), 128u);
}

TEST(PageLists, PageListItemsFollowTheDialogAndTheMode)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    EXPECT_EQ(page_list_items(model().config, PageItems::slot_labels)[3], "002B");
    EXPECT_EQ(page_list_items(model().config, PageItems::all_numbers).size(), 256u);
    EXPECT_EQ(page_list_items(model().config, PageItems::all_numbers)[3], "004");
    EXPECT_EQ(page_list_items(model().config, PageItems::page_numbers).size(), 128u);
    model().config.device.page_mode = 0;
    EXPECT_EQ(page_list_items(model().config, PageItems::page_numbers).size(), 256u);
    EXPECT_EQ(page_list_items(model().config, PageItems::slot_labels)[3], "004");

    EXPECT_EQ(page_dialog_spec(PageDialogKind::title_position).page_items, PageItems::all_numbers);
    EXPECT_EQ(page_dialog_spec(PageDialogKind::auto_switch).page_items, PageItems::page_numbers);
    EXPECT_EQ(page_dialog_spec(PageDialogKind::char_level).page_items, PageItems::page_numbers);
    EXPECT_EQ(page_dialog_spec(PageDialogKind::colours).page_items, PageItems::slot_labels);
    EXPECT_EQ(page_dialog_spec(PageDialogKind::background_fill).page_items, PageItems::slot_labels);
    EXPECT_EQ(page_dialog_spec(PageDialogKind::title).page_items, PageItems::slot_labels);
}

TEST(PageLists, BlockAroundCurrentPageIn8_16And32SlotLists)
{
    WireCapture wire;
    model().choices.current_page = 37;

    const auto title = block_lines(model(), page_dialog_spec(PageDialogKind::title));
    ASSERT_EQ(title.size(), 8u);
    EXPECT_EQ(title.front().slot, 32);
    EXPECT_EQ(title.back().slot, 39);
    EXPECT_EQ(title[3].at.x, 20);
    EXPECT_EQ(title[3].at.y, 70);

    const auto colours = block_lines(model(), page_dialog_spec(PageDialogKind::colours));
    ASSERT_EQ(colours.size(), 16u);
    EXPECT_EQ(colours.front().slot, 32);
    EXPECT_EQ(colours.back().slot, 47);
    EXPECT_EQ(colours[7].at.x, 20);
    EXPECT_EQ(colours[7].at.y, 20 + 23 * 7);
    EXPECT_EQ(colours[8].at.x, 280);
    EXPECT_EQ(colours[8].at.y, 20);

    const auto positions = block_lines(model(), page_dialog_spec(PageDialogKind::title_position));
    ASSERT_EQ(positions.size(), 32u);
    EXPECT_EQ(positions.front().text, "P033 = 下");
    EXPECT_EQ(positions.back().text, "P064 = 下");
    EXPECT_EQ(positions[31].at.x, 20 + 130 * 3);
    EXPECT_EQ(positions[31].at.y, 10 + 23 * 7);
    EXPECT_EQ(positions[9].at.x, 150);
    EXPECT_EQ(positions[9].at.y, 33);

    model().choices.current_page = 255;
    EXPECT_EQ(block_lines(model(), page_dialog_spec(PageDialogKind::char_level)).front().slot, 224);
    model().choices.current_page = 31;
    EXPECT_EQ(block_lines(model(), page_dialog_spec(PageDialogKind::background_fill)).front().slot,
              0);
    EXPECT_EQ(block_first(40, 32), 32);
    EXPECT_EQ(block_first(-4, 16), 0);
    EXPECT_EQ(block_first(300, 8), 248);
}

TEST(PageLists, AutoSwitchLinesShowEachPagesOwnTime)
{
    WireCapture wire;
    model().choices.current_page = 40;
    model().config.pages.page_auto_switch_time[32] = 0;
    model().config.pages.page_auto_switch_time[63] = 45;
    const auto lines = block_lines(model(), page_dialog_spec(PageDialogKind::auto_switch));
    EXPECT_EQ(lines.front().text, "P033 = 00 秒");
    EXPECT_EQ(lines[1].text, "P034 = 03 秒");
    EXPECT_EQ(lines.back().text, "P064 = 45 秒");
    model().choices.current_page = 0;
    EXPECT_EQ(auto_switch_line(model().config, 0), "P001 = 03 秒");
}

TEST(PageLists, ColourLinesAndTable)
{
    WireCapture wire;
    EXPECT_EQ(colour_line(model().config, 0), "P001 白　　　　黒　　　　");
    model().config.pages.page_char_color[1] = 5;
    model().config.pages.page_border_color[1] = 8;
    EXPECT_EQ(colour_line(model().config, 1), "P002 マゼンタ　ブランク　");
    model().config.pages.page_char_color[2] = 6;
    model().config.pages.page_border_color[2] = 1;
    EXPECT_EQ(colour_line(model().config, 2), "P003 シアン　　赤　　　　");
    model().config.device.page_mode = 1;
    EXPECT_EQ(colour_line(model().config, 1), "P001Bマゼンタ　ブランク　");

    // What a reply may leave that no list offers keeps the width.
    model().config.pages.page_char_color[4] = 9;
    model().config.pages.page_border_color[4] = -1;
    EXPECT_EQ(colour_line(model().config, 4), "P003T？　　　　？　　　　");

    const auto items = colour_items();
    ASSERT_EQ(items.size(), 9u);
    EXPECT_EQ(items[0], "黒");
    EXPECT_EQ(items[5], "マゼンタ");
    EXPECT_EQ(items[8], "ブランク");
    EXPECT_EQ(std::string(k_colour_heading), "文字色　　縁取り色　　　　　　　 文字色　　縁取り色");
}

TEST(PageLists, FillLevelAndPositionLines)
{
    WireCapture wire;
    EXPECT_EQ(background_fill_line(model().config, 0), "P001  = OFF");
    model().config.pages.page_background_fill[5] = 1;
    model().config.device.page_mode = 1;
    EXPECT_EQ(background_fill_line(model().config, 5), "P003B = ON ");
    // These two number their lines s + 1 whatever the mode.
    EXPECT_EQ(char_level_line(model().config, 5), "P006 = HIGH ");
    model().config.pages.page_char_level[5] = 0;
    EXPECT_EQ(char_level_line(model().config, 5), "P006 = LOW  ");
    model().config.pages.page_title_position[5] = 0;
    EXPECT_EQ(title_position_line(model().config, 5), "P006 = 上");
}

TEST(PageLists, TitleLinesAreAlwaysFiftySixBytesOfTitle)
{
    WireCapture wire;
    EXPECT_EQ(title_line(model().config, 0), "P001 = " + wide_spaces(28));

    // A custom character is listed as a full-width space.
    model().config.pages.page_title[8] = std::string("\x10\x21\x82\xA0", 4);
    EXPECT_EQ(title_line(model().config, 8),
              "P009 = " + wide_spaces(1) + "\x82\xA0" + wide_spaces(26));

    model().config.device.page_mode = 1;
    model().config.pages.page_title[1] = "\x88\x9F";  // 亜
    EXPECT_EQ(title_line(model().config, 0).substr(0, 7), "P001T= ");
    EXPECT_EQ(title_line(model().config, 1), "P001B= \x88\x9F" + wide_spaces(27));

    // An odd length leaves a half-width blank before the full-width ones.
    model().config.pages.page_title[2] = "AB\x82\xA0Z";
    EXPECT_EQ(title_line(model().config, 2), "P002T= AB\x82\xA0Z " + wide_spaces(25));

    // Longer than the device takes (a file may hold 59 bytes): nothing is added.
    model().config.pages.page_title[3] = std::string(58, 'x');
    EXPECT_EQ(title_line(model().config, 3), "P002B= " + std::string(58, 'x'));
}

TEST(PageLists, SameForAllSetsEverySlotAndTheChoice)
{
    WireCapture wire;
    model().config.device.page_mode = 1;  // only 128 pages listed
    const PageDialogSpec& spec = page_dialog_spec(PageDialogKind::auto_switch);
    apply_same_for_all(model(), spec.values.at(0), 10);
    for (int v : model().config.pages.page_auto_switch_time) ASSERT_EQ(v, 10);
    EXPECT_EQ(model().choices.auto_switch_time_choice, 10);

    const PageDialogSpec& colours = page_dialog_spec(PageDialogKind::colours);
    apply_same_for_all(model(), colours.values.at(1), 1);
    for (int s = 0; s < k_page_slots; ++s) {
        ASSERT_EQ(model().config.pages.page_border_color[s], 1);
        ASSERT_EQ(model().config.pages.page_char_color[s], 7);
    }
    EXPECT_EQ(model().choices.border_color_choice, 1);
    EXPECT_EQ(model().choices.char_color_choice, 7);
}

TEST(PageLists, ItemTables)
{
    EXPECT_EQ(title_position_items(), (std::vector<std::string>{"上", "下"}));
    EXPECT_EQ(background_fill_items(), (std::vector<std::string>{"OFF", "ON "}));
    EXPECT_EQ(char_level_items(), (std::vector<std::string>{"LOW ", "HIGH"}));
    EXPECT_EQ(clock_size_items(), (std::vector<std::string>{"SMALL ", "NORMAL"}));
    ASSERT_EQ(clock_range_items().size(), 8u);
    EXPECT_EQ(clock_range_items()[4], "　月日時分　");
    EXPECT_EQ(clock_range_items()[7], "　　　時分　");
    const auto seconds = page_dialog_spec(PageDialogKind::auto_switch).values.at(0).items;
    ASSERT_EQ(seconds.size(), 100u);
    EXPECT_EQ(seconds.front(), "0");
    EXPECT_EQ(seconds.back(), "99");
}

}  // namespace
}  // namespace velta
