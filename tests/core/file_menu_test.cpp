// Protects the File menu flows: the questions before dropping unsaved data, the batch guard,
// the file name kept and changed, the extension rule, refused files, and the exit checks.
#include "core/device/file_menu.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/file_io.h"
#include "core/common/run_activity.h"
#include "core/common/save_target.h"
#include "core/glyphs/glyph_bmp.h"
#include "core/glyphs/glyph_derive.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_state.h"
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/refused_files.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

namespace fs = std::filesystem;

class FileMenu : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("velta_file_menu_" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    // A chooser that hands out the given answers in turn and records the modes asked for.
    SettingsFileChooser chooser(std::vector<std::optional<std::string>> answers)
    {
        return [this, answers = std::move(answers)](FileDialogMode mode) mutable {
            modes_.push_back(mode);
            if (answers.empty())
                return std::optional<std::string>();
            auto a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
    }

    static std::string read(const std::string& p)
    {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    WireCapture wire_;
    BoxRecorder boxes_;
    fs::path dir_;
    std::vector<FileDialogMode> modes_;
};

TEST_F(FileMenu, NewAsksOnlyWithUnsavedDataAndLeavesAnUntitledDocument)
{
    SettingsModel& m = model();
    document().file_name = path("kept.dat");
    m.config.pages.page_title[3] = "ABC";

    boxes_.answer_next(BoxAnswer::cancel);
    file_new(program_context());
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, k_text_new_unsaved);
    EXPECT_EQ(boxes_.boxes()[0].caption, "VELTA");
    EXPECT_EQ(boxes_.boxes()[0].buttons, BoxButtons::yes_no_cancel);
    EXPECT_EQ(boxes_.boxes()[0].default_answer, BoxAnswer::no);
    EXPECT_EQ(m.config.pages.page_title[3], "ABC");  // キャンセル keeps everything

    boxes_.answer_next(BoxAnswer::yes);
    file_new(program_context());
    EXPECT_EQ(m.config.pages.page_title[3], "");
    EXPECT_FALSE(has_unsaved_changes(model().config));
    EXPECT_TRUE(document().file_name.empty());

    // Clean data: no question at all.
    boxes_.clear();
    m.config.pages.page_title[3] = "XYZ";
    m.config.pages.page_title[3] = "";
    file_new(program_context());
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(FileMenu, NewAndOpenAreIgnoredWhileABatchRuns)
{
    SettingsModel& m = model();
    run_activity().settings_run = true;
    m.config.pages.page_title[0] = "RUN";
    file_new(program_context());
    file_open(program_context(), chooser({path("any.dat")}));
    EXPECT_TRUE(boxes_.boxes().empty());
    EXPECT_TRUE(modes_.empty());
    EXPECT_EQ(m.config.pages.page_title[0], "RUN");
}

TEST_F(FileMenu, SaveWithoutAFileIsSaveAsAndSaveAsCompletesTheExtension)
{
    SettingsModel& m = model();
    m.config.device.clock_display = 1;
    ASSERT_TRUE(file_save(program_context(), chooser({path("plain")})));
    EXPECT_TRUE(boxes_.boxes().empty());
    ASSERT_EQ(modes_, std::vector<FileDialogMode>{FileDialogMode::save});
    EXPECT_EQ(document().file_name, path("plain.dat"));
    EXPECT_FALSE(has_unsaved_changes(model().config));
    EXPECT_EQ(read(path("plain.dat")), settings_file_text(model().config));
    EXPECT_FALSE(fs::exists(path("plain")));

    // ".dat" anywhere after the first character keeps the name as chosen.
    ASSERT_TRUE(file_save_as(program_context(), chooser({path("week.dat.bak")})));
    EXPECT_EQ(document().file_name, path("week.dat.bak"));
    // The rule looks at the file's own name, not at the folders above it.
    fs::create_directories(dir_ / "old.data");
    ASSERT_TRUE(file_save_as(program_context(), chooser({path("old.data/new")})));
    EXPECT_EQ(document().file_name, path("old.data/new.dat"));
}

TEST_F(FileMenu, SaveAsThatCannotWriteKeepsTheFileNameAndCancelSaysNothing)
{
    SettingsModel& m = model();
    document().file_name = path("first.dat");
    m.config.device.alarm_polarity = 1;
    EXPECT_FALSE(file_save_as(program_context(), chooser({path("missing/folder/x.dat")})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_EQ(document().file_name, path("first.dat"));
    EXPECT_TRUE(has_unsaved_changes(model().config));

    boxes_.clear();
    EXPECT_FALSE(file_save_as(program_context(), chooser({std::nullopt})));
    EXPECT_TRUE(boxes_.boxes().empty());
    EXPECT_EQ(document().file_name, path("first.dat"));
}

TEST_F(FileMenu, OpenLoadsTheFileAndAFaultyFileChangesNothing)
{
    SettingsModel& m = model();
    m.config.pages.page_title[7] = "\x88\x9F";  // a title the device takes
    m.config.device.alarm_hold_time = "123";
    ASSERT_TRUE(save_settings_file(path("good.dat"), model().config));
    // A file cut short after a few lines.
    const std::string text = settings_file_text(model().config);
    std::size_t cut = 0;
    for (int i = 0; i < 300; ++i) cut = text.find('\n', cut) + 1;
    ASSERT_TRUE(write_file_atomically(path("short.dat"), text.substr(0, cut)));

    reset_for_test();
    document().file_name = path("before.dat");
    m.config.pages.page_title[7] = "EDITED";

    // The operator keeps the edits: no file dialog.
    boxes_.answer_next(BoxAnswer::cancel);
    file_open(program_context(), chooser({path("good.dat")}));
    EXPECT_EQ(boxes_.last_text(), k_text_open_unsaved);
    EXPECT_TRUE(modes_.empty());

    boxes_.clear();
    file_open(program_context(), chooser({path("short.dat")}));
    ASSERT_EQ(boxes_.boxes().size(), 2u);  // the question, then the loader's message
    EXPECT_EQ(boxes_.boxes()[1].kind, BoxKind::warning);
    EXPECT_NE(boxes_.boxes()[1].text.find("301"), std::string::npos) << boxes_.boxes()[1].text;
    EXPECT_EQ(m.config.pages.page_title[7], "EDITED");
    EXPECT_EQ(document().file_name, path("before.dat"));
    EXPECT_TRUE(has_unsaved_changes(model().config));

    boxes_.clear();
    file_open(program_context(), chooser({path("nowhere.dat")}));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_EQ(document().file_name, path("before.dat"));

    file_open(program_context(), chooser({path("good.dat")}));
    EXPECT_EQ(m.config.pages.page_title[7], "\x88\x9F");
    EXPECT_EQ(m.config.device.alarm_hold_time, "123");
    EXPECT_EQ(document().file_name, path("good.dat"));
    EXPECT_FALSE(has_unsaved_changes(model().config));
    EXPECT_EQ(modes_.back(), FileDialogMode::open);
}

TEST_F(FileMenu, AFolderOrAnOversizedFileIsRefusedWithTheReasonAndAFailedSaveSaysWhy)
{
    SettingsModel& m = model();
    m.config.pages.page_title[7] = "EDITED";
    mark_config_saved(model().config);  // saved, so Open asks nothing
    for (const RefusedFile& r : make_refused_files(dir_, ".dat", k_settings_file_max_bytes)) {
        boxes_.clear();
        file_open(program_context(), chooser({r.path}));
        ASSERT_EQ(boxes_.boxes().size(), 1u) << r.path;
        EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
        EXPECT_EQ(boxes_.boxes().back().detail, r.reason);
        EXPECT_EQ(m.config.pages.page_title[7], "EDITED");
        EXPECT_TRUE(document().file_name.empty());
    }

    boxes_.clear();
    EXPECT_FALSE(file_save_as(program_context(), chooser({path("folder.dat")})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_FALSE(boxes_.boxes().back().detail.empty());
}

TEST_F(FileMenu, NewAfterOpenThenSaveAsksForANameAndLeavesTheOpenedFile)
{
    SettingsModel& m = model();
    m.config.pages.page_title[0] = "\x82\xA0";
    ASSERT_TRUE(save_settings_file(path("a.dat"), model().config));
    const std::string opened = read(path("a.dat"));
    reset_for_test();
    file_open(program_context(), chooser({path("a.dat")}));
    ASSERT_EQ(m.config.pages.page_title[0], "\x82\xA0");
    file_new(program_context());
    EXPECT_FALSE(file_save(program_context(), chooser({std::nullopt})));
    EXPECT_EQ(modes_.back(), FileDialogMode::save);
    EXPECT_EQ(read(path("a.dat")), opened);
}

TEST_F(FileMenu, ExitIsRefusedWhileConnectedAndSavesUnsavedDataFirst)
{
    SettingsModel& m = model();
    link_status().socket_connected = 1;
    m.config.device.remote_mode = 1;
    EXPECT_FALSE(exit_allowed(program_context(), chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_disconnect_first);
    EXPECT_EQ(boxes_.boxes().back().kind, BoxKind::error);
    EXPECT_EQ(boxes_.boxes().size(), 1u);  // no save question while connected

    link_status().socket_connected = 0;
    boxes_.clear();
    // Yes: end without saving.
    boxes_.answer_next(BoxAnswer::yes);
    EXPECT_TRUE(exit_allowed(program_context(), chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_exit_unsaved);
    EXPECT_TRUE(modes_.empty());

    // No with a file in use: saved there.
    document().file_name = path("in_use.dat");
    m.config.pages.page_title[1] = "KEEP";
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(exit_allowed(program_context(), chooser({})));
    EXPECT_EQ(read(path("in_use.dat")), settings_file_text(model().config));
    EXPECT_FALSE(has_unsaved_changes(model().config));

    // Nothing unsaved: no question.
    boxes_.clear();
    EXPECT_TRUE(exit_allowed(program_context(), chooser({})));
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(FileMenu, ExitStaysOpenWhenTheOfferedSaveIsCancelledOrFails)
{
    model().config.device.schedule_minute[4][2] = 30;
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_FALSE(exit_allowed(program_context(), chooser({std::nullopt})));
    EXPECT_TRUE(has_unsaved_changes(model().config));

    document().file_name = path("gone/folder/x.dat");
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_FALSE(exit_allowed(program_context(), chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);

    // Save As from the exit path, with the extension completed.
    document().file_name.clear();
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(exit_allowed(program_context(), chooser({path("last")})));
    EXPECT_TRUE(fs::exists(path("last.dat")));
    EXPECT_EQ(document().file_name, path("last.dat"));
}

TEST_F(FileMenu, NewResetsTheDeviceConfigurationButNotTheLink)
{
    link_settings().interface = Interface::tcp;
    link_status().socket_connected = 1;
    model().extras.port_number = "10001";  // the link's port, from velta.ini
    model().extras.net_ip_address = {10, 0, 0, 5};
    model().config.device.alarm_mode = 1;
    mark_config_saved(model().config);
    ASSERT_TRUE(file_new(program_context()));
    EXPECT_EQ(model().config.device.alarm_mode, 0);
    EXPECT_EQ(model().extras.net_ip_address, IpAddress{});
    EXPECT_EQ(model().extras.port_number, "10001");
    EXPECT_EQ(link_status().socket_connected, 1);
    // The link is still up, so the exit is still refused.
    EXPECT_FALSE(exit_allowed(program_context(), chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_disconnect_first);
}

TEST_F(FileMenu, NewOpenAndExitNameWhatIsUnsavedAndTheExitSavesEachPart)
{
    // A large glyph drawn, the other sizes derived from it, only the large list saved.
    std::ranges::fill(glyph_slot(model().glyphs, GlyphSize::large, 0).first(576), 'F');
    create_other_sizes(model().glyphs, GlyphSize::large, 0, std::string(576, 'F'));
    ASSERT_TRUE(glyph_file_save_as(program_context(), GlyphSize::large,
                                   [&] { return std::optional<std::string>(path("big")); }));
    model().config.device.alarm_mode = 1;
    const std::string all = "保存されていないデータ：設定データ、外字中文字、外字小文字";

    boxes_.answer_next(BoxAnswer::cancel);
    EXPECT_FALSE(file_new(program_context()));
    EXPECT_EQ(boxes_.boxes().back().detail, all);
    EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::small, 0)[0], 'F');
    // Open replaces only the settings, so it asks only about them.
    boxes_.answer_next(BoxAnswer::cancel);
    EXPECT_FALSE(file_open(program_context(), chooser({})));
    EXPECT_EQ(boxes_.boxes().back().detail, "保存されていないデータ：設定データ");

    std::vector<std::optional<std::string>> glyph_names = {path("m"), std::nullopt, path("s")};
    std::vector<GlyphSize> glyph_asked;
    const GlyphSaveChooser glyph_choose = [&](GlyphSize size) {
        glyph_asked.push_back(size);
        auto name = glyph_names.front();
        glyph_names.erase(glyph_names.begin());
        return name;
    };
    // いいえ, the default: each part is saved in turn; the small list's dialog is cancelled,
    // so the program stays.
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_FALSE(exit_allowed(program_context(), {chooser({path("site")}), glyph_choose}));
    const Box& asked = boxes_.boxes().back();
    EXPECT_EQ(asked.text, k_text_exit_unsaved);
    EXPECT_EQ(asked.detail, all);
    EXPECT_EQ(asked.buttons, BoxButtons::yes_no_cancel);
    EXPECT_EQ(asked.default_answer, BoxAnswer::no);
    EXPECT_TRUE(fs::exists(path("site.dat")));
    EXPECT_EQ(fs::file_size(path("m.tlm")), 122880u);
    EXPECT_EQ(glyph_asked, (std::vector<GlyphSize>{GlyphSize::medium, GlyphSize::small}));

    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(exit_allowed(program_context(), {chooser({}), glyph_choose}));
    EXPECT_EQ(boxes_.boxes().back().detail, "保存されていないデータ：外字小文字");
    EXPECT_TRUE(fs::exists(path("s.tls")));
    EXPECT_FALSE(unsaved_data(model()).any());
}

TEST_F(FileMenu, EverySaveTakesAnUpperCaseExtensionAndAsksAboutTheFileItWillWrite)
{
    using Save = std::function<bool(const std::string&)>;
    const std::vector<std::pair<std::string, Save>> saves = {
        {"UP.DAT",
         [&](const std::string& p) { return file_save_as(program_context(), chooser({p})); }},
        {"UP.TLM",
         [](const std::string& p) {
             return glyph_file_save_as(program_context(), GlyphSize::medium,
                                       [p] { return std::optional<std::string>(p); });
         }},
        {"UP.BMP",
         [](const std::string& p) {
             return export_glyph_bmp(link_status(), GlyphSize::small, 1, "BM",
                                     [p](const std::string&, const std::string&) {
                                         return std::optional<std::string>(p);
                                     });
         }},
    };
    for (const auto& [name, save] : saves) {
        ASSERT_TRUE(write_file_atomically(path(name), "old"));
        boxes_.clear();
        boxes_.answer_next(BoxAnswer::no);
        EXPECT_FALSE(save(path(name))) << name;
        ASSERT_EQ(boxes_.boxes().size(), 1u) << name;
        EXPECT_EQ(boxes_.last_text(), name + std::string(k_text_overwrite_suffix));
        EXPECT_EQ(boxes_.boxes().back().default_answer, BoxAnswer::no) << name;
        EXPECT_EQ(read(path(name)), "old") << name;

        boxes_.answer_next(BoxAnswer::yes);
        EXPECT_TRUE(save(path(name))) << name;
        EXPECT_NE(read(path(name)), "old") << name;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
            << name << ": written under another name";
        fs::remove(path(name));
    }
}

}  // namespace
}  // namespace velta
