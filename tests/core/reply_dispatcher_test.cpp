// Protects the reply dispatcher: prefix order traps, per-link differences of the status
// answers, silenced boxes during batches and the refusal of malformed data replies.
#include <gtest/gtest.h>

#include <string>

#include "common/box_recorder.h"
#include "model/reply_dispatcher.h"
#include "model/settings_model.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

class Dispatcher : public ::testing::Test {
protected:
    WireCapture wire;  // resets the model
    BoxRecorder boxes;
    SettingsModel& m = model();
};

TEST_F(Dispatcher, PrefixOrderTraps)
{
    // IDPM before IDP: the page mode changes, the positions do not.
    serial_dispatch("IDPM2\r\n");
    EXPECT_EQ(m.device.page_mode, 1);
    EXPECT_EQ(m.pages.page_title_position[0], 1);
    serial_dispatch("IDP" + std::string("T") + repeat("B", 255) + "\r\n");
    EXPECT_EQ(m.pages.page_title_position[0], 0);
    EXPECT_EQ(m.pages.page_title_position[1], 1);

    // POSP and PAST before P; PAS is the page count of the current mode.
    serial_dispatch("POSPAS\r\n");
    EXPECT_EQ(m.device.power_on_page, 128);
    m.device.page_mode = 0;
    serial_dispatch("POSPAS\r\n");
    EXPECT_EQ(m.device.power_on_page, 256);
    serial_dispatch("POSP010\r\n");
    EXPECT_EQ(m.device.power_on_page, 9);
    serial_dispatch("P010\r\n");
    EXPECT_EQ(m.device.display_page, 9);
    EXPECT_EQ(m.device.power_on_page, 9);
    serial_dispatch("PAST" + repeat("12", 256) + "\r\n");
    EXPECT_EQ(m.pages.page_auto_switch_time[255], 12);
    EXPECT_EQ(m.device.display_page, 9);

    // A glyph bitmap never reaches the background-fill decoder.
    serial_dispatch("FBML" + repeat("N", 300) + "\r\n");
    for (int fill : m.pages.page_background_fill)
        ASSERT_EQ(fill, 0);
    serial_dispatch("FB" + repeat("N", 256) + "\r\n");
    EXPECT_EQ(m.pages.page_background_fill[17], 1);
}

TEST_F(Dispatcher, DataRepliesFillTheirFields)
{
    serial_dispatch("ACA010002003004005006007256\r\n");
    EXPECT_EQ(m.device.connector_assignment[0], 9);
    EXPECT_EQ(m.device.connector_assignment[7], 255);
    serial_dispatch("RCA001001001001001001001001\r\n");
    EXPECT_EQ(m.device.connector_assignment[7], 0);
    serial_dispatch("ADT123\r\n");
    EXPECT_EQ(m.device.alarm_hold_time, "123");
    serial_dispatch("AMX\r\n");  // any letter other than I is external
    EXPECT_EQ(m.device.alarm_mode, 1);
    serial_dispatch("RMBIT\r\n");
    EXPECT_EQ(m.device.remote_mode, 1);
    serial_dispatch("RMOPE\r\n");
    EXPECT_EQ(m.device.remote_mode, 2);
    serial_dispatch("CFSTL\r\n");
    EXPECT_EQ(m.device.upper_font_size, 2);
    serial_dispatch("CFSBS\r\n");
    EXPECT_EQ(m.device.lower_font_size, 0);
    serial_dispatch("CC" + repeat("3", 256) + "\r\n");
    serial_dispatch("CBC" + repeat("8", 256) + "\r\n");
    EXPECT_EQ(m.pages.page_char_color[100], 3);
    EXPECT_EQ(m.pages.page_border_color[100], 8);
    serial_dispatch("TSDR5\r\n");
    EXPECT_EQ(m.device.clock_display_range, 4);
    serial_dispatch("EIA192.168.001.003\r\n");
    EXPECT_EQ(m.device.net_ip_address, (IpAddress{192, 168, 1, 3}));
    serial_dispatch("EMA00-11-22-33-44-55\r\n");
    EXPECT_EQ(m.device.net_mac_address, "00-11-22-33-44-55");
    serial_dispatch("ESMB\r\n");
    EXPECT_EQ(m.device.net_subnet_class, 1);
    serial_dispatch("EPN09005\r\n");
    EXPECT_EQ(m.device.port_number, "09005");
    serial_dispatch("ETR6\r\n");
    EXPECT_EQ(m.device.net_etr, 5);
    serial_dispatch("ECTON\r\n");
    EXPECT_EQ(m.device.net_ect, 1);
}

