// Protects the settings data file: its exact layout, the round trip, the page values in the
// numbers of the saved page mode, and the refusal of a malformed file with the model untouched.
#include "core/model/settings_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/common/file_io.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "support/settings_file_lines.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

void edit_everything()
{
    SettingsModel& m = model();
    for (int i = 0; i < k_page_slots; ++i) {
        const auto s = static_cast<std::size_t>(i);
        m.config.pages.page_title_position[s] = i % 2;
        m.config.pages.page_title[s] = i % 3 == 0 ? "\x88\x9F\x82\xA0" : i % 3 == 1 ? "" : "s";
        m.config.pages.page_auto_switch_time[s] = i % 100;
        m.config.pages.page_char_color[s] = i % 9;
        m.config.pages.page_border_color[s] = 8 - i % 9;
        m.config.pages.page_background_fill[s] = 1 - i % 2;
        m.config.pages.page_char_level[s] = i % 2;
    }
    DeviceSettings& d = m.config.device;
    d.upper_display_offset = 104;
    d.lower_display_offset = 0;
    d.clock_display = 1;
    d.clock_display_range = 7;
    d.clock_display_size = 1;
    d.schedule_hour[30][23] = 5;
    d.schedule_minute[3][4] = 59;
    d.schedule_page[0][0] = 256;
    d.alarm_mode = 1;
    d.alarm_polarity = 1;
    d.alarm_return = 0;
    d.alarm_display = 0;
    d.alarm_hold_time = "999";
    d.connector_assignment[7] = 200;
    d.remote_mode = 2;
    d.connector_input = 1;
    d.power_on_page = k_page_pas;
    d.page_mode = 1;
    d.upper_font_size = 2;
    d.lower_font_size = 0;
    d.video_loss_background = 1;
    d.net_subnet_class = 0;
    d.net_ect = 1;
    d.net_keep_alive = 1;
    d.net_etr = 0;
}

TEST(SettingsFile, DefaultsHaveTheDocumentedLayout)
{
    reset_for_test();
    const std::string text = settings_file_text(model().config);
    const std::vector<std::string> lines = lines_of(text);
    ASSERT_EQ(lines.size(), 4053u);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // CR LF everywhere
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(lines[static_cast<std::size_t>(i)], "1");
        ASSERT_EQ(lines[static_cast<std::size_t>(256 + i)], "s");
    }
    EXPECT_EQ(lines[512], "4");
    EXPECT_EQ(lines[513], "100");
    EXPECT_EQ(lines[514], "3");
    EXPECT_EQ(lines[4053 - 1], "5");  // ETR
    EXPECT_EQ(lines[4053 - 4], "2");  // subnet class
    EXPECT_EQ(lines[4028], "257");    // last schedule page
    EXPECT_EQ(lines[4033], "010");    // hold time
    EXPECT_EQ(lines[4034], "0");      // first connector
}

TEST(SettingsFile, RoundTripIsIdenticalAndAnSTitleComesBackEmpty)
{
    reset_for_test();
    edit_everything();
    const std::string saved = settings_file_text(model().config);
    reset_for_test();
    const SettingsLoad load = apply_settings_text(saved);
    ASSERT_TRUE(load.ok) << load.message;
    EXPECT_EQ(settings_file_text(model().config), saved);
    EXPECT_EQ(model().config.pages.page_title[2], "");  // "s" reads as empty
    EXPECT_EQ(model().config.device.power_on_page, k_page_pas);
    EXPECT_EQ(model().config.device.schedule_page[0][0], k_page_pas);
    EXPECT_EQ(lines_of(saved)[k_power_on_line], "128");  // "PAS" in two-line numbers
    EXPECT_EQ(model().config.device.alarm_hold_time, "999");
}

