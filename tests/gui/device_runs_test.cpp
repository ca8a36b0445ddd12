// Protects the paced runs of the device-wide dialogs: the schedule's all-days run, the network
// read, set-all and read-all, driven tick by tick: what each tick sends, the progress, "Close"
// while running, the stop after an error answer, the result shown at the end, "中止", "高速"
// kept per dialog, and a set-all refused before its first command.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/run_configs.h"
#include "support/wire_capture.h"
#include "ui/device/batch_run_dialog.h"
#include "ui/device/compare_dialog.h"
#include "ui/device/network_dialog.h"
#include "ui/device/schedule_dialog.h"
#include "ui/glyphs/glyph_list_dialog.h"

namespace velta {
namespace {

void press(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

// Starts the run with the button, then takes the ticks out of the timer's hands.
template <typename Dialog>
void start_by_hand(Dialog& dialog, const char* button)
{
    press(&dialog, button);
    ASSERT_TRUE(dialog.run_active());
    dialog.run_timer().stop();
}

TEST(ScheduleDialog, ListEditingAndDayOff)
{
    WireCapture wire;
    ScheduleDialog dialog;
    EXPECT_EQ(dialog.list_area()->draw_count(), 0);  // drawn from the timer, not at once
    EXPECT_TRUE(dialog.repaint_timer().isActive());
    EXPECT_EQ(dialog.repaint_timer().interval(), 200);
    EXPECT_EQ(dialog.page_list()->count(), 258);
    EXPECT_EQ(dialog.page_list()->currentText(), "---");

    dialog.day_list()->setCurrentIndex(4);
    dialog.pattern_list()->setCurrentIndex(2);
    dialog.hour_list()->setCurrentIndex(13);
    dialog.minute_list()->setCurrentIndex(45);
    dialog.page_list()->setCurrentIndex(6);
    const QStringList& drawn = dialog.list_area()->drawn_texts();
    ASSERT_EQ(drawn.size(), 27);
    EXPECT_EQ(drawn.mid(0, 3), QStringList(3, "時 分 ページ"));  // one heading per column
    EXPECT_EQ(drawn[5], "03 = 13:45 P007");
    EXPECT_EQ(drawn[3], "01 = 00:00 --- ");
    dialog.page_list()->setCurrentIndex(256);
    EXPECT_EQ(dialog.list_area()->drawn_texts()[5], "03 = 13:45 PAS ");
    EXPECT_EQ(model().config.device.schedule_page[4][2], 256);

    press(&dialog, "send_schedule_day");
    ASSERT_EQ(wire.sent().size(), 1u);
    EXPECT_EQ(wire.last().substr(0, 4 + 21),
              "SD05"
              "0000000"
              "0100000"
              "1345PAS");

    model().config.device.schedule_page[5][0] = 1;
    press(&dialog, "day_off");
    EXPECT_EQ(model().config.device.schedule_page[4][2], 257);
    EXPECT_EQ(model().config.device.schedule_page[5][0], 1);
    EXPECT_EQ(dialog.page_list()->currentText(), "---");
    EXPECT_EQ(dialog.list_area()->drawn_texts()[5], "03 = 13:45 --- ");
    EXPECT_EQ(wire.sent().size(), 1u);
}

TEST(ScheduleDialog, TwoLineModeShowsOffForEveryPageBeyondTheCount)
{
    WireCapture wire;
    model().config.device.page_mode = 1;
    model().config.device.schedule_page[0][0] = k_page_pas;
    model().config.device.schedule_page[0][1] = 128;
    ScheduleDialog dialog;
    EXPECT_EQ(dialog.page_list()->count(), 130);
    EXPECT_EQ(dialog.page_list()->currentText(), "PAS");
    dialog.pattern_list()->setCurrentIndex(1);
    EXPECT_EQ(dialog.page_list()->currentText(), "---");
    EXPECT_EQ(dialog.list_area()->drawn_texts()[3], "01 = 00:00 PAS ");
    EXPECT_EQ(dialog.list_area()->drawn_texts()[4], "02 = 01:00 --- ");
}

TEST(ScheduleDialog, AllDaysRunSendsOneDayPerTickAndClosesWhenDone)
{
    WireCapture wire;
    BoxRecorder boxes;
    ScheduleDialog dialog;
    dialog.show();
    start_by_hand(dialog, "send_all_days");
    EXPECT_FALSE(dialog.close_button()->isEnabled());
    QStringList percents;
    for (int tick = 1; tick <= 31; ++tick) {
        dialog.run_tick();
        percents << dialog.percent_field()->text();
        if (tick < 31) {
            EXPECT_EQ(dialog.progress()->value(), tick);
        }
    }
    ASSERT_EQ(wire.sent().size(), 31u);
    EXPECT_EQ(wire.sent()[0].substr(0, 4), "SD01");
    EXPECT_EQ(wire.sent()[30].substr(0, 4), "SD31");
    EXPECT_EQ(percents.first(), "3");
    EXPECT_EQ(percents[1], "6");
    EXPECT_EQ(percents[30], "   ");  // blanked as the dialog closes
    EXPECT_EQ(boxes.count("本機が自動切換えでない事を確認してください"), 1);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(settings_run_active());
}

TEST(ScheduleDialog, AllDaysRunStopsAtTheTickAfterAnErrorAnswer)
{
    WireCapture wire;
    BoxRecorder boxes;
    ScheduleDialog dialog;
    dialog.show();
    start_by_hand(dialog, "send_all_days");
    dialog.run_tick();
    dialog.run_tick();
    serial_dispatch(program_context(), "E3\r\n");
    EXPECT_EQ(boxes.last_text(), "Command Error");
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_EQ(wire.sent().size(), 2u);
    EXPECT_EQ(dialog.progress()->value(), 2);
    EXPECT_EQ(dialog.percent_field()->text(), "6");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(link_status().reply_error, 0);
    dialog.run_tick();
    EXPECT_EQ(wire.sent().size(), 2u);

    // Answered No: nothing starts.
    boxes.answer_next(BoxAnswer::no);
    press(&dialog, "send_all_days");
    EXPECT_FALSE(dialog.run_active());
}

TEST(ScheduleDialog, AllDaysRunRefusedWithoutATcpConnectionAndPacedAtItsPeriod)
{
    WireCapture wire;
    BoxRecorder boxes;
    {
        link_settings().interface = Interface::tcp;
        ScheduleDialog dialog;
        press(&dialog, "send_all_days");
        EXPECT_FALSE(dialog.run_active());
        EXPECT_EQ(boxes.last_text(), "Socket が接続されていません");
    }
    link_settings().interface = Interface::serial;
    ScheduleDialog dialog;
    press(&dialog, "send_all_days");
    EXPECT_EQ(dialog.run_timer().interval(), 300);
    press(&dialog, "send_all_days");  // a second start while one runs does nothing
    EXPECT_TRUE(dialog.run_active());
    // The timer itself drives the run: the first day goes out one period later.
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !wire.sent().empty(); }, 3000));
    EXPECT_EQ(wire.last().substr(0, 4), "SD01");
}

