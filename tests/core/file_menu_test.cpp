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
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
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

TEST_F(FileMenu, NewAsksOnlyWithUnsavedDataAndKeepsTheFileName)
{
    SettingsModel& m = model();
    document().file_name = path("kept.dat");
    m.config.pages.page_title[3] = "ABC";

    boxes_.answer_next(BoxAnswer::no);
    file_new();
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, k_text_new_unsaved);
    EXPECT_EQ(boxes_.boxes()[0].caption, "VELTA");
    EXPECT_EQ(boxes_.boxes()[0].buttons, BoxButtons::yes_no);
    EXPECT_EQ(m.config.pages.page_title[3], "ABC");  // No keeps everything

    boxes_.answer_next(BoxAnswer::yes);
    file_new();
    EXPECT_EQ(m.config.pages.page_title[3], "");
    EXPECT_FALSE(has_unsaved_changes());
    EXPECT_EQ(document().file_name, path("kept.dat"));

    // Clean data: no question at all.
    boxes_.clear();
    m.config.pages.page_title[3] = "XYZ";
    m.config.pages.page_title[3] = "";
    file_new();
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(FileMenu, NewAndOpenAreIgnoredWhileABatchRuns)
{
    SettingsModel& m = model();
    run_activity().settings_run = true;
    m.config.pages.page_title[0] = "RUN";
    file_new();
    file_open(chooser({path("any.dat")}));
    EXPECT_TRUE(boxes_.boxes().empty());
    EXPECT_TRUE(modes_.empty());
    EXPECT_EQ(m.config.pages.page_title[0], "RUN");
}

TEST_F(FileMenu, SaveWithoutAFileSaysSoAndSaveAsCompletesTheExtension)
{
    SettingsModel& m = model();
    m.config.device.clock_display = 1;
    EXPECT_FALSE(file_save());
    EXPECT_EQ(boxes_.last_text(), k_text_no_file);
    EXPECT_EQ(boxes_.boxes().back().kind, BoxKind::warning);
    EXPECT_TRUE(has_unsaved_changes());

    ASSERT_TRUE(file_save_as(chooser({path("plain")})));
    ASSERT_EQ(modes_, std::vector<FileDialogMode>{FileDialogMode::save});
    EXPECT_EQ(document().file_name, path("plain.dat"));
    EXPECT_FALSE(has_unsaved_changes());
    EXPECT_EQ(read(path("plain.dat")), settings_file_text(model().config));
    EXPECT_FALSE(fs::exists(path("plain")));

    // ".dat" anywhere after the first character keeps the name as chosen.
    ASSERT_TRUE(file_save_as(chooser({path("week.dat.bak")})));
    EXPECT_EQ(document().file_name, path("week.dat.bak"));
    // The rule looks at the file's own name, not at the folders above it.
    fs::create_directories(dir_ / "old.data");
    ASSERT_TRUE(file_save_as(chooser({path("old.data/new")})));
    EXPECT_EQ(document().file_name, path("old.data/new.dat"));
}

