// Protects the device-wide dialogs as an operator uses them: list items, choices written into
// the model, the bytes each button sends, the shared connector table, the page-mode change,
// and the refusal of the network dialog over TCP/IP.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "core/device/config_diff.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/user_input.h"
#include "support/wire_capture.h"
#include "ui/device/alarm_dialog.h"
#include "ui/device/connector_table_widgets.h"
#include "ui/device/network_dialog.h"
#include "ui/device/other_settings_dialog.h"
#include "ui/device/remote_dialog.h"
#include "ui/device/schedule_dialog.h"
#include "ui/pages/display_page_dialog.h"

namespace velta {
namespace {

QStringList items_of(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i) out << combo->itemText(i);
    return out;
}

void press(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// The list inside the group box with this caption.
QComboBox* list_in(QWidget* dialog, const QString& caption)
{
    for (auto* box : dialog->findChildren<QGroupBox*>())
        if (box->title() == caption)
            return box->findChild<QComboBox*>();
    return nullptr;
}

TEST(AlarmDialog, ListsChoicesAndButtons)
{
    WireCapture wire;
    BoxRecorder boxes;
    AlarmDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "アラームの設定");
    EXPECT_EQ(items_of(list_in(&dialog, "モード")), (QStringList{"Internal", "External"}));
    EXPECT_EQ(items_of(list_in(&dialog, "入力極性")), (QStringList{"Make ", "Break"}));
    EXPECT_EQ(items_of(list_in(&dialog, "表示")), (QStringList{"OFF", " ON"}));
    EXPECT_EQ(list_in(&dialog, "表示")->currentIndex(), 1);
    EXPECT_EQ(dialog.connectors()->list(7)->count(), 256);
    EXPECT_EQ(dialog.connectors()->list(7)->currentText(), "008");
    EXPECT_FALSE(dialog.slave_address_list()->isEnabled());  // RS-232C
    EXPECT_EQ(dialog.hold_time_edit()->text(), "010");
    EXPECT_TRUE(wire.sent().empty());  // nothing goes out on opening

    list_in(&dialog, "モード")->setCurrentIndex(1);
    list_in(&dialog, "入力極性")->setCurrentIndex(1);
    EXPECT_EQ(model().config.device.alarm_mode, 1);
    EXPECT_TRUE(wire.sent().empty());  // nor on a choice
    press(&dialog, "send_alarm_mode");
    press(&dialog, "send_alarm_polarity");
    dialog.hold_time_edit()->setText("7");
    press(&dialog, "send_alarm_hold_time");
    dialog.hold_time_edit()->setText("2");
    EXPECT_EQ(model().config.device.alarm_hold_time, "2");
    press(&dialog, "send_alarm_hold_time");
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"AME\r\n", "APB\r\n", "ADT007\r\n"}));
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"3秒以上を設定してください。"}));
    dialog.hold_time_edit()->setText("12345");
    EXPECT_EQ(model().config.device.alarm_hold_time.size(), 3u);
}

// The hold time typed as "30" goes as "ADT030" and comes back as "030": the model keeps it as
// the device does, so neither the unsaved mark nor a compare with the device sees a difference.
TEST(AlarmDialog, ATypedHoldTimeIsKeptAsTheDeviceHoldsIt)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.device.alarm_hold_time = "030";
    mark_config_saved(model().config);
    const DeviceConfig device = model().config;
    AlarmDialog dialog;
    ASSERT_TRUE(show_active(&dialog));
    dialog.hold_time_edit()->setFocus();
    dialog.hold_time_edit()->selectAll();
    type_keys(QStringLiteral("30"));
    EXPECT_EQ(dialog.hold_time_edit()->text(), "30");
    EXPECT_FALSE(has_unsaved_changes(model().config));
    EXPECT_TRUE(diff(model().config, device).empty());
    dialog.hold_time_edit()->selectAll();
    type_keys(QStringLiteral("12s"));
    EXPECT_EQ(model().config.device.alarm_hold_time, "012");
    press(&dialog, "send_alarm_hold_time");
    EXPECT_EQ(wire.sent(), std::vector<std::string>{"ADT012\r\n"});
}