const std::map<std::string, std::string>& network_replies()
{
    static const std::map<std::string, std::string> replies{
        {"REAA\r\n", "EAA010.000.000.001\r\n"},
        {"REGA\r\n", "EGA192.168.001.254\r\n"},
        {"REIA\r\n", "EIA192.168.001.003\r\n"},
        {"RECT\r\n", "ECTON\r\n"},
        {"REKA\r\n", "EKAON\r\n"},
        {"REPN\r\n", "EPN10001\r\n"},
        {"RESM\r\n", "ESMB\r\n"},
        {"RETR\r\n", "ETR2\r\n"},
        {"REMA\r\n", "EMA00-11-22-33-44-55\r\n"},
        {"RVN\r\n", "VN1.23\r\n"}};
    return replies;
}

TEST(NetworkDialog, ReadBatchAgainstFedRepliesRefreshesAtItsEnd)
{
    WireCapture wire;
    BoxRecorder boxes;
    NetworkDialog dialog;
    EXPECT_EQ(dialog.address_field(0)->text(), "0.0.0.0");
    EXPECT_EQ(dialog.port_edit()->text(), "09004");
    start_by_hand(dialog, "read_network");
    press(&dialog, "read_network");  // pressed twice: still one run
    for (int tick = 1; tick <= 10; ++tick) {
        dialog.run_tick();
        ASSERT_EQ(wire.sent().size(), static_cast<std::size_t>(tick));
        serial_dispatch(program_context(), network_replies().at(wire.last()));
        // The fields are shown only after the run, not one by one.
        EXPECT_EQ(dialog.address_field(2)->text(), "0.0.0.0");
    }
    EXPECT_TRUE(dialog.run_active()) << "the last answer gets its tick";
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_EQ(wire.sent().size(), 10u);
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_EQ(wire.sent().front(), "REAA\r\n");
    EXPECT_EQ(wire.sent().back(), "RVN\r\n");
    EXPECT_EQ(dialog.address_field(0)->text(), "192.168.1.3");
    EXPECT_EQ(dialog.address_field(1)->text(), "192.168.1.254");
    EXPECT_EQ(dialog.address_field(2)->text(), "10.0.0.1");
    EXPECT_EQ(dialog.port_edit()->text(), "10001");
    EXPECT_EQ(dialog.subnet_list()->currentText(), "Class B");
    EXPECT_EQ(dialog.mac_edit()->text(), "00-11-22-33-44-55");
    EXPECT_EQ(dialog.version_edit()->text(), "1.23");
    EXPECT_EQ(dialog.progress()->value(), 0);
}