TEST_F(FileMenu, SaveAsThatCannotWriteKeepsTheFileNameAndCancelSaysNothing)
{
    SettingsModel& m = model();
    document().file_name = path("first.dat");
    m.config.device.alarm_polarity = 1;
    EXPECT_FALSE(file_save_as(chooser({path("missing/folder/x.dat")})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_EQ(document().file_name, path("first.dat"));
    EXPECT_TRUE(has_unsaved_changes());

    boxes_.clear();
    EXPECT_FALSE(file_save_as(chooser({std::nullopt})));
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

    // The operator declines to drop the edits: no file dialog.
    boxes_.answer_next(BoxAnswer::no);
    file_open(chooser({path("good.dat")}));
    EXPECT_EQ(boxes_.last_text(), k_text_open_unsaved);
    EXPECT_TRUE(modes_.empty());

    boxes_.clear();
    file_open(chooser({path("short.dat")}));
    ASSERT_EQ(boxes_.boxes().size(), 2u);  // the question, then the loader's message
    EXPECT_EQ(boxes_.boxes()[1].kind, BoxKind::warning);
    EXPECT_NE(boxes_.boxes()[1].text.find("301"), std::string::npos) << boxes_.boxes()[1].text;
    EXPECT_EQ(m.config.pages.page_title[7], "EDITED");
    EXPECT_EQ(document().file_name, path("before.dat"));
    EXPECT_TRUE(has_unsaved_changes());

    boxes_.clear();
    file_open(chooser({path("nowhere.dat")}));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_EQ(document().file_name, path("before.dat"));

    file_open(chooser({path("good.dat")}));
    EXPECT_EQ(m.config.pages.page_title[7], "\x88\x9F");
    EXPECT_EQ(m.config.device.alarm_hold_time, "123");
    EXPECT_EQ(document().file_name, path("good.dat"));
    EXPECT_FALSE(has_unsaved_changes());
    EXPECT_EQ(modes_.back(), FileDialogMode::open);
}

TEST_F(FileMenu, AFolderOrAnOversizedFileIsRefusedWithTheReasonAndAFailedSaveSaysWhy)
{
    SettingsModel& m = model();
    m.config.pages.page_title[7] = "EDITED";
    mark_config_saved();  // saved, so Open asks nothing
    for (const RefusedFile& r : make_refused_files(dir_, ".dat", k_settings_file_max_bytes)) {
        boxes_.clear();
        file_open(chooser({r.path}));
        ASSERT_EQ(boxes_.boxes().size(), 1u) << r.path;
        EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
        EXPECT_EQ(boxes_.boxes().back().detail, r.reason);
        EXPECT_EQ(m.config.pages.page_title[7], "EDITED");
        EXPECT_TRUE(document().file_name.empty());
    }

    boxes_.clear();
    EXPECT_FALSE(file_save_as(chooser({path("folder.dat")})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);
    EXPECT_FALSE(boxes_.boxes().back().detail.empty());
}

TEST_F(FileMenu, NewAfterOpenThenSaveOverwritesTheOpenedFileWithDefaults)
{
    SettingsModel& m = model();
    m.config.pages.page_title[0] = "\x82\xA0";
    ASSERT_TRUE(save_settings_file(path("a.dat"), model().config));
    reset_for_test();
    file_open(chooser({path("a.dat")}));
    ASSERT_EQ(m.config.pages.page_title[0], "\x82\xA0");
    file_new();
    ASSERT_TRUE(file_save());
    reset_for_test();
    const std::string defaults = settings_file_text(model().config);
    EXPECT_EQ(read(path("a.dat")), defaults);
}

TEST_F(FileMenu, ExitIsRefusedWhileConnectedAndSavesUnsavedDataFirst)
{
    SettingsModel& m = model();
    link_status().socket_connected = 1;
    m.config.device.remote_mode = 1;
    EXPECT_FALSE(exit_allowed(chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_disconnect_first);
    EXPECT_EQ(boxes_.boxes().back().kind, BoxKind::error);
    EXPECT_EQ(boxes_.boxes().size(), 1u);  // no save question while connected

    link_status().socket_connected = 0;
    boxes_.clear();
    // Yes: end without saving.
    boxes_.answer_next(BoxAnswer::yes);
    EXPECT_TRUE(exit_allowed(chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_exit_unsaved);
    EXPECT_TRUE(modes_.empty());

    // No with a file in use: saved there.
    document().file_name = path("in_use.dat");
    m.config.pages.page_title[1] = "KEEP";
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(exit_allowed(chooser({})));
    EXPECT_EQ(read(path("in_use.dat")), settings_file_text(model().config));
    EXPECT_FALSE(has_unsaved_changes());

    // Nothing unsaved: no question.
    boxes_.clear();
    EXPECT_TRUE(exit_allowed(chooser({})));
    EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(FileMenu, ExitStaysOpenWhenTheOfferedSaveIsCancelledOrFails)
{
    model().config.device.schedule_minute[4][2] = 30;
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_FALSE(exit_allowed(chooser({std::nullopt})));
    EXPECT_TRUE(has_unsaved_changes());

    document().file_name = path("gone/folder/x.dat");
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_FALSE(exit_allowed(chooser({})));
    EXPECT_EQ(boxes_.last_text(), k_text_cannot_open);

    // Save As from the exit path, with the extension completed.
    document().file_name.clear();
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(exit_allowed(chooser({path("last")})));
    EXPECT_TRUE(fs::exists(path("last.dat")));
    EXPECT_EQ(document().file_name, path("last.dat"));
}

}  // namespace
}  // namespace velta
