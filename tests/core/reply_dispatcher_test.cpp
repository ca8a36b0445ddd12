// Protects the reply dispatcher: prefix order traps, per-link differences of the status
// answers, silenced boxes during batches, "PAS" and no entry whatever the page mode, and the
// failure of damaged data replies.
#include "core/wire/reply_dispatcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/run_activity.h"
#include "core/device/other_commands.h"
#include "core/device/schedule_commands.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/settings_file_lines.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
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
    serial_dispatch(program_context(), "IDPM2\r\n");
    EXPECT_EQ(m.config.device.page_mode, 1);
    EXPECT_EQ(m.config.pages.page_title_position[0], 1);
    serial_dispatch(program_context(), "IDP" + std::string("T") + repeat("B", 255) + "\r\n");
    EXPECT_EQ(m.config.pages.page_title_position[0], 0);
    EXPECT_EQ(m.config.pages.page_title_position[1], 1);

    // POSP and PAST before P.
    serial_dispatch(program_context(), "POSPAS\r\n");
    EXPECT_EQ(m.config.device.power_on_page, k_page_pas);
    serial_dispatch(program_context(), "POSP010\r\n");
    EXPECT_EQ(m.config.device.power_on_page, 9);
    serial_dispatch(program_context(), "P010\r\n");
    EXPECT_EQ(m.extras.display_page, 9);
    EXPECT_EQ(m.config.device.power_on_page, 9);
    serial_dispatch(program_context(), "PAST" + repeat("12", 256) + "\r\n");
    EXPECT_EQ(m.config.pages.page_auto_switch_time[255], 12);
    EXPECT_EQ(m.extras.display_page, 9);

    // A glyph bitmap never reaches the background-fill decoder.
    serial_dispatch(program_context(), "FBML" + repeat("N", 300) + "\r\n");
    for (int fill : m.config.pages.page_background_fill) ASSERT_EQ(fill, 0);
    serial_dispatch(program_context(), "FB" + repeat("N", 256) + "\r\n");
    EXPECT_EQ(m.config.pages.page_background_fill[17], 1);
}

TEST_F(Dispatcher, DataRepliesFillTheirFields)
{
    serial_dispatch(program_context(), "ACA010002003004005006007256\r\n");
    EXPECT_EQ(m.config.device.connector_assignment[0], 9);
    EXPECT_EQ(m.config.device.connector_assignment[7], 255);
    serial_dispatch(program_context(), "RCA001001001001001001001001\r\n");
    EXPECT_EQ(m.config.device.connector_assignment[7], 0);
    serial_dispatch(program_context(), "ADT123\r\n");
    EXPECT_EQ(m.config.device.alarm_hold_time, "123");
    serial_dispatch(program_context(), "AME\r\n");
    EXPECT_EQ(m.config.device.alarm_mode, 1);
    serial_dispatch(program_context(), "RMBIT\r\n");
    EXPECT_EQ(m.config.device.remote_mode, 1);
    serial_dispatch(program_context(), "RMOPE\r\n");
    EXPECT_EQ(m.config.device.remote_mode, 2);
    serial_dispatch(program_context(), "CFSTL\r\n");
    EXPECT_EQ(m.config.device.upper_font_size, 2);
    serial_dispatch(program_context(), "CFSBS\r\n");
    EXPECT_EQ(m.config.device.lower_font_size, 0);
    serial_dispatch(program_context(), "CC" + repeat("3", 256) + "\r\n");
    serial_dispatch(program_context(), "CBC" + repeat("8", 256) + "\r\n");
    EXPECT_EQ(m.config.pages.page_char_color[100], 3);
    EXPECT_EQ(m.config.pages.page_border_color[100], 8);
    serial_dispatch(program_context(), "TSDR5\r\n");
    EXPECT_EQ(m.config.device.clock_display_range, 4);
    serial_dispatch(program_context(), "EIA192.168.001.003\r\n");
    EXPECT_EQ(m.extras.net_ip_address, (IpAddress{192, 168, 1, 3}));
    serial_dispatch(program_context(), "EMA00-11-22-33-44-55\r\n");
    EXPECT_EQ(m.extras.net_mac_address, "00-11-22-33-44-55");
    serial_dispatch(program_context(), "ESMB\r\n");
    EXPECT_EQ(m.config.device.net_subnet_class, 1);
    serial_dispatch(program_context(), "EPN09005\r\n");
    EXPECT_EQ(m.extras.port_number, "09005");
    serial_dispatch(program_context(), "ETR6\r\n");
    EXPECT_EQ(m.config.device.net_etr, 5);
    serial_dispatch(program_context(), "ECTON\r\n");
    EXPECT_EQ(m.config.device.net_ect, 1);
}