TEST(NetworkDialog, AnErrorAnswerToTheLastQueryEndsWithoutRefreshAndIsCleared)
{
    WireCapture wire;
    BoxRecorder boxes;
    NetworkDialog dialog;
    start_by_hand(dialog, "read_network");
    for (int tick = 1; tick <= 10; ++tick) {
        dialog.run_tick();
        serial_dispatch(program_context(),
                        tick < 10 ? network_replies().at(wire.last()) : "E3\r\n");
    }
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_EQ(link_status().reply_error, 0) << "the next read would stop at once";
    EXPECT_EQ(dialog.address_field(2)->text(), "0.0.0.0") << "refreshed after an error";
    EXPECT_EQ(dialog.progress()->value(), 10);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Command Error"});
}

TEST(NetworkDialog, ReadBatchStopsOnAnErrorWithoutRefreshing)
{
    WireCapture wire;
    BoxRecorder boxes;
    NetworkDialog dialog;
    start_by_hand(dialog, "read_network");
    EXPECT_FALSE(dialog.close_button()->isEnabled());
    dialog.run_tick();
    serial_dispatch(program_context(), "EAA010.000.000.001\r\n");
    dialog.run_tick();
    serial_dispatch(program_context(), "MENU\r\n");
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_EQ(wire.sent().size(), 2u);
    EXPECT_EQ(model().extras.net_eaa, (IpAddress{10, 0, 0, 1}));
    QTest::qWait(50);
    EXPECT_EQ(dialog.address_field(2)->text(), "0.0.0.0");
}

TEST(NetworkDialog, AddressAndPortButtons)
{
    WireCapture wire;
    BoxRecorder boxes;
    NetworkDialog dialog;
    IpAddressField* ip = dialog.address_field(0);
    const QStringList parts{"192", "168", "1", "3"};
    for (int i = 0; i < 4; ++i) ip->part(i)->setText(parts[i]);
    EXPECT_EQ(model().extras.net_ip_address, (IpAddress{0, 0, 0, 0}));  // read on the button
    press(&dialog, "send_net_ip_address");
    ip->part(2)->clear();
    press(&dialog, "send_net_ip_address");
    dialog.port_edit()->setText("9004");
    press(&dialog, "send_port_number");
    dialog.port_edit()->setText("70000");
    press(&dialog, "send_port_number");
    EXPECT_EQ(wire.sent(), (std::vector<std::string>{"EIA192.168.001.003\r\n", "EPN09004\r\n"}));
    EXPECT_EQ(boxes.boxes().size(), 2u);
    EXPECT_EQ(model().extras.net_ip_address, (IpAddress{192, 168, 1, 3}));
}

TEST(BatchRunDialogs, SetAllRunsTickByTickAndShowsItsResultAfterTheLastStep)
{
    WireCapture wire;
    BoxRecorder boxes;
    BatchRunDialog dialog(set_all_without_backup());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "全項目の設定");
    EXPECT_EQ(dialog.slave_address_list()->count(), 33);
    EXPECT_EQ(dialog.progress()->maximum(), 310);
    start_by_hand(dialog, "start_run");
    std::map<int, QString> percent_at;
    for (int step = 1; step <= 310; ++step) {
        dialog.run_tick();
        percent_at[step] = dialog.percent_field()->text();
        if (step < 310) {
            EXPECT_FALSE(dialog.close_button()->isEnabled());
            EXPECT_EQ(dialog.progress()->value(), step);
        }
    }
    EXPECT_EQ(percent_at[1], "0");
    EXPECT_EQ(percent_at[155], "50");
    EXPECT_EQ(percent_at[309], "99");
    EXPECT_EQ(percent_at[310], "   ");
    ASSERT_EQ(wire.sent().size(), 310u);
    EXPECT_TRUE(wire.sent()[0].starts_with("CA001"));
    EXPECT_TRUE(wire.sent()[309].starts_with("IDP"));
    // The dialog stays with the result until the operator closes it.
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.stop_note()->text(), "完了：310 項目を設定しました。");
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    QTest::mouseClick(dialog.close_button(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(BatchRunDialogs, SetAllWithAStepThatCannotBeBuiltIsRefusedBeforeAnythingIsSent)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.device.alarm_hold_time = "abc";
    BatchRunDialog dialog(set_all_without_backup());
    dialog.show();
    QTest::mouseClick(dialog.start_button(), Qt::LeftButton);
    EXPECT_FALSE(dialog.run_active());
    // Refused before the question is asked: nothing to confirm.
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{
                                 "全項目の設定を開始できません（アラームの保持時間「abc」）"});
    EXPECT_TRUE(wire.sent().empty());
    EXPECT_TRUE(dialog.close_button()->isEnabled());
}

