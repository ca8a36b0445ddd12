// Protects the bytes of the device-wide commands (alarm, remote, other settings, schedule) for
// default and edited values, and the page-mode change rule.
#include <gtest/gtest.h>

#include "core/device/alarm_commands.h"
#include "core/device/other_commands.h"
#include "core/device/schedule_commands.h"
#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

TEST(AlarmCommands, DefaultsAndEditedValues)
{
    DeviceConfig c;
    auto all = [&c] {
        return std::vector<std::string>{alarm_mode_command(c), alarm_polarity_command(c),
                                        alarm_display_command(c), alarm_return_command(c)};
    };
    EXPECT_EQ(all(), (std::vector<std::string>{"AMI\r\n", "APM\r\n", "ADON\r\n", "ARON\r\n"}));
    EXPECT_EQ(alarm_connectors_command(c), "ACA001002003004005006007008\r\n");
    c.device.alarm_mode = 1;
    c.device.alarm_polarity = 1;
    c.device.alarm_display = 0;
    c.device.alarm_return = 0;
    EXPECT_EQ(all(), (std::vector<std::string>{"AME\r\n", "APB\r\n", "ADOF\r\n", "AROF\r\n"}));
}

TEST(AlarmCommands, HoldTimeNeedsThreeSecondsFromItsLeadingDigits)
{
    DeviceConfig c;
    const std::vector<std::pair<std::string, std::string>> sent_cases{
        {"3", "ADT003\r\n"},   {"999", "ADT999\r\n"}, {"010", "ADT010\r\n"},
        {"12s", "ADT012\r\n"}, {"45", "ADT045\r\n"},  {"3x9", "ADT003\r\n"}};
    for (const auto& [text, command] : sent_cases) {
        c.device.alarm_hold_time = text;
        const BuiltCommand built = alarm_hold_time_command(c);
        EXPECT_TRUE(built.ok()) << text;
        EXPECT_EQ(built.bytes, command) << text;
    }
    // Only three digits count: "0009" is 0 seconds, not 9.
    for (const std::string text : {"2", "", "abc", "s12", "002", "0009", " 12"}) {
        c.device.alarm_hold_time = text;
        const BuiltCommand built = alarm_hold_time_command(c);
        EXPECT_EQ(built.refusal, (Refusal{RefusalKind::hold_time_too_short, {}})) << text;
        EXPECT_TRUE(built.bytes.empty()) << text;
    }

    // Sent from a dialog, a refusal is the dialog's error and nothing goes out.
    WireCapture wire;
    BoxRecorder boxes;
    EXPECT_FALSE(send_built(program_context(), alarm_hold_time_command(c)));
    EXPECT_TRUE(wire.sent().empty());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), "3秒以上を設定してください。");
    EXPECT_EQ(boxes.boxes().front().kind, BoxKind::error);
}

TEST(AlarmCommands, ConnectorTableIsSharedByTheAlarmAndRemoteHeads)
{
    DeviceConfig c;
    c.device.connector_assignment[2] = 9;  // No.3 -> page 10
    EXPECT_EQ(alarm_connectors_command(c), "ACA001002010004005006007008\r\n");
    EXPECT_EQ(remote_connectors_command(c), "RCA001002010004005006007008\r\n");

    // Two-line mode does not bound what is stored: index 199 still goes out as page 200.
    c.device.page_mode = 1;
    c.device.connector_assignment[0] = 199;
    // Values a reply or a file can hold: -1 (reply "000") and 998 keep three digits.
    c.device.connector_assignment[1] = -1;
    c.device.connector_assignment[7] = 998;
    c.device.connector_assignment[6] = 5000;  // beyond any source: clamped, never a non-digit
    EXPECT_EQ(alarm_connectors_command(c), "ACA200000010004005006999999\r\n");
}

TEST(RemoteCommands, ModeTexts)
{
    DeviceConfig c;
    std::vector<std::string> sent;
    for (int mode : {0, 1, 2, 7}) {
        c.device.remote_mode = mode;
        sent.push_back(remote_mode_command(c));
    }
    EXPECT_EQ(sent, (std::vector<std::string>{"RMBIN\r\n", "RMBIT\r\n", "RMOPE\r\n", "RMBIN\r\n"}));
}

TEST(OtherCommands, DefaultsAndEditedValues)
{
    DeviceConfig c;
    auto all = [&c] {
        return std::vector<std::string>{connector_input_command(c),
                                        power_on_page_command(c),
                                        page_mode_command(c),
                                        upper_font_size_command(c),
                                        lower_font_size_command(c),
                                        upper_display_offset_command(c),
                                        lower_display_offset_command(c),
                                        video_loss_background_command(c)};
    };
    EXPECT_EQ(all(),
              (std::vector<std::string>{"CIA\r\n", "POSP001\r\n", "IDPM1\r\n", "CFSTM\r\n",
                                        "CFSBM\r\n", "IDOT004\r\n", "IDOB100\r\n", "VLBCN\r\n"}));
    c.device.connector_input = 1;
    c.device.upper_font_size = 0;
    c.device.lower_font_size = 2;
    c.device.upper_display_offset = 0;
    c.device.lower_display_offset = 104;
    c.device.video_loss_background = 1;
    c.device.power_on_page = 41;
    EXPECT_EQ(all(),
              (std::vector<std::string>{"CIR\r\n", "POSP042\r\n", "IDPM1\r\n", "CFSTS\r\n",
                                        "CFSBL\r\n", "IDOT000\r\n", "IDOB104\r\n", "VLBCB\r\n"}));
}