// Files keep the page mode's own numbers for "PAS" and no entry, as earlier versions wrote
// them; what they meant in the mode saved with them is what the model holds after loading.
TEST(SettingsFile, PageValuesMeanWhatTheyMeantInTheSavedPageMode)
{
    struct Case {
        int mode;
        std::string schedule;  // a schedule page line
        int page;              // the model's value after loading
        std::string saved;     // written again
    };
    const int pas = k_page_pas;
    const int none = k_page_none;
    const Case cases[] = {
        {0, "0", 0, "0"},        {0, "127", 127, "127"},  {0, "128", 128, "128"},
        {0, "129", 129, "129"},  {0, "255", 255, "255"},  {0, "256", pas, "256"},
        {0, "257", none, "257"}, {0, "300", none, "257"}, {1, "127", 127, "127"},
        {1, "128", pas, "128"},  {1, "129", none, "257"}, {1, "130", 130, "130"},
        {1, "255", 255, "255"},  {1, "256", none, "257"}, {1, "257", none, "257"},
    };
    reset_for_test();
    std::vector<std::string> lines = lines_of(settings_file_text(model().config));
    for (const Case& c : cases) {
        lines[k_first_schedule_page_line] = c.schedule;
        lines[k_page_mode_line] = std::to_string(c.mode);
        lines[k_power_on_line] = c.mode == 1 ? "128" : "256";
        std::string text;
        for (const std::string& l : lines) text += l + "\r\n";
        ASSERT_TRUE(apply_settings_text(text).ok);
        EXPECT_EQ(model().config.device.schedule_page[0][0], c.page) << c.mode << " " << c.schedule;
        EXPECT_EQ(model().config.device.power_on_page, pas) << c.mode;
        const std::vector<std::string> saved = lines_of(settings_file_text(model().config));
        EXPECT_EQ(saved[k_first_schedule_page_line], c.saved) << c.mode << " " << c.schedule;
        EXPECT_EQ(saved[k_power_on_line], lines[k_power_on_line]);
    }
    // Pages two-line mode does not have: the schedule sends them as none, the power-on page
    // is page 1 after a change to that mode; neither may come back as "PAS".
    model().config.device.schedule_page[0][0] = 128;
    model().config.device.power_on_page = 128;
    const std::vector<std::string> saved = lines_of(settings_file_text(model().config));
    EXPECT_EQ(saved[k_first_schedule_page_line], "257");
    EXPECT_EQ(saved[k_power_on_line], "0");
}

TEST(SettingsFile, LfOnlyFilesAndAFinalLineWithoutEndRead)
{
    reset_for_test();
    edit_everything();
    std::string text = settings_file_text(model().config);
    std::string lf_only;
    for (char c : text)
        if (c != '\r')
            lf_only += c;
    lf_only.pop_back();  // no line end after the last value
    reset_for_test();
    ASSERT_TRUE(apply_settings_text(lf_only).ok);
    EXPECT_EQ(settings_file_text(model().config), text);
}

TEST(SettingsFile, MalformedFilesAreRefusedWithTheLineAndTheModelUntouched)
{
    reset_for_test();
    const std::string good = settings_file_text(model().config);
    std::vector<std::string> lines = lines_of(good);
    auto join = [](const std::vector<std::string>& ls) {
        std::string out;
        for (const std::string& l : ls) out += l + "\r\n";
        return out;
    };
    struct Case {
        int line;  // 1-based
        std::string value;
    };
    const Case cases[] = {
        {1, "x"},      {1, "2"},      {300, std::string(60, 'a')},
        {514, "1000"}, {515, "-1"},   {4053, "9"},
        {4053, "5x"},  {3300, "1 2"},
    };
    model().config.pages.page_title[0] = "keep";
    for (const Case& c : cases) {
        std::vector<std::string> broken = lines;
        broken[static_cast<std::size_t>(c.line - 1)] = c.value;
        const SettingsLoad load = apply_settings_text(join(broken));
        EXPECT_FALSE(load.ok) << c.line << " " << c.value;
        EXPECT_EQ(load.line, c.line) << load.message;
        EXPECT_NE(load.message.find(std::to_string(c.line) + " 行目"), std::string::npos);
        EXPECT_EQ(model().config.pages.page_title[0], "keep");
    }
    lines.pop_back();
    SettingsLoad short_file = apply_settings_text(join(lines));
    EXPECT_FALSE(short_file.ok);
    EXPECT_EQ(short_file.line, 4053);
    lines.push_back("5");
    lines.push_back("7");
    EXPECT_EQ(apply_settings_text(join(lines)).line, 4054);
    EXPECT_EQ(model().config.pages.page_title[0], "keep");
}