TEST(BatchRunDialogs, SetAllStopsAtTheTickAfterAnErrorAndGnDoesNotStopIt)
{
    WireCapture wire;
    BoxRecorder boxes;
    BatchRunDialog dialog(set_all_without_backup());
    dialog.show();
    start_by_hand(dialog, "start_run");
    dialog.run_tick();
    serial_dispatch(program_context(), "GN\r\n");
    dialog.run_tick();
    dialog.run_tick();
    EXPECT_TRUE(boxes.texts().size() == 1u);  // only the question: "GN" is silent in a run
    serial_dispatch(program_context(), "E3\r\n");
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_EQ(wire.sent().size(), 3u);
    EXPECT_EQ(boxes.last_text(), "Command Error");
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.progress()->value(), 3);
    EXPECT_EQ(dialog.stop_note()->text(), "途中で止まりました（3 / 310）");

    // A new start begins again at step 1, even after a single command was refused meanwhile.
    serial_dispatch(program_context(), "E3\r\n");
    ASSERT_EQ(link_status().reply_error, 1);
    wire.clear();
    start_by_hand(dialog, "start_run");
    dialog.run_tick();
    EXPECT_TRUE(wire.last().starts_with("CA001"));
}

TEST(BatchRunDialogs, ReadAllHasNoBroadcastAndItsLastStepSendsNothing)
{
    WireCapture wire;
    BoxRecorder boxes;
    link_settings().rs485 = true;
    link_settings().slave_address = 32;  // broadcast, chosen elsewhere
    BatchRunDialog dialog(read_all_config());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "全項目の読み込み");
    EXPECT_EQ(dialog.slave_address_list()->count(), 32);
    EXPECT_EQ(dialog.slave_address_list()->currentIndex(), -1);
    EXPECT_EQ(dialog.start_button()->text(), "読み込み");
    press(&dialog, "start_run");
    EXPECT_EQ(dialog.run_timer().interval(), 300);
    dialog.run_timer().stop();
    QString at156;
    for (int step = 1; step <= 312; ++step) {
        dialog.run_tick();
        if (step == 156)
            at156 = dialog.percent_field()->text();
    }
    EXPECT_EQ(at156, "50");
    ASSERT_EQ(wire.sent().size(), 311u);
    EXPECT_EQ(wire.sent()[0], "FFRCA001\r\n");
    EXPECT_EQ(wire.sent()[310], "FFRVLBC\r\n");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.stop_note()->text(), "完了：311 項目を読み込みました。");
}

TEST(BatchRunDialogs, ReadAllAsksBeforeReplacingUnsavedEdits)
{
    WireCapture wire;
    BoxRecorder boxes;
    model().config.pages.page_title[4] = "EDITED";
    BatchRunDialog dialog(read_all_config());
    dialog.show();
    boxes.answer_next(BoxAnswer::no);
    QTest::mouseClick(dialog.start_button(), Qt::LeftButton);
    EXPECT_EQ(boxes.last_text(), "データを保存せずにデバイスから読み込みますか？");
    EXPECT_EQ(boxes.boxes().back().default_answer, BoxAnswer::no);
    EXPECT_FALSE(dialog.run_active());
    EXPECT_TRUE(wire.sent().empty());

    boxes.answer_next(BoxAnswer::yes);
    QTest::mouseClick(dialog.start_button(), Qt::LeftButton);
    EXPECT_TRUE(dialog.run_active());
    QTest::mouseClick(dialog.stop_button(), Qt::LeftButton);
}