// "PAS" and the other page values keep their meaning when the page mode changes either way;
// only a page the new mode does not have goes back to page 1 (so the list shows what is sent).
TEST(OtherCommands, PageModeChangesKeepPasAndDropPagesTheModeHasNot)
{
    SettingsModel m;
    struct Case {
        int from_mode;
        int power_on;
        int display;
        int current;
        std::string power_on_sent;  // after the change
        std::string display_sent;
        int current_after;
    };
    const Case cases[] = {
        {0, k_page_pas, k_page_pas, 200, "POSPAS\r\n", "PAS\r\n", 0},
        {1, k_page_pas, k_page_pas, 127, "POSPAS\r\n", "PAS\r\n", 127},
        {0, 127, 127, 127, "POSP128\r\n", "P128\r\n", 127},
        {0, 128, 128, 128, "POSP001\r\n", "P001\r\n", 0},  // page 129 is not in two-line mode
        {0, 255, 255, 255, "POSP001\r\n", "P001\r\n", 0},
        {1, 127, 127, 127, "POSP128\r\n", "P128\r\n", 127},
    };
    for (const Case& c : cases) {
        m.config.device.page_mode = c.from_mode;
        m.config.device.power_on_page = c.power_on;
        m.extras.display_page = c.display;
        m.choices.current_page = c.current;
        apply_page_mode(m, 1 - c.from_mode);
        EXPECT_EQ(m.config.device.page_mode, 1 - c.from_mode);
        EXPECT_EQ((std::vector<std::string>{power_on_page_command(m.config),
                                            display_page_command(m.extras.display_page)}),
                  (std::vector<std::string>{c.power_on_sent, c.display_sent}))
            << c.from_mode << " " << c.power_on;
        EXPECT_EQ(m.choices.current_page, c.current_after);
    }
    m.config.device.power_on_page = k_page_pas;
    apply_page_mode(m, 1);  // the mode already set changes nothing
    EXPECT_EQ(m.config.device.power_on_page, k_page_pas);
    EXPECT_EQ(page_mode_command(m.config), "IDPM2\r\n");
}

std::string default_day_body()
{
    std::string body;
    for (int e = 0; e < 24; ++e) body += (e < 10 ? "0" : "") + std::to_string(e) + "00" + "000";
    return body;
}

TEST(ScheduleCommands, DefaultDayAndPageFieldsInBothModes)
{
    SettingsModel m;
    DeviceSettings& dev = m.config.device;
    EXPECT_EQ(schedule_day_command(m.config, 0), "SD01" + default_day_body() + "\r\n");
    EXPECT_EQ(schedule_day_command(m.config, 30), "SD31" + default_day_body() + "\r\n");
    EXPECT_EQ(schedule_day_command(m.config, 0).size(), 174u);

    auto& page = dev.schedule_page[4];
    dev.schedule_hour[4][0] = 23;
    dev.schedule_minute[4][0] = 59;
    page[0] = 0;
    page[1] = 127;
    page[2] = 128;
    page[3] = 129;
    page[4] = 255;
    page[5] = 256;
    page[6] = 257;
    page[7] = -1;
    auto fields = [&] {
        const std::string c = schedule_day_command(m.config, 4);
        std::vector<std::string> out;
        for (int e = 0; e < 8; ++e) out.push_back(c.substr(4 + 7 * e + 4, 3));
        return out;
    };
    EXPECT_EQ(schedule_day_command(m.config, 4).substr(0, 11), "SD052359001");
    EXPECT_EQ(fields(),
              (std::vector<std::string>{"001", "128", "129", "130", "256", "PAS", "000", "000"}));
    // Two lines: pages 129 .. 256 do not exist and go as none; "PAS" stays "PAS".
    apply_page_mode(m, 1);
    EXPECT_EQ(fields(),
              (std::vector<std::string>{"001", "128", "000", "000", "000", "PAS", "000", "000"}));
    EXPECT_EQ(schedule_entry_text(m.config, 4, 0), "01 = 23:59 P001");
    EXPECT_EQ(schedule_entry_text(m.config, 4, 2), "03 = 02:00 --- ");
    EXPECT_EQ(schedule_entry_text(m.config, 4, 5), "06 = 05:00 PAS ");
    EXPECT_EQ(schedule_entry_text(m.config, 4, 6), "07 = 06:00 --- ");
    // "PAS" and none chosen with two lines keep their meaning with one line, and the pages
    // the two-line mode could not show come back.
    page[2] = k_page_pas;
    page[3] = k_page_none;
    apply_page_mode(m, 0);
    EXPECT_EQ(schedule_entry_text(m.config, 4, 2), "03 = 02:00 PAS ");
    EXPECT_EQ(schedule_entry_text(m.config, 4, 3), "04 = 03:00 --- ");
    EXPECT_EQ(fields(),
              (std::vector<std::string>{"001", "128", "PAS", "000", "256", "PAS", "000", "000"}));

    EXPECT_EQ(schedule_day_command(m.config, 31), "");
    EXPECT_EQ(schedule_day_command(m.config, -1), "");
}

TEST(ScheduleCommands, DayOffClearsOnlyThatDay)
{
    DeviceConfig c;
    for (auto& day : c.device.schedule_page) day.fill(3);
    schedule_day_off(c, 4);
    for (int d = 0; d < 31; ++d)
        for (int e = 0; e < 24; ++e) EXPECT_EQ(c.device.schedule_page[d][e], d == 4 ? 257 : 3);
}

}  // namespace
}  // namespace velta