TEST_F(Dispatcher, ScheduleReply)
{
    std::string line = "SD05" + std::string("0000000") + "0830PAS" + repeat("2359128", 22) + "\r\n";
    serial_dispatch(line);
    EXPECT_EQ(m.device.schedule_hour[4][0], 0);
    EXPECT_EQ(m.device.schedule_page[4][0], 257);
    EXPECT_EQ(m.device.schedule_hour[4][1], 8);
    EXPECT_EQ(m.device.schedule_minute[4][1], 30);
    EXPECT_EQ(m.device.schedule_page[4][1], 256);
    EXPECT_EQ(m.device.schedule_page[4][23], 127);
    m.device.page_mode = 1;
    serial_dispatch(line);
    EXPECT_EQ(m.device.schedule_page[4][1], 128);
    // Schedule numbers outside 01..31 are outside the model.
    serial_dispatch("SD32" + repeat("0101001", 24) + "\r\n");
    serial_dispatch("SD00" + repeat("0101001", 24) + "\r\n");
    EXPECT_EQ(m.device.schedule_hour[30][0], 0);
    EXPECT_EQ(m.device.schedule_hour[0][0], 0);
}

TEST_F(Dispatcher, PasReadBeforeThePageModeFollowsIt)
{
    // Read-all order: the schedule comes before the page mode.
    serial_dispatch("SD01" + std::string("0830PAS") + repeat("0000000", 23) + "\r\n");
    serial_dispatch("POSPAS\r\n");
    ASSERT_EQ(m.device.schedule_page[0][0], 256);
    serial_dispatch("IDPM2\r\n");
    EXPECT_EQ(m.device.schedule_page[0][0], 128);
    EXPECT_EQ(m.device.power_on_page, 128);
    EXPECT_EQ(m.device.schedule_page[0][1], 257);
    serial_dispatch("IDPM2\r\n");  // the same mode again changes nothing
    EXPECT_EQ(m.device.schedule_page[0][0], 128);
    serial_dispatch("IDPM1\r\n");
    EXPECT_EQ(m.device.schedule_page[0][0], 256);
    EXPECT_EQ(m.device.power_on_page, 256);
}

TEST_F(Dispatcher, MalformedDataRepliesChangeNothing)
{
    serial_dispatch("ACA001002\r\n");                          // short
    serial_dispatch("ACA0010020030040050060070x8\r\n");         // non-digit
    EXPECT_EQ(m.device.connector_assignment[1], 1);
    serial_dispatch("PAST0303\r\n");
    EXPECT_EQ(m.pages.page_auto_switch_time[0], 3);
    serial_dispatch("CC" + repeat("3", 255) + "x\r\n");
    EXPECT_EQ(m.pages.page_char_color[0], 7);
    serial_dispatch("IDOT1a4\r\n");
    EXPECT_EQ(m.device.upper_display_offset, 4);
    serial_dispatch("EIA300.168.001.003\r\n");
    EXPECT_EQ(m.device.net_ip_address, (IpAddress{0, 0, 0, 0}));
    serial_dispatch("SD01" + repeat("0101001", 23) + "\r\n");  // one entry short
    EXPECT_EQ(m.device.schedule_hour[0][1], 1);
    EXPECT_EQ(m.device.schedule_page[0][1], 257);
    serial_dispatch("P0a1\r\n");
    EXPECT_EQ(m.device.display_page, 0);
    serial_dispatch("VN1.\r\n");
    EXPECT_EQ(m.device.firmware_version, "0.00");
    serial_dispatch("IDP" + repeat("T", 200) + "\r\n");
    EXPECT_EQ(m.pages.page_title_position[0], 1);
    EXPECT_TRUE(boxes.boxes().empty());

    // read_pending still clears, so a dialog waiting for the reply is released.
    m.state.read_pending = 1;
    serial_dispatch("ADT\r\n");
    EXPECT_EQ(m.state.read_pending, 0);
    EXPECT_EQ(m.device.alarm_hold_time, "010");
}

