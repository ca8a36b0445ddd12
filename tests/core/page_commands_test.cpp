// Protects the bytes of every per-page, display-page and clock command, with the defaults,
// with edited values, in both page modes, and with values no list offers.
#include "core/pages/page_commands.h"

#include <gtest/gtest.h>

#include <string>

#include "core/model/settings_model.h"
#include "core/pages/title_encoding.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
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

std::vector<std::string> all_pages_commands(const DeviceConfig& c)
{
    return {all_title_positions_command(c), all_auto_switch_times_command(c),
            all_colours_command(c), all_background_fill_command(c), all_char_levels_command(c)};
}

std::vector<std::string> one_page_commands(const DeviceConfig& c, int slot)
{
    return {title_position_command(c, slot), auto_switch_time_command(c, slot),
            colours_command(c, slot), background_fill_command(c, slot),
            char_level_command(c, slot)};
}

TEST(PageCommands, SetAllWithTheDefaults)
{
    const std::vector<std::string> sent = all_pages_commands(DeviceConfig{});
    EXPECT_EQ(sent[0], "IDP" + std::string(256, 'B') + "\r\n");
    EXPECT_EQ(sent[0].size(), 261u);
    EXPECT_EQ(sent[1], "PAST" + repeat("03", 256) + "\r\n");
    EXPECT_EQ(sent[1].size(), 518u);
    EXPECT_EQ(sent[2], "CABC" + repeat("70", 256) + "\r\n");
    EXPECT_EQ(sent[2].size(), 518u);
    EXPECT_EQ(sent[3], "FB" + std::string(256, 'F') + "\r\n");
    EXPECT_EQ(sent[3].size(), 260u);
    EXPECT_EQ(sent[4], "CWL" + std::string(256, 'H') + "\r\n");
}

TEST(PageCommands, SetOneWithTheDefaultsAtSlotZero)
{
    EXPECT_EQ(one_page_commands(DeviceConfig{}, 0),
              (std::vector<std::string>{"IDP001B\r\n", "PAST00103\r\n", "CABC00170\r\n",
                                        "FB001OF\r\n", "CWL001H\r\n"}));
}

TEST(PageCommands, SetOneCarriesTheEditedValueOfItsPage)
{
    DeviceConfig c;
    PageSettings& p = c.pages;
    p.page_title_position[254] = 0;
    p.page_auto_switch_time[254] = 99;
    p.page_char_color[254] = 8;  // "ブランク"
    p.page_border_color[254] = 1;
    p.page_background_fill[254] = 1;
    p.page_char_level[254] = 0;
    EXPECT_EQ(one_page_commands(c, 254),
              (std::vector<std::string>{"IDP255T\r\n", "PAST25599\r\n", "CABC25581\r\n",
                                        "FB255ON\r\n", "CWL255L\r\n"}));
}

TEST(PageCommands, SetAllKeepsSlotOrder)
{
    DeviceConfig c;
    PageSettings& p = c.pages;
    p.page_title_position[0] = 0;
    p.page_title_position[255] = 0;
    p.page_auto_switch_time[1] = 7;
    p.page_char_color[255] = 4;
    p.page_border_color[255] = 6;
    p.page_background_fill[2] = 1;
    p.page_char_level[3] = 0;

    const std::string idp = all_title_positions_command(c);
    EXPECT_EQ(idp.substr(0, 5), "IDPTB");
    EXPECT_EQ(idp.substr(257), "BT\r\n");
    EXPECT_EQ(all_auto_switch_times_command(c).substr(0, 10), "PAST030703");
    const std::string cabc = all_colours_command(c);
    EXPECT_EQ(cabc.substr(cabc.size() - 6), "7046\r\n");
    EXPECT_EQ(all_background_fill_command(c).substr(0, 6), "FBFFNF");
    EXPECT_EQ(all_char_levels_command(c).substr(0, 8), "CWLHHHLH");
}

TEST(PageCommands, TwoLineModeSendsTimesOfTheHalfPagesButLevelsOfAllSlots)
{
    DeviceConfig c;
    c.device.page_mode = 1;
    c.pages.page_auto_switch_time[127] = 12;
    c.pages.page_auto_switch_time[128] = 45;  // not a page in this mode
    const std::string past = all_auto_switch_times_command(c);
    EXPECT_EQ(past.size(), 262u);
    EXPECT_EQ(past.substr(past.size() - 4), "12\r\n");
    EXPECT_EQ(all_char_levels_command(c).size(), 261u);
    // Slot 5 is page 3 bottom, but the slot commands carry the slot number.
    c.pages.page_background_fill[5] = 1;
    EXPECT_EQ(background_fill_command(c, 5), "FB006ON\r\n");
}

