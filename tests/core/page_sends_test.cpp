// What "選択ページを送信" puts on the wire for a selection, and the clipboard's cell text.
#include "core/pages/page_sends.h"

#include <gtest/gtest.h>

#include "core/pages/tab_text.h"

namespace velta {
namespace {

std::vector<std::string> wire_of(const DeviceConfig& config, const std::vector<int>& slots)
{
    std::vector<std::string> bytes;
    for (const PageSend& s : page_sends(config, slots))
        bytes.push_back(page_send_command(config, s).bytes);
    return bytes;
}

TEST(PageSends, EachSlotSendsWhatItsDialogsSetSendsAndEachPageItsOwnAttributesOnce)
{
    DeviceConfig one_line;
    one_line.pages.page_title[4] = "\x82\x60";  // "Ａ"
    one_line.pages.page_char_color[4] = 2;
    one_line.pages.page_auto_switch_time[4] = 12;
    const std::string spaces = [] {
        std::string s;
        for (int i = 0; i < 27; ++i) s += "2121";
        return s;
    }();
    EXPECT_EQ(
        wire_of(one_line, {4, 4, -1, 256}),
        (std::vector<std::string>{"CA0052341" + spaces + "\r\n", "IDP005B\r\n", "PAST00512\r\n",
                                  "CABC00520\r\n", "FB005OF\r\n", "CWL005H\r\n"}));

    // Two lines: 002T and 002B share page 2's switching time and level, sent once, after the
    // first of its slots; slots go in slot order whatever the order chosen.
    DeviceConfig two_lines;
    two_lines.device.page_mode = 1;
    const std::vector<PageSend> sends = page_sends(two_lines, {3, 2});
    EXPECT_EQ(sends, (std::vector<PageSend>{{PageDialogKind::title, 2},
                                            {PageDialogKind::title_position, 2},
                                            {PageDialogKind::auto_switch, 1},
                                            {PageDialogKind::colours, 2},
                                            {PageDialogKind::background_fill, 2},
                                            {PageDialogKind::char_level, 1},
                                            {PageDialogKind::title, 3},
                                            {PageDialogKind::title_position, 3},
                                            {PageDialogKind::colours, 3},
                                            {PageDialogKind::background_fill, 3}}));
}

TEST(TabText, CellsRoundTripAsASpreadsheetQuotesThem)
{
    const CellRows cells{{"001", "白", ""}, {"a\tb", "say \"hi\"", "two\r\nlines"}};
    const std::string text = tab_text(cells);
    EXPECT_EQ(text, "001\t白\t\r\n\"a\tb\"\t\"say \"\"hi\"\"\"\t\"two\r\nlines\"\r\n");
    EXPECT_EQ(parse_tab_text(text), cells);
    // What a spreadsheet hands over: LF line ends, no line end after the last row.
    EXPECT_EQ(parse_tab_text("赤\t\n\tON"), (CellRows{{"赤", ""}, {"", "ON"}}));
    EXPECT_TRUE(parse_tab_text("").empty());
}

}  // namespace
}  // namespace velta