// Earlier versions saved whatever a reply or an edit had put in the model. Such a file must
// still load: each value no command can carry reads as its default (a title the device cannot
// take reads blank), and the lines are named; a hold time typed as "30" is the device's "030".
TEST(SettingsFile, ValuesNoCommandCarriesReadAsDefaultsWithTheirLinesNamed)
{
    reset_for_test();
    const std::vector<std::string> lines = lines_of(settings_file_text(model().config));
    struct Case {
        std::size_t line;  // 1-based
        std::string value;
    };
    const Case cases[] = {
        {258, "ABC"},  // half-width letters
        {513, "999"},  {771, "9"},   {1796, "8"},   {1798, "99"}, {2542, "60"},
        {4034, "002"}, {4035, "-1"}, {4045, "998"}, {4053, "8"},
    };
    std::vector<std::string> old = lines;
    std::vector<std::size_t> named;
    for (const Case& c : cases) {
        old[c.line - 1] = c.value;
        named.push_back(c.line);
    }
    const SettingsLoad load = parse_settings_file(text_of_lines(old));
    ASSERT_TRUE(load.ok) << load.message;
    EXPECT_EQ(load.defaulted_lines, named);
    EXPECT_TRUE(load.config == DeviceConfig{});
    const std::string path =
        (std::filesystem::temp_directory_path() / "velta_settings_defaults.dat").string();
    ASSERT_TRUE(write_file_atomically(path, text_of_lines(old)));
    const FileResult opened = load_settings_file(path);
    std::filesystem::remove(path);
    EXPECT_EQ(opened.status, FileStatus::ok);
    EXPECT_TRUE(
        opened.warning.starts_with("設定ファイルの 258, 513, 771, 1796, 1798, 2542, 4034, "
                                   "4035, 4045, 4053 行目"))
        << opened.warning;

    // A value beyond anything a file held is still a malformed line.
    old[770] = "10";
    EXPECT_EQ(parse_settings_file(text_of_lines(old)).line, 771);

    std::vector<std::string> typed = lines;
    typed[4033] = "30";
    const SettingsLoad hold = parse_settings_file(text_of_lines(typed));
    ASSERT_TRUE(hold.ok);
    EXPECT_TRUE(hold.defaulted_lines.empty());
    EXPECT_EQ(hold.config.device.alarm_hold_time, "030");
}

TEST(SettingsFile, SavesAreAtomicAndFailuresLeaveTheOldFile)
{
    const auto dir = std::filesystem::temp_directory_path() / "velta_settings_file_test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "a.dat").string();
    reset_for_test();
    ASSERT_TRUE(save_settings_file(path, model().config));
    const std::string first = *read_file_bytes(path);
    model().config.pages.page_title[0] = "\x88\x9F";
    EXPECT_FALSE(save_settings_file((dir / "missing" / "b.dat").string(), model().config));
    EXPECT_FALSE(write_file_atomically(dir.string() + "/", "x"));
    EXPECT_EQ(*read_file_bytes(path), first);
    ASSERT_TRUE(save_settings_file(path, model().config));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir),
                            std::filesystem::directory_iterator()),
              1);  // no temporary left behind
    reset_for_test();
    const FileResult loaded = load_settings_file(path);
    EXPECT_EQ(loaded.status, FileStatus::ok);
    EXPECT_EQ(loaded.config.pages.page_title[0], "\x88\x9F");
    EXPECT_EQ(load_settings_file((dir / "none.dat").string()).status, FileStatus::cannot_open);
    std::filesystem::remove_all(dir);
}

TEST(FileNames, ExtensionRule)
{
    EXPECT_EQ(complete_extension("settings", ".dat"), "settings.dat");
    EXPECT_EQ(complete_extension("settings.dat", ".dat"), "settings.dat");
    EXPECT_EQ(complete_extension("a.dat.old", ".dat"), "a.dat.old");
    EXPECT_EQ(complete_extension(".dat", ".dat"), ".dat.dat");  // not after the first character
    // In any case, and in the file's own name only.
    EXPECT_EQ(complete_extension("A.DAT", ".dat"), "A.DAT");
    EXPECT_EQ(complete_extension("UP.Tll", ".tll"), "UP.Tll");
    EXPECT_EQ(complete_extension("old.dat/new", ".dat"), "old.dat/new.dat");
    EXPECT_EQ(complete_extension("C:\\x.bmp\\shot", ".bmp"), "C:\\x.bmp\\shot.bmp");
}

}  // namespace
}  // namespace velta