TEST_F(Dispatcher, ScheduleReply)
{
    std::string line = "SD05" + std::string("0000000") + "0830PAS" + repeat("2359128", 22) + "\r\n";
    serial_dispatch(program_context(), line);
    EXPECT_EQ(m.config.device.schedule_hour[4][0], 0);
    EXPECT_EQ(m.config.device.schedule_page[4][0], 257);
    EXPECT_EQ(m.config.device.schedule_hour[4][1], 8);
    EXPECT_EQ(m.config.device.schedule_minute[4][1], 30);
    EXPECT_EQ(m.config.device.schedule_page[4][1], 256);
    EXPECT_EQ(m.config.device.schedule_page[4][23], 127);
    // Schedule numbers outside 01..31 are outside the model.
    serial_dispatch(program_context(), "SD32" + repeat("0101001", 24) + "\r\n");
    serial_dispatch(program_context(), "SD00" + repeat("0101001", 24) + "\r\n");
    EXPECT_EQ(m.config.device.schedule_hour[30][0], 0);
    EXPECT_EQ(m.config.device.schedule_hour[0][0], 0);
}

// A read-all asks for the schedule and the power-on page before the page mode, so what they
// mean must not depend on the mode the model was in before.
TEST_F(Dispatcher, ReadAllOfEitherModeIntoAModelOfTheOther)
{
    struct Case {
        int model_mode;
        std::string device_mode;  // IDPM reply digit
        std::string entries;      // page fields of entries 1..5
        std::string power_on;     // POSP reply
        std::vector<int> pages;   // decoded
        int power_on_page;
        std::vector<std::string> file;  // saved schedule pages
        std::string file_power_on;
        std::vector<std::string> command;  // page fields of the next "SD01"
        std::string power_on_command;
    };
    const int pas = k_page_pas;
    const int none = k_page_none;
    const Case cases[] = {
        {1,
         "1",
         "PAS129128000256",
         "POSP129",
         {pas, 128, 127, none, 255},
         128,
         {"256", "128", "127", "257", "255"},
         "128",
         {"PAS", "129", "128", "000", "256"},
         "POSP129\r\n"},
        {0,
         "2",
         "PAS128129000001",
         "POSPAS",
         {pas, 127, 128, none, 0},
         pas,
         {"128", "127", "257", "257", "0"},
         "128",
         {"PAS", "128", "000", "000", "001"},
         "POSPAS\r\n"},
    };
    for (const Case& c : cases) {
        reset_for_test();
        m.config.device.page_mode = c.model_mode;
        std::string sd = "SD01";
        for (std::size_t e = 0; e < 24; ++e)
            sd += "0100" + (e < 5 ? c.entries.substr(3 * e, 3) : std::string("000"));
        serial_dispatch(program_context(), sd + "\r\n");
        serial_dispatch(program_context(), c.power_on + "\r\n");
        serial_dispatch(program_context(), "IDPM" + c.device_mode + "\r\n");
        EXPECT_EQ(link_status().reply_error, 0);
        for (std::size_t e = 0; e < 5; ++e)
            EXPECT_EQ(m.config.device.schedule_page[0][e], c.pages[e]) << c.entries << " " << e;
        EXPECT_EQ(m.config.device.power_on_page, c.power_on_page);

        const std::string file = settings_file_text(model().config);
        const std::vector<std::string> lines = lines_of(file);
        for (std::size_t e = 0; e < 5; ++e)
            EXPECT_EQ(lines[k_first_schedule_page_line + e], c.file[e]) << c.entries << " " << e;
        EXPECT_EQ(lines[k_power_on_line], c.file_power_on);

        // What the file brings back is what goes to the device.
        wire.clear();
        ASSERT_TRUE(apply_settings_text(file).ok);
        send_command(program_context(), schedule_day_command(model().config, 0));
        send_command(program_context(), power_on_page_command(model().config));
        ASSERT_EQ(wire.sent().size(), 2u);
        for (std::size_t e = 0; e < 5; ++e)
            EXPECT_EQ(wire.sent()[0].substr(8 + 7 * e, 3), c.command[e]) << c.entries << " " << e;
        EXPECT_EQ(wire.sent()[1], c.power_on_command);
    }
}

