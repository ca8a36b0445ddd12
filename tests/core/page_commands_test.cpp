// Protects the bytes of every per-page, display-page and clock command, with the defaults,
// with edited values, in both page modes, and with values no list offers.
#include "core/pages/page_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string repeat(const std::string& unit, int times)
{
    std::string s;
    for (int i = 0; i < times; ++i) s += unit;
    return s;
}

TEST(PageCommands, SetAllWithTheDefaults)
{
    WireCapture wire;
    send_all_title_positions();
    send_all_auto_switch_times();
    send_all_colours();
    send_all_background_fill();
    send_all_char_levels();
    ASSERT_EQ(wire.sent().size(), 5u);
    EXPECT_EQ(wire.sent()[0], "IDP" + std::string(256, 'B') + "\r\n");
    EXPECT_EQ(wire.sent()[0].size(), 261u);
    EXPECT_EQ(wire.sent()[1], "PAST" + repeat("03", 256) + "\r\n");
    EXPECT_EQ(wire.sent()[1].size(), 518u);
    EXPECT_EQ(wire.sent()[2], "CABC" + repeat("70", 256) + "\r\n");
    EXPECT_EQ(wire.sent()[2].size(), 518u);
    EXPECT_EQ(wire.sent()[3], "FB" + std::string(256, 'F') + "\r\n");
    EXPECT_EQ(wire.sent()[3].size(), 260u);
    EXPECT_EQ(wire.sent()[4], "CWL" + std::string(256, 'H') + "\r\n");
}

TEST(PageCommands, SetOneWithTheDefaultsAtSlotZero)
{
    WireCapture wire;
    send_title_position();
    send_auto_switch_time();
    send_colours();
    send_background_fill();
    send_char_level();
    EXPECT_EQ(wire.sent(),
              (std::vector<std::string>{"IDP001B\r\n", "PAST00103\r\n", "CABC00170\r\n",
                                        "FB001OF\r\n", "CWL001H\r\n"}));
}

TEST(PageCommands, SetOneCarriesTheEditedValueOfCurrentPage)
{
    WireCapture wire;
    PageSettings& p = model().config.pages;
    model().choices.current_page = 254;
    p.page_title_position[254] = 0;
    p.page_auto_switch_time[254] = 99;
    p.page_char_color[254] = 8;  // "ブランク"
    p.page_border_color[254] = 1;
    p.page_background_fill[254] = 1;
    p.page_char_level[254] = 0;
    send_title_position();
    send_auto_switch_time();
    send_colours();
    send_background_fill();
    send_char_level();
    EXPECT_EQ(wire.sent(),
              (std::vector<std::string>{"IDP255T\r\n", "PAST25599\r\n", "CABC25581\r\n",
                                        "FB255ON\r\n", "CWL255L\r\n"}));
}

TEST(PageCommands, SetAllKeepsSlotOrder)
{
    WireCapture wire;
    PageSettings& p = model().config.pages;
    p.page_title_position[0] = 0;
    p.page_title_position[255] = 0;
    p.page_auto_switch_time[1] = 7;
    p.page_char_color[255] = 4;
    p.page_border_color[255] = 6;
    p.page_background_fill[2] = 1;
    p.page_char_level[3] = 0;

    const std::string idp = all_title_positions_command();
    EXPECT_EQ(idp.substr(0, 5), "IDPTB");
    EXPECT_EQ(idp.substr(257), "BT\r\n");
    EXPECT_EQ(all_auto_switch_times_command().substr(0, 10), "PAST030703");
    const std::string cabc = all_colours_command();
    EXPECT_EQ(cabc.substr(cabc.size() - 6), "7046\r\n");
    EXPECT_EQ(all_background_fill_command().substr(0, 6), "FBFFNF");
    EXPECT_EQ(all_char_levels_command().substr(0, 8), "CWLHHHLH");
}

TEST(PageCommands, TwoLineModeSendsTimesOfTheHalfPagesButLevelsOfAllSlots)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().config.pages.page_auto_switch_time[127] = 12;
    model().config.pages.page_auto_switch_time[128] = 45;  // not a page in this mode
    const std::string past = all_auto_switch_times_command();
    EXPECT_EQ(past.size(), 262u);
    EXPECT_EQ(past.substr(past.size() - 4), "12\r\n");
    EXPECT_EQ(all_char_levels_command().size(), 261u);
    // Slot 5 is page 3 bottom, but the slot commands carry the slot number.
    model().choices.current_page = 5;
    model().config.pages.page_background_fill[5] = 1;
    send_background_fill();
    EXPECT_EQ(wire.last(), "FB006ON\r\n");
}

