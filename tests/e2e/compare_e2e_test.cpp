// Compares the tool with a simulated device over TCP/IP: the read goes into a second
// configuration, only the checked differences are sent and then verified, the device's values
// can be taken over instead, and the device is kept as a backup before anything is written.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <utility>

#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/paced_run.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/devsim_process.h"
#include "support/wire_capture.h"
#include "ui/device/batch_run_dialog.h"
#include "ui/device/compare_dialog.h"

namespace velta {
namespace {

constexpr int k_run_wait_ms = 120000;

class Compare : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        set_pace_divisor(20);
        // The device differs from the defaults in its hold time, so that what is read shows.
        QFile state(sandbox_.root() + "/device.txt");
        ASSERT_TRUE(state.open(QIODevice::WriteOnly));
        state.write("ADT030\n");
        state.close();
        ASSERT_TRUE(sim_.start({"--listen", "127.0.0.1:0", "--state-in", state.fileName()}));
        ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
        device_before_.device.alarm_hold_time = "030";

        // The tool: three titles, the hold time and one schedule entry of its own.
        DeviceConfig& c = model().config;
        c.pages.page_title[0] = to_cp932(QStringLiteral("比較一"));
        c.pages.page_title[1] = to_cp932(QStringLiteral("比較二"));
        c.pages.page_title[2] = to_cp932(QStringLiteral("比較三"));
        c.device.alarm_hold_time = "045";
        c.device.schedule_hour[4][2] = 13;
        c.device.schedule_minute[4][2] = 45;
        c.device.schedule_page[4][2] = 6;
        tool_ = c;
        boxes_.clear();
    }

    void TearDown() override
    {
        disconnect_all();
        velta::program_context().hooks = {};
        set_pace_divisor(1);
        reset_for_test();
    }

    // Until the run has ended and its result shows.
    bool wait_for_run(CompareDialog& dialog)
    {
        return QTest::qWaitFor([&] { return dialog.compare_button()->isEnabled(); }, k_run_wait_ms);
    }

    void compare(CompareDialog& dialog)
    {
        dialog.show();
        dialog.compare_button()->click();
        ASSERT_TRUE(dialog.run_active());
        ASSERT_TRUE(wait_for_run(dialog));
    }

    static QStringList column(const CompareDialog& dialog, int c)
    {
        QStringList out;
        for (int r = 0; r < dialog.table()->rowCount(); ++r)
            out << dialog.table()->item(r, c)->text();
        return out;
    }

    QStringList backups() const
    {
        return QDir(backup_folder_path()).entryList({"*.dat"}, QDir::Files, QDir::Name);
    }

    DeviceConfig backup_config(const QString& name) const
    {
        const FileResult r =
            load_settings_file(QDir(backup_folder_path()).filePath(name).toStdString());
        EXPECT_EQ(r.status, FileStatus::ok) << r.message;
        return r.config;
    }

    ConfigSandbox sandbox_;  // the backups go beside this velta.ini
    DevSimProcess sim_;
    BoxRecorder boxes_;
    DeviceConfig tool_;
    DeviceConfig device_before_;
};