// Every reply kind a read-all decodes (and the other data replies): one that does not hold
// what its layout promises changes nothing, names its item in an error box and sets
// reply_error, so the run stops instead of saving the old value as the device's.
TEST_F(Dispatcher, DamagedRepliesFailAndChangeNothing)
{
    struct Case {
        std::string line;  // without CR LF
        std::string item;
    };
    const std::string codes = repeat("2121", 28);
    const Case cases[] = {
        {"CA005", "CA005"},
        {"CA005" + codes.substr(4), "CA005"},           // 27 codes instead of 28
        {"CA005" + codes.substr(4) + "21G1", "CA005"},  // a non-hex code
        {"CA257" + codes, "CA257"},                     // no such page
        {"SD01" + repeat("0101001", 23), "SD01"},       // cut short
        {"SD02" + repeat("0101001", 23) + "0101XYZ", "SD02"},
        {"SD03" + repeat("0101001", 23) + "0101257", "SD03"},  // no such page
        {"SD32" + repeat("0101001", 24), "SD32"},              // no such day
        {"ACA001002", "ACA"},
        {"ACA0010020030040050060070x8", "ACA"},
        {"RCA001", "RCA"},
        {"ADO", "ADO"},
        {"ADTabc", "ADT"},
        {"ADT", "ADT"},
        {"AM", "AM"},
        {"AP", "AP"},
        {"ARO", "ARO"},
        {"CBC" + repeat("8", 255), "CBC"},
        {"CC" + repeat("3", 255) + "x", "CC"},
        {"CFST", "CFST"},
        {"CFSB", "CFSB"},
        {"CI", "CI"},
        {"CWL" + repeat("L", 255), "CWL"},
        {"FB" + repeat("N", 100), "FB"},
        {"IDOB10", "IDOB"},
        {"IDOT1a4", "IDOT"},
        {"IDPM", "IDPM"},
        {"IDP" + repeat("T", 200), "IDP"},
        {"PAST0303", "PAST"},
        {"POSPXYZ", "POSP"},
        {"POSP000", "POSP"},
        {"POSP300", "POSP"},
        {"P0a1", "P"},
        {"RMBI", "RM"},
        {"TSDO", "TSDO"},
        {"TSDR0", "TSDR"},
        {"TSDS", "TSDS"},
        {"VLBC", "VLBC"},
        {"VN1.", "VN"},
        {"EIA300.168.001.003", "EIA"},
        {"ESMD", "ESM"},
        {"EPN0900", "EPN"},
    };
    auto state = [&] {
        const DeviceExtras& x = m.extras;
        return settings_file_text(model().config) + std::to_string(x.display_page) +
               x.firmware_version + x.port_number + std::to_string(x.net_ip_address[0]) +
               std::to_string(m.config.device.net_subnet_class);
    };
    const std::string before = state();
    for (const Case& c : cases) {
        boxes.clear();
        link_status().read_pending = 1;
        serial_dispatch(program_context(), c.line + "\r\n");
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.line;
        EXPECT_EQ(boxes.last_text(), k_text_reply_damaged) << c.line;
        EXPECT_EQ(boxes.boxes().back().detail, c.item) << c.line;
        EXPECT_EQ(link_status().reply_error, 1) << c.line;
        EXPECT_EQ(link_status().read_pending, 0) << c.line;  // a waiting dialog is still released
        EXPECT_EQ(state(), before) << c.line;
    }
    boxes.clear();
    socket_receive(program_context(), "ADT\r\n");
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(link_status().reply_error, 1);
}

