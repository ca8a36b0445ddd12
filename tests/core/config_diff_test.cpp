// The device configuration as a value: its field-level differences (what each row says and the
// order of a set-all run) and the settings data file reading back the value it was written from.
#include "core/device/config_diff.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/model/settings_file.h"
#include "core/model/settings_model.h"

namespace velta {
namespace {

std::vector<std::string> keys_of(const std::vector<ConfigDifference>& rows)
{
    std::vector<std::string> keys;
    for (const ConfigDifference& r : rows) keys.push_back(r.key);
    return keys;
}

TEST(ConfigDiff, AnUnchangedCopyDiffersInNothing)
{
    DeviceConfig a;
    a.pages.page_title[7] = "ABC";
    a.device.schedule_page[4][2] = k_page_pas;
    a.device.alarm_hold_time = "045";
    const DeviceConfig b = a;
    EXPECT_EQ(a, b);
    EXPECT_TRUE(diff(a, b).empty());
    EXPECT_FALSE(diff(DeviceConfig{}, a).empty());
}

TEST(ConfigDiff, EachKindOfItemGivesItsOwnRow)
{
    struct Case {
        std::function<void(DeviceConfig&)> change;
        ConfigDifference row;
    };
    const std::vector<Case> cases{
        {[](DeviceConfig& c) { c.pages.page_title[2] = "ABC"; },
         {"title.003", "P003 タイトル", "", "ABC"}},
        {[](DeviceConfig& c) { c.pages.page_char_color[4] = 1; },
         {"char_color.005", "P005 文字色", "白", "赤"}},
        {[](DeviceConfig& c) { c.pages.page_auto_switch_time[255] = 12; },
         {"auto_switch.256", "P256 時間（秒）", "3", "12"}},
        {[](DeviceConfig& c) { c.device.schedule_page[4][2] = 16; },
         {"schedule.05.03", "スケジュール 日05 03", "02:00 ---", "02:00 017"}},
        {[](DeviceConfig& c) { c.device.schedule_minute[30][23] = 5; },
         {"schedule.31.24", "スケジュール 日31 24", "23:00 ---", "23:05 ---"}},
        {[](DeviceConfig& c) { c.device.alarm_hold_time = "045"; },
         {"alarm.hold_time", "アラーム 保持時間", "010", "045"}},
        {[](DeviceConfig& c) { c.device.alarm_polarity = 1; },
         {"alarm.polarity", "アラーム 入力極性", "Make ", "Break"}},
        {[](DeviceConfig& c) { c.device.connector_assignment[7] = 199; },
         {"alarm.connector.8", "コネクター番号割り付け No.8", "008", "200"}},
        {[](DeviceConfig& c) { c.device.power_on_page = k_page_pas; },
         {"other.power_on_page", "電源投入時ページ", "001", "PAS"}},
        {[](DeviceConfig& c) { c.device.clock_display_range = 7; },
         {"clock.range", "日付＆時刻 表示範囲", "年月日時分秒", "　　　時分　"}},
        {[](DeviceConfig& c) { c.device.net_keep_alive = 1; },
         {"network.keep_alive", "Keep Alive", "OFF", "ON "}},
    };
    for (const Case& c : cases) {
        DeviceConfig b;
        c.change(b);
        EXPECT_EQ(diff(DeviceConfig{}, b), std::vector<ConfigDifference>{c.row}) << c.row.key;
        // Taking the item of the row copies exactly that change; another item's key nothing.
        EXPECT_EQ(take_items(DeviceConfig{}, b, {c.row.key}), b) << c.row.key;
        EXPECT_EQ(take_items(DeviceConfig{}, b, {"title.200"}), DeviceConfig{}) << c.row.key;
    }

    // In two-line mode the lists labelled by slot name the line, the numbered ones the number.
    DeviceConfig a;
    a.device.page_mode = 1;
    DeviceConfig b = a;
    b.pages.page_title[3] = "X";
    b.pages.page_title_position[3] = 0;
    EXPECT_EQ(diff(a, b), (std::vector<ConfigDifference>{
                              {"title.004", "P002B タイトル", "", "X"},
                              {"title_position.004", "P004 表示位置", "下", "上"},
                          }));
}

TEST(ConfigDiff, RowsComeInTheSetAllOrder)
{
    DeviceConfig b;
    b.device.net_etr = 0;
    b.pages.page_title_position[0] = 0;
    b.device.remote_mode = 2;
    b.device.lower_display_offset = 7;
    b.pages.page_border_color[0] = 1;
    b.pages.page_char_color[0] = 1;
    b.device.clock_display = 1;
    b.device.alarm_mode = 1;
    b.device.schedule_hour[0][0] = 9;
    b.pages.page_title[255] = "Z";
    b.pages.page_title[0] = "A";
    EXPECT_EQ(keys_of(diff(DeviceConfig{}, b)),
              (std::vector<std::string>{"title.001", "title.256", "schedule.01.01", "alarm.mode",
                                        "clock.display", "char_color.001", "border_color.001",
                                        "other.lower_display_offset", "remote.mode",
                                        "title_position.001", "network.time_register"}));
}

// Trailing full-width blanks are the padding of the title command: the device gives the title
// back without them, and that is no difference. Titles it cannot take still differ as text.
TEST(ConfigDiff, TitlesAreComparedAsTheyAreSent)
{
    DeviceConfig tool;
    DeviceConfig device;
    tool.pages.page_title[0] = "\x88\x9F\x81\x40\x81\x40";
    device.pages.page_title[0] = "\x88\x9F";
    tool.pages.page_title[1] = "AB ";
    device.pages.page_title[1] = "AB";
    EXPECT_EQ(keys_of(diff(tool, device)), std::vector<std::string>{"title.002"});
}

TEST(ConfigDiff, ASettingsFileReadsBackTheConfigurationItWasWrittenFrom)
{
    for (const int page_mode : {0, 1}) {
        DeviceConfig c;
        c.device.page_mode = page_mode;
        c.pages.page_title[0] = "\x88\x9F";
        c.pages.page_char_level[200] = 0;
        c.device.schedule_page[0][0] = k_page_pas;
        c.device.schedule_page[30][23] = 100;
        c.device.power_on_page = k_page_pas;
        c.device.alarm_hold_time = "005";  // as the device holds it
        c.device.net_subnet_class = 0;
        const SettingsLoad load = parse_settings_file(settings_file_text(c));
        ASSERT_TRUE(load.ok) << load.message;
        EXPECT_EQ(load.config, c) << keys_of(diff(c, load.config)).size();
    }
}

}  // namespace
}  // namespace velta