TEST_F(Dispatcher, SerialStatusAnswers)
{
    struct Case {
        std::string line;
        std::string text;
        int reply_error;
    };
    const Case cases[] = {
        {"MENU\r\n", "Menu Display", 1},   {"GN\r\n", "Mode Error", 0},
        {"E0\r\n", "Framing Error", 1},    {"E1\r\n", "Parity Error", 1},
        {"E2\r\n", "Over Run Error", 1},   {"E3\r\n", "Command Error", 1},
    };
    for (const Case& c : cases) {
        boxes.clear();
        serial_dispatch(c.line);
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.line;
        EXPECT_EQ(boxes.last_text(), c.text);
        EXPECT_EQ(m.state.reply_error, c.reply_error) << c.line;
    }
    boxes.clear();
    serial_dispatch("GO\r\n");
    EXPECT_EQ(m.state.success_pending, 1);  // shown by the next watchdog tick
    EXPECT_TRUE(boxes.boxes().empty());
    serial_dispatch("GOX\r\n");  // serial compares the whole line
    serial_dispatch("E3X\r\n");
    EXPECT_EQ(m.state.reply_error, 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Dispatcher, SocketStatusAnswersCompareTwoCharacters)
{
    struct Case {
        std::string line;
        std::string text;
    };
    const Case cases[] = {
        {"GO\r\n", "Socket ＯＫ"},       {"GN\r\n", "Socket mode difference"},
        {"E0\r\n", "Socket Framing"},   {"E1\r\n", "Socket Framing"},
        {"E2\r\n", "Socket Over run"},  {"E3xx\r\n", "Socket Command"},
        {"MENU\r\n", "Menu Display"},
    };
    for (const Case& c : cases) {
        boxes.clear();
        socket_receive(c.line);
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.line;
        EXPECT_EQ(boxes.last_text(), c.text);
    }
    EXPECT_EQ(boxes.boxes().back().caption, "Error");
    socket_receive("VN1.32\r\n");
    EXPECT_EQ(m.device.firmware_version, "1.32");
    EXPECT_EQ(m.state.success_pending, 0);  // only the serial link announces the version
    serial_dispatch("VN1.33\r\n");
    EXPECT_EQ(m.state.success_pending, 1);
}

TEST_F(Dispatcher, BatchesSilenceSuccessAndModeErrorButNotErrors)
{
    m.state.batch_running = 5;
    serial_dispatch("GO\r\n");
    serial_dispatch("GN\r\n");
    socket_receive("GO\r\n");
    socket_receive("GN\r\n");
    EXPECT_EQ(m.state.success_pending, 0);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(m.state.reply_error, 0);
    serial_dispatch("E2\r\n");
    EXPECT_EQ(boxes.last_text(), "Over Run Error");
    EXPECT_EQ(m.state.reply_error, 1);

    m.state.batch_running = 0;
    m.state.glyph_batch_running = 1;
    serial_dispatch("GO\r\n");
    EXPECT_EQ(m.state.success_pending, 0);
    serial_dispatch("GN\r\n");  // the glyph runs do not silence the mode error
    EXPECT_EQ(boxes.last_text(), "Mode Error");
}

TEST_F(Dispatcher, Rs485DropsTheAddressWithoutComparingIt)
{
    m.link.rs485_mode = 1;
    m.link.slave_address = 3;
    serial_dispatch("05GO\r\n");
    EXPECT_EQ(m.state.success_pending, 1);
    serial_dispatch("07IDPM2\r\n");
    EXPECT_EQ(m.device.page_mode, 1);
}

TEST_F(Dispatcher, SocketAnswerSplitOverReceiptsIsDecodedOnce)
{
    m.state.read_pending = 1;
    socket_receive("TSD");
    EXPECT_EQ(m.state.socket_line_partial, 1);
    EXPECT_EQ(m.state.read_pending, 1);
    socket_receive("");  // an empty receipt leaves the line pending
    socket_receive("ON\r\n");
    EXPECT_EQ(m.device.clock_display, 1);
    EXPECT_EQ(m.state.read_pending, 0);
    EXPECT_EQ(m.state.socket_line_partial, 0);
    EXPECT_TRUE(m.state.socket_line.empty());
}

TEST_F(Dispatcher, AnyReplyClearsTheWatchdog)
{
    m.state.answer_pending = 1;
    m.state.watchdog_ticks = 20;
    serial_dispatch("garbage\r\n");
    EXPECT_EQ(m.state.answer_pending, 0);
    EXPECT_EQ(m.state.watchdog_ticks, 0);
    EXPECT_EQ(m.state.reply_error, 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
}  // namespace velta