// A real device sends its layout and nothing else: every reply kind, cut by a character, longer
// by one, with a letter its layout does not have, or with a value its command cannot carry, is
// damaged. The sound reply of each row is decoded, so each row also shows its layout is right.
TEST_F(Dispatcher, EveryReplyKindRefusesCutLongerBadLetterAndOutOfRange)
{
    struct Case {
        std::string sound;  // without CR LF
        std::string item;
        std::vector<std::string> bad;  // a letter outside the layout, a value out of range
    };
    const std::string title = "CA005" + std::string("2422") + repeat("2121", 27);
    const std::string entries = repeat("0830010", 24);
    const std::string bitmap = "FBMSA365" + std::string(144, 'F');
    const std::string address = "192.168.001.003";
    const Case cases[] = {
        {"ACA" + repeat("010", 8),
         "ACA",
         {"ACA01x" + repeat("010", 7), "ACA000" + repeat("010", 7), "ACA999" + repeat("010", 7)}},
        {"RCA" + repeat("010", 8), "RCA", {"RCA257" + repeat("010", 7)}},
        {"ADOF", "ADO", {"ADOX"}},
        {"ADT030", "ADT", {"ADT03x", "ADT000", "ADT002"}},
        {"AME", "AM", {"AMX"}},
        {"APB", "AP", {"APX"}},
        {"AROF", "ARO", {"AROX"}},
        {title,
         "CA005",
         {"CA005" + repeat("2121", 27) + "21G1", "CA005FFFF" + repeat("2121", 27),
          "CA0050000" + repeat("2121", 27)}},
        {"CBC" + repeat("8", 256), "CBC", {"CBCA" + repeat("8", 255), "CBC9" + repeat("8", 255)}},
        {"CC" + repeat("1", 256), "CC", {"CC" + repeat("1", 255) + "9"}},
        {"CFSTL", "CFST", {"CFSTX"}},
        {"CFSBS", "CFSB", {"CFSBX"}},
        {"CIR", "CI", {"CIX"}},
        {"CWL" + repeat("L", 256), "CWL", {"CWL" + repeat("L", 255) + "X"}},
        {"FB" + repeat("N", 256), "FB", {"FBX" + repeat("N", 255)}},
        {"IDOB050", "IDOB", {"IDOB05x", "IDOB105"}},
        {"IDOT010", "IDOT", {"IDOT999"}},
        {"IDPM2", "IDPM", {"IDPM3"}},
        {"IDP" + repeat("T", 256), "IDP", {"IDP" + repeat("T", 100) + "X" + repeat("T", 155)}},
        {"PAST" + repeat("99", 256), "PAST", {"PAST" + repeat("99", 255) + "9x"}},
        {"POSP010", "POSP", {"POSP000", "POSP257", "POSPAX"}},
        {"P010", "P", {"P000", "P257"}},
        {"RMBIT", "RM", {"RMBIE", "RMOPN"}},
        {"SD05" + entries,
         "SD05",
         {"SD05" + entries.substr(7) + "0830X10", "SD05" + entries.substr(7) + "9900010",
          "SD05" + entries.substr(7) + "0899010", "SD05" + entries.substr(7) + "0830257"}},
        {"TSDON", "TSDO", {"TSDOX"}},
        {"TSDR5", "TSDR", {"TSDR0", "TSDR9"}},
        {"TSDSN", "TSDS", {"TSDSX"}},
        {"VLBCB", "VLBC", {"VLBCX"}},
        {"VN1.32", "VN", {"VN1.3\x01"}},
        {"EIA" + address, "EIA", {"EIA192x168.001.003", "EIA192.168.001.256"}},
        {"EGA" + address, "EGA", {"EGA192.168.001.256"}},
        {"EAA" + address, "EAA", {"EAA192.168.001.256"}},
        {"EMA00-11-22-33-44-5F", "EMA", {"EMA00-11-22-33-44-5G", "EMA00-11-22-33:44-55"}},
        {"ESMB", "ESM", {"ESMD"}},
        {"EPN09005", "EPN", {"EPN0900x", "EPN00000", "EPN65536"}},
        {"ECTON", "ECT", {"ECTOX", "ECTXN"}},
        {"EKAON", "EKA", {"EKAOX"}},
        {"ETR3", "ETR", {"ETR7"}},
        // A bitmap of another code than the one asked for is another glyph's.
        {bitmap, "FBMS", {"FBMSA365G" + std::string(143, 'F'), "FBMSA366" + std::string(144, 'F')}},
    };
    auto state = [&] {
        const DeviceExtras& x = m.extras;
        const auto slot = glyph_slot(model().glyphs, GlyphSize::small, 0);
        return settings_file_text(model().config) + std::to_string(x.display_page) +
               x.firmware_version + x.port_number + x.net_mac_address +
               std::to_string(x.net_ip_address[3]) + std::to_string(x.net_gateway[3]) +
               std::to_string(x.net_eaa[3]) + std::string(slot.data(), slot.size());
    };
    for (const Case& c : cases) {
        reset_for_test();
        send_glyph_query(program_context(), GlyphSize::small, glyph_code(0));
        std::vector<std::string> damaged = c.bad;
        damaged.push_back(c.sound.substr(0, c.sound.size() - 1));
        damaged.push_back(c.sound + c.sound.back());
        const std::string before = state();
        for (const std::string& line : damaged) {
            boxes.clear();
            link_status().read_pending = 1;
            serial_dispatch(program_context(), line + "\r\n");
            ASSERT_EQ(boxes.boxes().size(), 1u) << line;
            EXPECT_EQ(boxes.last_text(), k_text_reply_damaged) << line;
            EXPECT_EQ(boxes.boxes().back().detail, c.item) << line;
            EXPECT_EQ(link_status().reply_error, 1) << line;
            EXPECT_EQ(link_status().read_pending, 0) << line;
            EXPECT_EQ(state(), before) << line;
        }
        boxes.clear();
        serial_dispatch(program_context(), c.sound + "\r\n");
        EXPECT_TRUE(boxes.boxes().empty()) << c.sound;
        EXPECT_EQ(link_status().reply_error, 0) << c.sound;
        EXPECT_NE(state(), before) << c.sound;
    }
}

