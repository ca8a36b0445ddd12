// Protects the compare dialog after a send (the read-back shows, the operator's checks stay,
// taking counts only what still differs) and the restore from a backup: the backups of the
// device in use, newest first, and the chosen one opened as the configuration to send.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <chrono>

#include "core/device/device_compare.h"
#include "core/model/settings_backup.h"
#include "core/model/settings_model.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/wire_capture.h"
#include "ui/device/compare_dialog.h"
#include "ui/device/restore_dialog.h"

namespace velta {
namespace {

QStringList column(const QTableWidget* table, int c)
{
    QStringList out;
    for (int r = 0; r < table->rowCount(); ++r) out << table->item(r, c)->text();
    return out;
}

void click_cell(QTableWidget* table, int row)
{
    const QRect cell = table->visualItemRect(table->item(row, 0));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
}

TEST(CompareAfterSend, ShowsTheReadBackKeepsTheChecksAndTakesOnlyWhatStillDiffers)
{
    WireCapture wire;
    BoxRecorder boxes;
    DeviceConfig& tool = model().config;
    tool.pages.page_title[0] = "\x88\x9F";  // 亜
    tool.pages.page_title[1] = "\x82\xA0";  // あ
    tool.pages.page_title[2] = "\x82\xA2";  // い
    tool.device.alarm_hold_time = "045";
    DeviceConfig device;
    device.device.alarm_hold_time = "030";

    CompareDialog dialog;
    dialog.compared(device);
    QTableWidget* table = dialog.table();
    ASSERT_EQ(table->rowCount(), 4);
    table->item(1, 0)->setCheckState(Qt::Unchecked);  // the device keeps its P002

    // What the read-back found: the hold time and P001 taken, P003 refused by the device.
    DeviceConfig read_back = device;
    read_back.pages.page_title[0] = tool.pages.page_title[0];
    read_back.device.alarm_hold_time = "045";
    dialog.verified(read_back);
    EXPECT_EQ(column(table, 2), (QStringList{"亜", "", "", "045"}));
    EXPECT_EQ(column(table, 3), (QStringList{"✓", "", "", "✓"}));
    EXPECT_EQ(table->item(1, 0)->checkState(), Qt::Unchecked);

    const DeviceConfig before_take = tool;
    dialog.take_button()->click();
    EXPECT_EQ(dialog.status_label()->text(), "デバイスの値を 1 項目取り込みました。");
    DeviceConfig expected = before_take;
    expected.pages.page_title[2].clear();
    EXPECT_EQ(model().config, expected);
    ASSERT_EQ(column(table, 0), QStringList{"P002 タイトル"});
    EXPECT_EQ(table->item(0, 0)->checkState(), Qt::Unchecked) << "the next send would write it";
}

TEST(RestoreFromBackup, ListsTheDeviceInUseNewestFirstAndComparesWithTheOneChosen)
{
    ConfigSandbox sandbox;
    WireCapture wire;
    BoxRecorder boxes;
    const std::string folder = backup_folder_path().toStdString();
    const auto now = std::chrono::system_clock::now();
    DeviceConfig older;
    older.pages.page_title[0] = "\x88\x9F";
    DeviceConfig newer;
    newer.device.alarm_hold_time = "060";
    ASSERT_FALSE(save_backup(folder, "COM1", older, now - std::chrono::hours(2)).empty());
    ASSERT_FALSE(save_backup(folder, "COM1", newer, now - std::chrono::hours(1)).empty());
    ASSERT_FALSE(save_backup(folder, "192.168.1.10", DeviceConfig{}, now).empty());

    std::vector<std::pair<DeviceConfig, QString>> opened;
    set_backup_compare_opener([&](const DeviceConfig& c, const QString& name, QWidget*) {
        opened.emplace_back(c, name);
    });
    RestoreDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.device_label()->text(), "使用中のデバイス: COM1");
    EXPECT_EQ(column(dialog.table(), 1), (QStringList{"COM1", "COM1"}));
    click_cell(dialog.table(), 1);
    QTest::mouseClick(dialog.compare_button(), Qt::LeftButton);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].first, older);
    EXPECT_TRUE(opened[0].second.endsWith("_COM1~velta.dat"));

    QTest::mouseClick(dialog.all_devices_box(), Qt::LeftButton);
    EXPECT_EQ(column(dialog.table(), 1), (QStringList{"192.168.1.10", "COM1", "COM1"}));
    click_cell(dialog.table(), 1);
    QTest::mouseDClick(dialog.table()->viewport(), Qt::LeftButton, {},
                       dialog.table()->visualItemRect(dialog.table()->item(1, 0)).center());
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[1].first, newer);
    set_backup_compare_opener({});

    // Opened on a backup, the dialog compares the device with it and takes nothing over.
    CompareDialog compare(newer, opened[1].second);
    compare.compared(DeviceConfig{});
    EXPECT_EQ(column(compare.table(), 0), QStringList{"アラーム 保持時間"});
    EXPECT_EQ(column(compare.table(), 1), QStringList{"060"});
    EXPECT_TRUE(compare.take_button()->isHidden());
    EXPECT_TRUE(boxes.boxes().empty());
}

}  // namespace
}  // namespace velta