TEST(DeviceEdits, FullWidthDigitsCountTwoBytesAndAreNeverCut)
{
    WireCapture wire;
    BoxRecorder boxes;
    AlarmDialog alarm;
    NetworkDialog network;
    struct Case {
        QWidget* dialog;
        QLineEdit* edit;
        std::string* field;
        QString shown;
        const char* stored;
    };
    // "１２３": only "１" fits three bytes; "１２" fits five.
    const Case cases[] = {
        {&alarm, alarm.hold_time_edit(), &model().config.device.alarm_hold_time, "１", "\x82\x50"},
        {&network, network.port_edit(), &model().extras.port_number, "１２", "\x82\x50\x82\x51"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(show_active(c.dialog));
        c.edit->setFocus();
        c.edit->selectAll();
        type_keys(QStringLiteral("１２３"));
        EXPECT_EQ(c.edit->text(), c.shown);
        EXPECT_EQ(*c.field, c.stored);
        c.dialog->hide();
    }
    press(&alarm, "send_alarm_hold_time");
    press(&network, "send_port_number");
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_EQ(boxes.boxes().size(), 2u);
}

TEST(NetworkDialog, AddressesAreTypedPartByPartAndAnEmptyPartIsRefusedByName)
{
    WireCapture wire;
    BoxRecorder boxes;
    NetworkDialog dialog;
    ASSERT_TRUE(show_active(&dialog));
    IpAddressField* ip = dialog.address_field(0);
    EXPECT_EQ(ip->text(), "0.0.0.0");
    // A click into a part takes its number whole; "." and full parts move on.
    QTest::mouseClick(ip->part(0), Qt::LeftButton);
    type_keys(QStringLiteral("192.168.1.3"));
    press(&dialog, "send_net_ip_address");
    EXPECT_EQ(wire.sent(), std::vector<std::string>{"EIA192.168.001.003\r\n"});

    QTest::mouseClick(ip->part(2), Qt::LeftButton);
    press_key(Qt::Key_Backspace);
    press(&dialog, "send_net_ip_address");
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"IP Address の 3 番目の数が入力されていません。"
                                       "0～255 の数を入力してください。"});
    EXPECT_EQ(wire.sent().size(), 1u);
    EXPECT_EQ(model().extras.net_ip_address, (IpAddress{192, 168, 1, 3}));
    EXPECT_EQ(QApplication::focusWidget(), ip->part(2));  // the cursor waits in that part
}

TEST(AlarmDialog, ConnectorTableIsSharedWithTheRemoteDialog)
{
    WireCapture wire;
    {
        RemoteDialog remote;
        EXPECT_EQ(items_of(list_in(&remote, "モード")),
                  (QStringList{"BINARY   ", "BIT      ", "OPERATION"}));
        remote.connectors()->list(2)->setCurrentIndex(9);
        list_in(&remote, "モード")->setCurrentIndex(1);
        press(&remote, "send_remote_mode");
        press(&remote, "send_remote_connectors");
    }
    AlarmDialog alarm;
    EXPECT_EQ(alarm.connectors()->list(2)->currentText(), "010");
    press(&alarm, "send_alarm_connectors");
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"RMBIT\r\n", "RCA001002010004005006007008\r\n",
                                                     "ACA001002010004005006007008\r\n"}));
}

TEST(AlarmDialog, TwoLineModeListsHoldHalfThePagesAndStoredValuesStillGo)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().config.device.connector_assignment[0] = 199;
    link_settings().rs485 = true;
    link_settings().slave_address = 4;
    AlarmDialog dialog;
    EXPECT_EQ(dialog.connectors()->list(0)->count(), 128);
    EXPECT_EQ(dialog.connectors()->list(0)->currentIndex(), -1);
    EXPECT_TRUE(dialog.slave_address_list()->isEnabled());
    EXPECT_EQ(dialog.slave_address_list()->currentText(), "04");
    press(&dialog, "send_alarm_connectors");
    EXPECT_EQ(wire.last(), "04ACA200002003004005006007008\r\n");
}