TEST_F(Dispatcher, SerialStatusAnswers)
{
    struct Case {
        std::string line;
        std::string text;
        int reply_error;
    };
    const Case cases[] = {
        {"MENU\r\n", "Menu Display", 1}, {"GN\r\n", "Mode Error", 0},
        {"E0\r\n", "Framing Error", 1},  {"E1\r\n", "Parity Error", 1},
        {"E2\r\n", "Over Run Error", 1}, {"E3\r\n", "Command Error", 1},
    };
    for (const Case& c : cases) {
        boxes.clear();
        serial_dispatch(program_context(), c.line);
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.line;
        EXPECT_EQ(boxes.last_text(), c.text);
        EXPECT_EQ(link_status().reply_error, c.reply_error) << c.line;
    }
    boxes.clear();
    serial_dispatch(program_context(), "GO\r\n");
    EXPECT_EQ(link_status().success_pending, 1);  // shown by the next watchdog tick
    EXPECT_TRUE(boxes.boxes().empty());
    serial_dispatch(program_context(), "GOX\r\n");  // serial compares the whole line
    serial_dispatch(program_context(), "E3X\r\n");
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(Dispatcher, SocketStatusAnswersCompareTwoCharacters)
{
    struct Case {
        std::string line;
        std::string text;
    };
    const Case cases[] = {
        {"GO\r\n", "Socket ＯＫ"},     {"GN\r\n", "Socket mode difference"},
        {"E0\r\n", "Socket Framing"},  {"E1\r\n", "Socket Framing"},
        {"E2\r\n", "Socket Over run"}, {"E3xx\r\n", "Socket Command"},
        {"MENU\r\n", "Menu Display"},
    };
    for (const Case& c : cases) {
        boxes.clear();
        socket_receive(program_context(), c.line);
        ASSERT_EQ(boxes.boxes().size(), 1u) << c.line;
        EXPECT_EQ(boxes.last_text(), c.text);
    }
    EXPECT_EQ(boxes.boxes().back().caption, "Error");
    socket_receive(program_context(), "VN1.32\r\n");
    EXPECT_EQ(m.extras.firmware_version, "1.32");
    EXPECT_EQ(link_status().success_pending, 0);  // only the serial link announces the version
    serial_dispatch(program_context(), "VN1.33\r\n");
    EXPECT_EQ(link_status().success_pending, 1);
}

TEST_F(Dispatcher, BatchesSilenceSuccessAndModeErrorButNotErrors)
{
    run_activity().settings_run = true;
    serial_dispatch(program_context(), "GO\r\n");
    serial_dispatch(program_context(), "GN\r\n");
    socket_receive(program_context(), "GO\r\n");
    socket_receive(program_context(), "GN\r\n");
    EXPECT_EQ(link_status().success_pending, 0);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_EQ(link_status().reply_error, 0);
    serial_dispatch(program_context(), "E2\r\n");
    EXPECT_EQ(boxes.last_text(), "Over Run Error");
    EXPECT_EQ(link_status().reply_error, 1);

    run_activity() = RunActivity{.glyph_run = true};
    serial_dispatch(program_context(), "GO\r\n");
    EXPECT_EQ(link_status().success_pending, 0);
    serial_dispatch(program_context(), "GN\r\n");  // the glyph runs do not silence the mode error
    EXPECT_EQ(boxes.last_text(), "Mode Error");
}

TEST_F(Dispatcher, Rs485DropsTheAddressWithoutComparingIt)
{
    link_settings().rs485 = true;
    link_settings().slave_address = 3;
    serial_dispatch(program_context(), "05GO\r\n");
    EXPECT_EQ(link_status().success_pending, 1);
    serial_dispatch(program_context(), "07IDPM2\r\n");
    EXPECT_EQ(m.config.device.page_mode, 1);
}

TEST_F(Dispatcher, AnyReplyClearsTheWatchdog)
{
    link_status().answer_pending = 1;
    link_status().watchdog_ticks = 20;
    serial_dispatch(program_context(), "garbage\r\n");
    EXPECT_EQ(link_status().answer_pending, 0);
    EXPECT_EQ(link_status().watchdog_ticks, 0);
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
}  // namespace velta