TEST_F(Compare, SendsOnlyTheCheckedRowsAfterABackupAndVerifiesThem)
{
    CompareDialog dialog;
    compare(dialog);
    EXPECT_EQ(model().config, tool_) << "the read went into what the operator edits";
    EXPECT_EQ(dialog.device_config(), device_before_);
    EXPECT_EQ(column(dialog, 0), (QStringList{"P001 タイトル", "P002 タイトル", "P003 タイトル",
                                              "スケジュール 日05 03", "アラーム 保持時間"}));
    EXPECT_EQ(column(dialog, 2)[4], "030");
    for (int r = 0; r < 5; ++r) EXPECT_EQ(dialog.table()->item(r, 0)->checkState(), Qt::Checked);

    dialog.table()->item(1, 0)->setCheckState(Qt::Unchecked);
    const qsizetype read_commands = sim_.commands().size();
    // The read went at its period; the send and its read-back go as the answers come.
    QTest::mouseClick(dialog.fast_box(), Qt::LeftButton);
    ASSERT_TRUE(dialog.fast_box()->isChecked());
    dialog.send_checked_button()->click();
    ASSERT_TRUE(dialog.run_active());
    ASSERT_TRUE(wait_for_run(dialog)) << dialog.status_label()->text().toStdString();
    EXPECT_EQ(column(dialog, 3), (QStringList{"✓", "", "✓", "✓", "✓"}))
        << dialog.status_label()->text().toStdString();
    EXPECT_EQ(model().config, tool_);

    QStringList writes;
    for (const QString& c : sim_.commands().mid(read_commands))
        if (!c.startsWith('R'))
            writes << c;
    EXPECT_EQ(writes.size(), 4) << writes.join(' ').toStdString();
    EXPECT_TRUE(writes.filter("CA002").isEmpty());

    // The device as read before the send, named in the dialog.
    const QStringList files = backups();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(dialog.backup_label()->text().contains(files[0]));
    EXPECT_EQ(backup_config(files[0]), device_before_);
}

TEST_F(Compare, StopLeavesTheToolAloneAndTakingCopiesOnlyTheCheckedDeviceValues)
{
    CompareDialog dialog;
    dialog.show();
    dialog.compare_button()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.progress()->value() >= 40; }, k_run_wait_ms));
    dialog.stop_button()->click();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_TRUE(dialog.status_label()->text().contains("/ 315）"))
        << dialog.status_label()->text().toStdString();
    QTest::qWait(200);  // answers still on their way go where the read went
    EXPECT_EQ(model().config, tool_);
    EXPECT_EQ(dialog.table()->rowCount(), 0);
    EXPECT_FALSE(dialog.send_checked_button()->isEnabled());

    compare(dialog);
    ASSERT_EQ(dialog.table()->rowCount(), 5);
    dialog.table()->item(4, 0)->setCheckState(Qt::Unchecked);  // the hold time stays the tool's
    dialog.take_button()->click();
    DeviceConfig expected = device_before_;
    expected.device.alarm_hold_time = tool_.device.alarm_hold_time;
    EXPECT_EQ(model().config, expected);
    EXPECT_TRUE(has_unsaved_changes(model().config));
    EXPECT_EQ(column(dialog, 0), QStringList{"アラーム 保持時間"});
    EXPECT_TRUE(backups().isEmpty()) << "nothing was written to the device";
}

TEST_F(Compare, SetAllKeepsTheDeviceAsABackupFirstAndEndsShowingItsResult)
{
    BatchRunDialog dialog(set_all_config());
    dialog.show();
    QTest::mouseClick(dialog.fast_box(), Qt::LeftButton, {}, QPoint(4, 4));
    dialog.start_button()->click();
    ASSERT_TRUE(dialog.run_active());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !dialog.stop_note()->text().isEmpty(); }, k_run_wait_ms))
        << dialog.backup_label()->text().toStdString();
    EXPECT_EQ(dialog.stop_note()->text(), "完了：310 項目を設定しました。");
    EXPECT_TRUE(dialog.isVisible()) << "a fast run ends in a moment: its result stays shown";
    ASSERT_TRUE(
        QTest::qWaitFor([] { return !answer_outstanding(program_context()); }, k_devsim_wait_ms));
    const QStringList taken = sim_.commands();
    ASSERT_EQ(taken.size(), 315 + 310);
    EXPECT_TRUE(taken[314].startsWith('R'));
    EXPECT_TRUE(taken[315].startsWith("CA001"));
    const QStringList files = backups();
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(dialog.backup_label()->text().contains(files[0]));
    EXPECT_EQ(backup_config(files[0]), device_before_);
}

}  // namespace
}  // namespace velta