TEST(OtherSettingsDialog, PageModeRebuildsThePowerOnListAndKeepsPas)
{
    WireCapture wire;
    model().config.device.power_on_page = 256;
    model().choices.current_page = 140;
    OtherSettingsDialog dialog;
    EXPECT_EQ(items_of(list_in(&dialog, "コネクター入力")), (QStringList{"ALARM ", "REMOTE"}));
    EXPECT_EQ(items_of(list_in(&dialog, "ビデオロス背景色")), (QStringList{"Normal", "Blue  "}));
    EXPECT_EQ(items_of(list_in(&dialog, "フォント サイズ上")), (QStringList{"小", "中", "大"}));
    EXPECT_EQ(list_in(&dialog, "上表示オフセット")->count(), 105);
    EXPECT_EQ(list_in(&dialog, "下表示オフセット")->currentText(), "100");
    QComboBox* power_on = dialog.power_on_list();
    EXPECT_EQ(power_on->count(), 257);
    EXPECT_EQ(power_on->currentText(), "PAS");

    dialog.page_mode_list()->setCurrentIndex(1);
    EXPECT_EQ(power_on->count(), 129);
    EXPECT_EQ(power_on->currentText(), "PAS");
    EXPECT_EQ(model().config.device.power_on_page, k_page_pas);
    EXPECT_EQ(model().choices.current_page, 0);
    press(&dialog, "send_power_on_page");
    press(&dialog, "send_page_mode");
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"POSPAS\r\n", "IDPM2\r\n"}));

    power_on->setCurrentIndex(99);
    dialog.page_mode_list()->setCurrentIndex(0);
    EXPECT_EQ(power_on->count(), 257);
    EXPECT_EQ(power_on->currentText(), "100");
    list_in(&dialog, "フォント サイズ下")->setCurrentIndex(2);
    press(&dialog, "send_lower_font_size");
    EXPECT_EQ(wire.last(), "CFSBL\r\n");
}

// What the operator chose as "PAS" or "---" with two lines is still that after "Line 1" is
// chosen, in every list that offers it and in every command.
TEST(OtherSettingsDialog, PasAndNoneChosenWithTwoLinesKeepTheirMeaningWithOne)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    {
        ScheduleDialog schedule;  // the lists: "001" .. "128", "PAS", "---"
        QTest::keyClick(schedule.page_list(), Qt::Key_Up);
        EXPECT_EQ(schedule.page_list()->currentText(), "PAS");
        QTest::keyClick(schedule.pattern_list(), Qt::Key_Down);
        QTest::keyClick(schedule.page_list(), Qt::Key_Up);
        QTest::keyClick(schedule.page_list(), Qt::Key_Up);
        EXPECT_EQ(schedule.page_list()->currentText(), "128");
        QTest::keyClick(schedule.pattern_list(), Qt::Key_Down);
        QTest::keyClick(schedule.page_list(), Qt::Key_Home);
        QTest::keyClick(schedule.page_list(), Qt::Key_End);
        EXPECT_EQ(schedule.page_list()->currentText(), "---");
        DisplayPageDialog display;
        QTest::keyClick(display.page_list(), Qt::Key_End);
        EXPECT_EQ(display.page_list()->currentText(), "PAS ");
    }
    OtherSettingsDialog other;
    QTest::keyClick(other.power_on_list(), Qt::Key_End);
    QTest::keyClick(other.page_mode_list(), Qt::Key_Up);
    EXPECT_EQ(model().config.device.page_mode, 0);
    EXPECT_EQ(other.power_on_list()->count(), 257);
    EXPECT_EQ(other.power_on_list()->currentText(), "PAS");
    ScheduleDialog schedule;
    EXPECT_EQ(schedule.page_list()->currentText(), "PAS");
    DisplayPageDialog display;
    EXPECT_EQ(display.page_list()->currentText(), "PAS ");

    wire.clear();
    press(&schedule, "send_schedule_day");
    press(&other, "send_power_on_page");
    display.page_set_button()->click();
    ASSERT_EQ(wire.sent().size(), 3u);
    EXPECT_EQ(wire.sent()[0].substr(4, 21),
              "0000PAS"
              "0100128"
              "0200000");
    EXPECT_EQ(wire.sent()[1], "POSPAS\r\n");
    EXPECT_EQ(wire.sent()[2], "PAS\r\n");
}

}  // namespace
}  // namespace velta