TEST(PageCommands, ValuesNoListOffersStayInsideTheirFields)
{
    DeviceConfig c;
    PageSettings& p = c.pages;
    p.page_char_color[0] = 9;
    p.page_border_color[0] = -1;
    p.page_auto_switch_time[0] = 250;
    p.page_background_fill[0] = 7;
    p.page_title_position[0] = -3;
    EXPECT_EQ(colours_command(c, 0), "CABC00180\r\n");
    EXPECT_EQ(auto_switch_time_command(c, 0), "PAST00199\r\n");
    EXPECT_EQ(background_fill_command(c, 0), "FB001ON\r\n");
    EXPECT_EQ(title_position_command(c, 0), "IDP001B\r\n");
    EXPECT_EQ(all_colours_command(c).substr(0, 6), "CABC80");

    // A page outside the slots builds nothing rather than read past the arrays.
    for (int slot : {256, -1})
        EXPECT_EQ(one_page_commands(c, slot), std::vector<std::string>(5)) << slot;

    c.device.clock_display_range = 42;
    EXPECT_EQ(clock_range_command(c), "TSDR8\r\n");
    c.device.clock_display_range = -5;
    EXPECT_EQ(clock_range_command(c), "TSDR1\r\n");
}

TEST(PageCommands, DisplayPageAndDisplayOn)
{
    const SettingsModel fresh;
    EXPECT_EQ(display_page_command(fresh.extras.display_page), "P001\r\n");
    EXPECT_EQ(display_on_command(fresh.choices.display_on), "IDON\r\n");
    EXPECT_EQ(display_on_command(0), "IDOF\r\n");

    // The page goes as it is kept in either mode (one kept from one-line mode too: the device
    // judges it).
    EXPECT_EQ(display_page_command(k_page_pas), "PAS\r\n");
    EXPECT_EQ(display_page_command(127), "P128\r\n");
    EXPECT_EQ(display_page_command(128), "P129\r\n");
    EXPECT_EQ(display_page_command(200), "P201\r\n");
}

TEST(PageCommands, ClockDisplaySettings)
{
    DeviceConfig c;
    auto clock = [&c] {
        return std::vector<std::string>{clock_display_command(c), clock_range_command(c),
                                        clock_size_command(c)};
    };
    EXPECT_EQ(clock(), (std::vector<std::string>{"TSDOF\r\n", "TSDR1\r\n", "TSDSS\r\n"}));
    c.device.clock_display = 1;
    c.device.clock_display_range = 4;  // "　月日時分　"
    c.device.clock_display_size = 1;
    EXPECT_EQ(clock(), (std::vector<std::string>{"TSDON\r\n", "TSDR5\r\n", "TSDSN\r\n"}));
}

TEST(PageCommands, DateAndTimeFieldsHaveTwoDigits)
{
    // 5 March 2026, 09:07:30, as list indexes.
    EXPECT_EQ(
        (std::vector<std::string>{date_year_command(26), date_month_command(2), date_day_command(4),
                                  time_hour_command(9), time_minute_command(7),
                                  time_second_command(30), time_adjust_command()}),
        (std::vector<std::string>{"DSY26\r\n", "DSM03\r\n", "DSD05\r\n", "TSH09\r\n", "TSM07\r\n",
                                  "TSS30\r\n", "TSA\r\n"}));
    EXPECT_EQ(date_year_command(99), "DSY99\r\n");
    EXPECT_EQ(date_month_command(11), "DSM12\r\n");
    EXPECT_EQ(date_day_command(30), "DSD31\r\n");
    // No selection (a clock outside 2000..2099) or an index past the list builds nothing.
    for (const std::string& none :
         {date_year_command(-1), date_year_command(100), date_month_command(12),
          time_hour_command(24), time_second_command(60)})
        EXPECT_EQ(none, "");
}

TEST(PageCommands, TitleThatCannotBeEncodedIsRefusedWithItsFault)
{
    DeviceConfig c;
    for (const std::string bad : {"A", "AB"}) {
        c.pages.page_title[3] = bad;
        const BuiltCommand built = page_title_command(c, 3);
        ASSERT_TRUE(built.refusal.has_value()) << bad;
        EXPECT_EQ(built.refusal->kind, RefusalKind::title_unencodable);
        EXPECT_EQ(built.refusal->detail, title_fault_detail(c, 3));
        EXPECT_TRUE(built.bytes.empty());
    }
    // Sent, it is the warning of the page dialogs, and nothing goes out.
    WireCapture wire;
    BoxRecorder boxes;
    EXPECT_FALSE(send_built(program_context(), page_title_command(c, 3)));
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_EQ(boxes.count(std::string(k_text_title_unencodable)), 1);
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);

    c.pages.page_title[3] = "\x82\xA0";  // あ
    const BuiltCommand built = page_title_command(c, 3);
    EXPECT_TRUE(built.ok());
    EXPECT_EQ(built.bytes.substr(0, 9), "CA0042422");
}

TEST(PageCommands, Rs485PrefixesTheAddress)
{
    WireCapture wire;
    link_settings().rs485 = true;
    link_settings().slave_address = 3;
    send_command(program_context(), colours_command(DeviceConfig{}, 0));
    link_settings().slave_address = 32;
    send_command(program_context(), time_adjust_command());
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"03CABC00170\r\n", "FFTSA\r\n"}));
}

}  // namespace
}  // namespace velta