TEST(PageCommands, ValuesNoListOffersStayInsideTheirFields)
{
    WireCapture wire;
    PageSettings& p = model().config.pages;
    p.page_char_color[0] = 9;
    p.page_border_color[0] = -1;
    p.page_auto_switch_time[0] = 250;
    p.page_background_fill[0] = 7;
    p.page_title_position[0] = -3;
    EXPECT_EQ(colours_command(0), "CABC00180\r\n");
    EXPECT_EQ(auto_switch_time_command(0), "PAST00199\r\n");
    EXPECT_EQ(background_fill_command(0), "FB001ON\r\n");
    EXPECT_EQ(title_position_command(0), "IDP001B\r\n");
    EXPECT_EQ(all_colours_command().substr(0, 6), "CABC80");

    // A current_page outside the slots sends nothing rather than read past the arrays.
    model().choices.current_page = 256;
    send_colours();
    model().choices.current_page = -1;
    send_char_level();
    EXPECT_TRUE(wire.sent().empty());

    model().config.device.clock_display_range = 42;
    EXPECT_EQ(clock_range_command(), "TSDR8\r\n");
    model().config.device.clock_display_range = -5;
    EXPECT_EQ(clock_range_command(), "TSDR1\r\n");
}

TEST(PageCommands, DisplayPageAndDisplayOn)
{
    WireCapture wire;
    send_display_page();
    send_display_on();
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"P001\r\n", "IDON\r\n"}));

    model().choices.display_on = 0;
    EXPECT_EQ(display_on_command(), "IDOF\r\n");

    model().config.device.page_mode = 1;
    model().extras.display_page = k_page_pas;
    EXPECT_EQ(display_page_command(), "PAS\r\n");
    model().extras.display_page = 127;
    EXPECT_EQ(display_page_command(), "P128\r\n");
    // Kept from one-line mode: sent as it is, the device judges it.
    model().extras.display_page = 200;
    EXPECT_EQ(display_page_command(), "P201\r\n");
    model().config.device.page_mode = 0;
    model().extras.display_page = k_page_pas;
    EXPECT_EQ(display_page_command(), "PAS\r\n");
    model().extras.display_page = 128;
    EXPECT_EQ(display_page_command(), "P129\r\n");
}

TEST(PageCommands, ClockDisplaySettings)
{
    WireCapture wire;
    send_clock_display();
    send_clock_range();
    send_clock_size();
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"TSDOF\r\n", "TSDR1\r\n", "TSDSS\r\n"}));
    DeviceSettings& d = model().config.device;
    d.clock_display = 1;
    d.clock_display_range = 4;  // "　月日時分　"
    d.clock_display_size = 1;
    EXPECT_EQ(clock_display_command(), "TSDON\r\n");
    EXPECT_EQ(clock_range_command(), "TSDR5\r\n");
    EXPECT_EQ(clock_size_command(), "TSDSN\r\n");
}

TEST(PageCommands, DateAndTimeFieldsHaveTwoDigits)
{
    WireCapture wire;
    // 5 March 2026, 09:07:30, as list indexes.
    send_date_year(26);
    send_date_month(2);
    send_date_day(4);
    send_time_hour(9);
    send_time_minute(7);
    send_time_second(30);
    send_time_adjust();
    EXPECT_EQ(wire.sent(),
              (std::vector<std::string>{"DSY26\r\n", "DSM03\r\n", "DSD05\r\n", "TSH09\r\n",
                                        "TSM07\r\n", "TSS30\r\n", "TSA\r\n"}));
    EXPECT_EQ(date_year_command(99), "DSY99\r\n");
    EXPECT_EQ(date_month_command(11), "DSM12\r\n");
    EXPECT_EQ(date_day_command(30), "DSD31\r\n");
    // No selection (a clock outside 2000..2099) or an index past the list sends nothing.
    wire.clear();
    send_date_year(-1);
    send_date_year(100);
    send_date_month(12);
    send_time_hour(24);
    send_time_second(60);
    EXPECT_TRUE(wire.sent().empty());
}

TEST(PageCommands, TitleThatCannotBeEncodedWarnsAndSendsNothing)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.pages.page_title[3] = "A";
    EXPECT_FALSE(send_title_or_warn(3));
    model().config.pages.page_title[3] = "AB";
    EXPECT_FALSE(send_title_or_warn(3));
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_EQ(boxes.count(std::string(k_text_title_unencodable)), 2);
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);

    model().config.pages.page_title[3] = "\x82\xA0";  // あ
    EXPECT_TRUE(send_title_or_warn(3));
    ASSERT_EQ(wire.sent().size(), 1u);
    EXPECT_EQ(wire.last().substr(0, 9), "CA0042422");
    EXPECT_EQ(boxes.boxes().size(), 2u);
}

TEST(PageCommands, Rs485PrefixesTheAddress)
{
    WireCapture wire;
    link_settings().rs485 = true;
    link_settings().slave_address = 3;
    send_colours();
    link_settings().slave_address = 32;
    send_time_adjust();
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"03CABC00170\r\n", "FFTSA\r\n"}));
}

}  // namespace
}  // namespace velta