TEST(BatchRunDialogs, ReadAllStopsAtADamagedReplyNamingItsItem)
{
    WireCapture wire;
    BoxRecorder boxes;
    BatchRunDialog dialog(read_all_config());
    dialog.show();
    start_by_hand(dialog, "start_run");
    boxes.clear();  // the confirmation
    std::string codes;
    for (int i = 0; i < 28; ++i) codes += "2422";
    dialog.run_tick();
    serial_dispatch(program_context(), "CA001" + codes + "\r\n");
    dialog.run_tick();
    serial_dispatch(program_context(), "CA002" + codes.substr(4) + "\r\n");  // one code short
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), k_text_reply_damaged);
    EXPECT_EQ(boxes.boxes().back().detail, "CA002");
    std::string title;  // 28 times "あ"
    for (int i = 0; i < 28; ++i) title += "\x82\xA0";
    EXPECT_EQ(model().config.pages.page_title[0], title);
    EXPECT_EQ(model().config.pages.page_title[1], "");
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_active());
    EXPECT_EQ(wire.sent().size(), 2u) << "a query left after the damaged reply";
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(settings_run_active());
}

TEST(BatchRunDialogs, StopDuringAFastRunSendsNothingMoreAndSaysHowFarItGot)
{
    WireCapture wire;
    BoxRecorder boxes;
    BatchRunDialog dialog(set_all_without_backup());
    dialog.show();
    EXPECT_FALSE(dialog.fast_box()->isChecked());
    EXPECT_FALSE(dialog.stop_button()->isEnabled());
    dialog.fast_box()->setChecked(true);
    start_by_hand(dialog, "start_run");
    EXPECT_TRUE(dialog.stop_button()->isEnabled());
    for (int step = 1; step <= 3; ++step) {
        dialog.run_tick();
        serial_dispatch(program_context(), "GO\r\n");
    }
    dialog.run_tick();  // step 4 goes; its answer is still on its way
    EXPECT_EQ(wire.sent().size(), 4u);
    press(&dialog, "stop_run");
    EXPECT_FALSE(dialog.run_active());
    serial_dispatch(program_context(), "GO\r\n");
    dialog.run_tick();
    EXPECT_FALSE(dialog.run_timer().isActive());
    EXPECT_EQ(wire.sent().size(), 4u);
    EXPECT_EQ(dialog.stop_note()->text(), "中止しました（4 / 310）");
    EXPECT_EQ(dialog.progress()->value(), 4);
    EXPECT_FALSE(dialog.stop_button()->isEnabled());
    EXPECT_TRUE(dialog.close_button()->isEnabled());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(settings_run_active());
}

TEST(BatchRunDialogs, SetAllIsPacedAt400ms)
{
    WireCapture wire;
    BoxRecorder boxes;
    BatchRunDialog dialog(set_all_without_backup());
    press(&dialog, "start_run");
    EXPECT_EQ(dialog.run_timer().interval(), 400);
    static_cast<QDialog&>(dialog).reject();  // Esc during the run does nothing
    EXPECT_TRUE(dialog.run_active());
}

// "高速" is kept per dialog in velta.ini and cannot change while a run goes.
TEST(BatchRunDialogs, FastIsRememberedPerDialogAndLockedWhileARunGoes)
{
    ConfigSandbox sandbox;
    WireCapture wire;
    BoxRecorder boxes;
    struct Case {
        const char* name;
        std::function<std::unique_ptr<SettingsDialog>()> open;
        const char* key;
    };
    const std::vector<Case> cases = {
        {"set-all", [] { return std::make_unique<BatchRunDialog>(set_all_without_backup()); },
         "fast_set_all"},
        {"read-all", [] { return std::make_unique<BatchRunDialog>(read_all_config()); },
         "fast_read_all"},
        {"compare", [] { return std::make_unique<CompareDialog>(); }, "fast_compare"},
        {"glyph list", [] { return std::make_unique<GlyphListDialog>(GlyphSize::medium); },
         "fast_glyph_list_medium"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        {
            std::unique_ptr<SettingsDialog> d = cases[i].open();
            d->show();
            EXPECT_FALSE(d->fast_box()->isChecked());
            QTest::mouseClick(d->fast_box(), Qt::LeftButton, {}, QPoint(4, 4));
        }
        EXPECT_TRUE(sandbox.file_text().contains(QByteArray(cases[i].key) + "=1"));
        for (std::size_t j = 0; j < cases.size(); ++j)
            EXPECT_EQ(cases[j].open()->fast_box()->isChecked(), j <= i) << cases[j].name;
    }

    BatchRunDialog dialog(set_all_without_backup());
    dialog.show();
    start_by_hand(dialog, "start_run");
    EXPECT_FALSE(dialog.fast_box()->isEnabled());
    press(&dialog, "stop_run");
    EXPECT_TRUE(dialog.fast_box()->isEnabled());
}

}  // namespace
}  // namespace velta
