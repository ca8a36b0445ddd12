// Protects the main window: menu texts and enabling per interface, command routing, the hidden
// corner shortcut, the exit guard, the status-bar clock, the version box and the presenter.
#include "ui/shell/main_window.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <set>
#include <vector>

#include "core/device/file_menu.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/wire_capture.h"
#include "ui/pages/title_dialog.h"
#include "ui/shell/box_presenter.h"
#include "ui/shell/command_table.h"
#include "ui/shell/single_instance.h"
#include "ui/shell/startup.h"
#include "ui/shell/version_dialog.h"

namespace velta {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest()
    {
        window_.set_dialog_opener([this](int id, QWidget* owner) {
            opened_.push_back(id);
            EXPECT_EQ(owner, &window_);
            if (on_open_)
                on_open_(id);
            return true;
        });
        window_.set_quit([this] { ++quits_; });
        window_.set_file_chooser([this](FileDialogMode) { return chosen_; });
    }

    QMenu* menu_titled(const QString& title) const
    {
        for (QAction* a : window_.menuBar()->actions())
            if (a->text() == title)
                return a->menu();
        return nullptr;
    }

    ConfigSandbox config_;  // the recent files and folders go to velta.ini
    WireCapture wire_;
    BoxRecorder boxes_;
    MainWindow window_;
    std::vector<int> opened_;
    std::function<void(int)> on_open_;
    int quits_ = 0;
    std::optional<std::string> chosen_;
};

TEST_F(MainWindowTest, MenusCarryEveryItemOfTheCommandTable)
{
    std::vector<QString> titles;
    for (QAction* a : window_.menuBar()->actions()) titles.push_back(a->text());
    EXPECT_EQ(titles, (std::vector<QString>{"ﾌｧｲﾙ", "編集", "設定", "インターフェイス",
                                            "プロトコル", "情報"}));

    QMenu* settings = menu_titled("設定");
    ASSERT_NE(settings, nullptr);
    // Items sit in their menus, sub-menus included.
    EXPECT_TRUE(settings->actions().contains(window_.action(command::slave_address)));
    EXPECT_EQ(window_.action(command::read_all)->text(), "設定項目の読み込み");
    EXPECT_EQ(window_.action(command::read_all)->parent()->property("title").toString(),
              "メンテナンス");
    EXPECT_EQ(window_.action(command::glyph_list_large)->text(), "外字大文字");
    EXPECT_EQ(window_.action(command::version)->text(), "VELTA のﾊﾞｰｼﾞｮﾝ情報.");
    EXPECT_EQ(window_.action(command::exit)->text(), "ｱﾌﾟﾘｹｰｼｮﾝの終了");
    EXPECT_EQ(window_.action(command::protocol)->text(), "プロトコルの設定");
    EXPECT_EQ(window_.action(command::fleet_run)->text(), "TCP/IP サーバー: 全デバイスで実行…");
    EXPECT_EQ(window_.action(command::undo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(window_.action(command::redo)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Y));
    int items = 0;
    std::set<int> ids;
    for (QAction* top : window_.menuBar()->actions())
        for (QAction* a : top->menu()->actions()) {
            const QList<QAction*> leaves = a->menu() ? a->menu()->actions() : QList<QAction*>{a};
            for (QAction* leaf : leaves)
                if (!leaf->isSeparator() && !leaf->menu() && leaf->data().isValid()) {
                    ++items;
                    // Each item its own command: one id for two items opened the wrong dialog.
                    EXPECT_TRUE(ids.insert(leaf->data().toInt()).second)
                        << leaf->text().toStdString();
                }
        }
    EXPECT_EQ(items, 38);
}

TEST_F(MainWindowTest, ToolbarHasFourteenButtonsWithTheirPicturesAndTooltips)
{
    const QList<QAction*> buttons = window_.toolbar()->actions();
    ASSERT_EQ(buttons.size(), 14);
    EXPECT_EQ(buttons[13]->toolTip(), "全ページ一覧");
    // Every button fits in the fixed window.
    EXPECT_LE(window_.toolbar()->widgetForAction(buttons[13])->geometry().right(), window_.width());
    EXPECT_EQ(buttons[0]->toolTip(), "日付，時刻の設定");
    EXPECT_EQ(buttons[4]->toolTip(), "文字＆縁取り色の設定");
    EXPECT_EQ(buttons[11]->toolTip(), "表示ページの設定");
    EXPECT_EQ(buttons[12]->toolTip(), "デバイスと比較");
    EXPECT_EQ(window_.toolbar()->iconSize(), QSize(43, 20));
    for (QAction* b : buttons) EXPECT_FALSE(b->icon().isNull());
    // A toolbar button opens the dialog of its menu item.
    buttons[4]->trigger();
    buttons[11]->trigger();
    buttons[12]->trigger();
    EXPECT_EQ(opened_,
              (std::vector<int>{command::colours, command::display_page, command::compare}));
}

TEST_F(MainWindowTest, LinkItemsFollowTheInterfaceWheneverAMenuOpens)
{
    LinkSettings& l = link_settings();
    auto enabled = [this](int id) { return window_.action(id)->isEnabled(); };
    QMenu* link_menu = menu_titled("インターフェイス");
    QMenu* settings = menu_titled("設定");

    l.interface = Interface::serial;
    l.rs485 = false;
    emit link_menu->aboutToShow();
    EXPECT_TRUE(enabled(command::serial_setup));
    EXPECT_FALSE(enabled(command::client_server));
    EXPECT_FALSE(enabled(command::tcp_setup));
    EXPECT_FALSE(enabled(command::slave_address));
    EXPECT_TRUE(enabled(command::interface_setup));

    l.rs485 = true;
    emit settings->aboutToShow();
    EXPECT_TRUE(enabled(command::slave_address));

    l.interface = Interface::tcp;
    emit link_menu->aboutToShow();
    EXPECT_FALSE(enabled(command::serial_setup));
    EXPECT_TRUE(enabled(command::client_server));
    EXPECT_TRUE(enabled(command::tcp_setup));
    EXPECT_FALSE(enabled(command::slave_address));
}

TEST_F(MainWindowTest, ProtocolNeedsTheSerialInterfaceAndRoleChangeRetitles)
{
    EXPECT_EQ(window_.windowTitle(), "VELTA Client Program[*]");
    link_settings().interface = Interface::tcp;
    window_.run_command(command::protocol);
    EXPECT_TRUE(opened_.empty());
    EXPECT_EQ(boxes_.last_text(), k_text_protocol_needs_serial);
    EXPECT_EQ(boxes_.boxes().back().kind, BoxKind::error);

    link_settings().interface = Interface::serial;
    window_.run_command(command::protocol);
    EXPECT_EQ(opened_, std::vector<int>{command::protocol});

    // The role dialog changes the role; the title follows once it has closed.
    on_open_ = [](int) { link_settings().tcp_role = TcpRole::server; };
    window_.run_command(command::client_server);
    EXPECT_EQ(window_.windowTitle(), "VELTA Server Program[*]");

    opened_.clear();
    window_.run_command(4711);
    window_.run_command(command::file_save);  // handled here, not by an area
    EXPECT_TRUE(opened_.empty());
}

TEST_F(MainWindowTest, TenRightClicksInTheCornerOpenReadAll)
{
    auto right_click = [this](QWidget* target, QPoint local) {
        QContextMenuEvent e(QContextMenuEvent::Mouse, local, target->mapToGlobal(local));
        QApplication::sendEvent(target, &e);
    };
    window_.show();
    QWidget* bar = window_.menuBar();
    for (int i = 0; i < 9; ++i) right_click(bar, QPoint(3, 3));
    EXPECT_EQ(window_.corner_clicks(), 9);
    right_click(bar, QPoint(200, 5));  // elsewhere: start again
    EXPECT_EQ(window_.corner_clicks(), 0);
    for (int i = 0; i < 9; ++i) right_click(bar, QPoint(19, 19));
    right_click(bar, QPoint(20, 0));  // just outside the 20 × 20 square
    EXPECT_TRUE(opened_.empty());

    for (int i = 0; i < 9; ++i) right_click(bar, QPoint(i, 19 - i));
    EXPECT_TRUE(opened_.empty());
    right_click(bar, QPoint(0, 0));
    EXPECT_EQ(opened_, std::vector<int>{command::read_all});
    EXPECT_EQ(window_.corner_clicks(), 0);

    // A dialog opened in between starts the count again.
    for (int i = 0; i < 7; ++i) right_click(bar, QPoint(3, 3));
    window_.run_command(command::alarm);
    EXPECT_EQ(window_.corner_clicks(), 0);
}

TEST_F(MainWindowTest, ExitIsRefusedWhileConnectedAndEndsAfterASave)
{
    window_.show();
    link_status().socket_connected = 1;
    window_.action(command::exit)->trigger();
    EXPECT_TRUE(window_.isVisible());
    EXPECT_EQ(quits_, 0);
    EXPECT_EQ(boxes_.last_text(), "TCP/IPを切断してください。");

    // Unsaved titles, the operator answers No (do not drop them), Save As is cancelled: the
    // program stays open with the titles.
    link_status().socket_connected = 0;
    model().config.pages.page_title[0] = "UNSAVED";
    boxes_.answer_next(BoxAnswer::no);
    chosen_.reset();
    EXPECT_FALSE(window_.close());
    EXPECT_EQ(quits_, 0);
    EXPECT_TRUE(window_.main_timer().isActive());

    // Now a file is chosen: saved, then the program ends.
    QTemporaryDir dir;
    chosen_ = (dir.path() + "/exit_save").toStdString();
    boxes_.answer_next(BoxAnswer::no);
    EXPECT_TRUE(window_.close());
    EXPECT_EQ(quits_, 1);
    EXPECT_TRUE(QFileInfo::exists(dir.path() + "/exit_save.dat"));
    EXPECT_EQ(boxes_.count("データを保存せずに終了しますか？"), 2);
    EXPECT_FALSE(window_.main_timer().isActive());
}

TEST_F(MainWindowTest, ExitAsksExactlyWhenTheConfigurationDiffersFromTheLastSavedOne)
{
    struct Case {
        const char* what;
        std::function<void()> act;
        bool asks;
    };
    const auto title_dialog = [this](std::function<void(TitleDialog&)> edit) {
        return [this, edit] {
            on_open_ = [edit](int) {
                TitleDialog d;
                edit(d);
            };
            window_.run_command(command::title);
        };
    };
    const std::vector<Case> cases = {
        {"title dialog opened and closed", title_dialog([](TitleDialog&) {}), false},
        {"title typed and erased again", title_dialog([](TitleDialog& d) {
             QTest::keyClicks(d.title_edit(), "AB");
             QTest::keyClick(d.title_edit(), Qt::Key_Backspace);
             QTest::keyClick(d.title_edit(), Qt::Key_Backspace);
         }),
         false},
        {"title typed", title_dialog([](TitleDialog& d) { QTest::keyClicks(d.title_edit(), "A"); }),
         true},
        {"alarm mode", [] { model().config.device.alarm_mode = 1; }, true},
        {"schedule entry", [] { model().config.device.schedule_page[30][23] = 5; }, true},
        {"character colour of a page", [] { model().config.pages.page_char_color[200] = 2; }, true},
    };
    for (const Case& c : cases) {
        reset_for_test();
        model().config.pages.page_title[0] = std::string(4, '\x81') + "@";  // read from a file
        mark_config_saved(model().config);
        c.act();
        boxes_.clear();
        boxes_.answer_next(BoxAnswer::yes);  // leave without saving
        EXPECT_TRUE(window_.request_exit()) << c.what;
        EXPECT_EQ(boxes_.count(std::string(k_text_exit_unsaved)), c.asks ? 1 : 0) << c.what;
    }
}

TEST_F(MainWindowTest, FileMenuItemsUseTheChooser)
{
    QTemporaryDir dir;
    chosen_ = (dir.path() + "/menu").toStdString();
    model().config.pages.page_title[2] = "\x88\x9F";  // a title the device takes
    window_.action(command::file_save_as)->trigger();
    EXPECT_EQ(document().file_name, chosen_.value() + ".dat");
    model().config.pages.page_title[2] = "CHANGED";
    window_.action(command::file_open)->trigger();  // chooser gives "menu", which is missing
    EXPECT_EQ(boxes_.last_text(), "Can't file open");
    chosen_ = chosen_.value() + ".dat";
    window_.action(command::file_open)->trigger();
    EXPECT_EQ(model().config.pages.page_title[2], "\x88\x9F");
}

TEST_F(MainWindowTest, TitleNamesTheFileAndMarksUnsavedSettingsAndGlyphs)
{
    QTemporaryDir dir;
    chosen_ = (dir.path() + "/site").toStdString();
    model().config.device.alarm_mode = 1;
    window_.tick();
    EXPECT_TRUE(window_.isWindowModified());
    window_.action(command::file_save)->trigger();  // untitled: Save As
    EXPECT_EQ(window_.windowTitle(), "VELTA Client Program - site.dat[*]");
    EXPECT_FALSE(window_.isWindowModified());
    glyph_slot(model().glyphs, GlyphSize::medium, 3)[0] = '8';
    window_.tick();
    EXPECT_TRUE(window_.isWindowModified());
    glyph_slot(model().glyphs, GlyphSize::medium, 3)[0] = '0';
    window_.tick();
    EXPECT_FALSE(window_.isWindowModified());
    window_.action(command::file_new)->trigger();
    EXPECT_EQ(window_.windowTitle(), "VELTA Client Program[*]");
}

TEST_F(MainWindowTest, StatusBarShowsTheLinkAsItChanges)
{
    struct Case {
        std::function<void()> set;
        QString shown;
    };
    const std::vector<Case> cases = {
        {[] {}, "COM 1  RS-232C"},
        {[] {
             link_settings().rs485 = true;
             link_settings().com_port_index = 2;
             link_settings().slave_address = 7;
         },
         "COM 3  RS-485  アドレス 07"},
        {[] { link_settings().slave_address = 32; }, "COM 3  RS-485  Bloadcast"},
        {[] {
             link_settings().interface = Interface::tcp;
             link_settings().host_list = {{192, 168, 1, 10}, {10, 0, 0, 5}};
             link_settings().host_count = 2;
             link_settings().selected_host = 1;
             model().extras.port_number = "09004";
         },
         "TCP/IP クライアント  10.0.0.5:09004  未接続"},
        {[] { link_status().socket_connected = 1; }, "TCP/IP クライアント  10.0.0.5:09004  接続中"},
        {[] {
             link_settings().tcp_role = TcpRole::server;
             link_settings().selected_host = 2;
             for (int slot : {1, 2, 4}) {
                 peer_table()[static_cast<std::size_t>(slot)].in_use = 1;
                 peer_table()[static_cast<std::size_t>(slot)].address =
                     "192.168.0." + std::to_string(slot);
             }
         },
         "TCP/IP サーバー  ポート 09004  停止中  接続 3 台  選択 192.168.0.2"},
    };
    for (const Case& c : cases) {
        c.set();
        window_.tick();
        EXPECT_EQ(window_.link_label()->text(), c.shown);
    }
}

TEST_F(MainWindowTest, FileShortcutsAndTheRecentFilesList)
{
    QTemporaryDir dir;
    window_.show();
    window_.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
    // Nine files saved through Ctrl+Shift+S: the list keeps the last eight, newest first.
    for (int i = 0; i < 9; ++i) {
        chosen_ = (dir.path() + QStringLiteral("/f%1").arg(i)).toStdString();
        model().config.device.alarm_mode = i % 2;
        QTest::keyClick(&window_, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    }
    EXPECT_EQ(document().file_name, chosen_.value() + ".dat");
    QStringList expected;
    for (int i = 8; i >= 1; --i) expected << dir.path() + QStringLiteral("/f%1.dat").arg(i);
    EXPECT_EQ(recent_files(), expected);
    emit window_.recent_menu()->aboutToShow();
    emit menu_titled("ﾌｧｲﾙ")->aboutToShow();
    ASSERT_EQ(window_.recent_menu()->actions().size(), 8);

    // Ctrl+N leaves an untitled document; Ctrl+S then asks for a name.
    QTest::keyClick(&window_, Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(document().file_name.empty());
    chosen_.reset();
    QTest::keyClick(&window_, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(document().file_name.empty());

    // A recent entry opens its file (f6.dat held alarm mode 0) and moves to the top.
    window_.recent_menu()->actions().at(2)->trigger();
    EXPECT_EQ(document().file_name, (dir.path() + "/f6.dat").toStdString());
    EXPECT_EQ(recent_files().front(), dir.path() + "/f6.dat");
    chosen_ = (dir.path() + "/f3.dat").toStdString();
    QTest::keyClick(&window_, Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(model().config.device.alarm_mode, 1);
}

TEST_F(MainWindowTest, StatusBarShowsDateAndTimeAndTheTimerRunsTheWatchdogFirst)
{
    EXPECT_EQ(status_date_text(QDate(2026, 12, 9)), "2026年12月 9日  水曜日");
    EXPECT_EQ(status_date_text(QDate(2027, 1, 10)), "2027年 1月10日  日曜日");
    EXPECT_EQ(status_date_text(QDate(2026, 10, 31)), "2026年10月31日  土曜日");
    EXPECT_EQ(status_time_text(QTime(7, 5, 9)), "07：05：09");
    EXPECT_EQ(status_time_text(QTime(23, 59, 0)), "23：59：00");

    EXPECT_EQ(window_.main_timer().interval(), 300);
    EXPECT_TRUE(window_.main_timer().isActive());
    window_.set_clock([] { return QDateTime(QDate(2026, 12, 13), QTime(23, 59, 59)); });
    window_.tick();
    EXPECT_EQ(window_.date_label()->text(), "2026年12月13日  日曜日");
    window_.set_clock([] { return QDateTime(QDate(2026, 12, 14), QTime(18, 0, 1)); });
    // The box the watchdog raises comes before the clock moves on.
    QString date_when_boxed;
    link_status().success_pending = 1;
    const BoxPresenter previous = set_box_presenter([&](const Box& box) {
        date_when_boxed = window_.date_label()->text();
        EXPECT_EQ(box.text, "Success");
        return BoxAnswer::ok;
    });
    window_.tick();
    set_box_presenter(previous);
    EXPECT_EQ(date_when_boxed, "2026年12月13日  日曜日");
    EXPECT_EQ(window_.date_label()->text(), "2026年12月14日  月曜日");
    EXPECT_EQ(window_.time_label()->text(), "18：00：01");
    EXPECT_EQ(link_status().success_pending, 0);
}

TEST_F(MainWindowTest, WindowIsSmallFixedAndTitledByRole)
{
    EXPECT_EQ(window_.width(), k_main_window_width);
    EXPECT_EQ(window_.minimumSize(), window_.maximumSize());
    EXPECT_FALSE(window_.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window_.windowFlags() & Qt::WindowMinimizeButtonHint);
    link_settings().tcp_role = TcpRole::server;
    MainWindow server;
    EXPECT_EQ(server.windowTitle(), "VELTA Server Program[*]");
}

// Finds the modal window that opened and hands it to act, once the event loop runs.
template <typename W>
void when_open(std::function<void(W*)> act)
{
    QTimer::singleShot(0, [act] {
        auto* w = qobject_cast<W*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        act(w);
    });
}

TEST_F(MainWindowTest, VersionBoxShowsTheVersionAndCloses)
{
    QString caption;
    QString text;
    when_open<VersionDialog>([&](VersionDialog* d) {
        caption = d->windowTitle();
        text = d->findChild<QLabel*>("version_text")->text();
        d->findChild<QPushButton*>()->click();
    });
    window_.run_command(command::version);
    EXPECT_EQ(caption, "VELTAのﾊﾞｰｼﾞｮﾝ情報");
    EXPECT_EQ(text, "VELTA Version 1.32");
}

TEST(SettingsFileDialog, HasItsTitlesAndFiltersAndSavesBareNamesAsDat)
{
    ConfigSandbox config;
    QTemporaryDir dir;
    QString title;
    QStringList filters;
    when_open<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        filters = d->nameFilters();
        d->setDirectory(dir.path());
        d->selectFile(QStringLiteral("week"));
        QMetaObject::invokeMethod(d, "accept");
    });
    const std::optional<std::string> saved = choose_settings_file(FileDialogMode::save, nullptr);
    EXPECT_EQ(title, "ファイルの保存");
    EXPECT_EQ(filters, (QStringList{"データ(*.dat)", "すべて(*.*)"}));
    ASSERT_TRUE(saved.has_value());
    EXPECT_EQ(QString::fromStdString(*saved), dir.path() + "/week.dat");

    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QString folder;
    when_open<QFileDialog>([&](QFileDialog* d) {
        title = d->windowTitle();
        mode = d->fileMode();
        folder = d->directory().absolutePath();
        d->reject();
    });
    EXPECT_FALSE(choose_settings_file(FileDialogMode::open, nullptr).has_value());
    EXPECT_EQ(title, "ファイルのオープン");
    EXPECT_EQ(mode, QFileDialog::ExistingFile);
    // The next dialog opens where the last file was chosen.
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());
}

TEST(BoxPresenter, QuestionsAndErrorsBecomeQtBoxesWithTheirCaptionsAndIcons)
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    auto capture_and_press = [&](QMessageBox::StandardButton press) {
        when_open<QMessageBox>([&, press](QMessageBox* mb) {
            caption = mb->windowTitle();
            text = mb->text();
            icon = mb->icon();
            mb->button(press)->click();
        });
    };
    const BoxPresenter previous = set_box_presenter(show_qt_box);

    capture_and_press(QMessageBox::No);
    EXPECT_FALSE(ask_yes_no("VELTA", "データを保存せずに終了しますか？"));
    EXPECT_EQ(caption, "VELTA");
    EXPECT_EQ(text, "データを保存せずに終了しますか？");
    EXPECT_EQ(icon, QMessageBox::Question);

    capture_and_press(QMessageBox::Yes);
    EXPECT_TRUE(ask_yes_no("VELTA", "?"));

    capture_and_press(QMessageBox::Ok);
    warning_box("Can't file open");
    EXPECT_EQ(caption, "Error");
    EXPECT_EQ(icon, QMessageBox::Warning);

    QString detail;
    when_open<QMessageBox>([&](QMessageBox* mb) {
        icon = mb->icon();
        detail = mb->informativeText();
        mb->button(QMessageBox::Ok)->click();
    });
    error_box("Miss! File Open", "/dev/ttyUSB0: Permission denied");
    EXPECT_EQ(icon, QMessageBox::Critical);
    EXPECT_EQ(detail, "/dev/ttyUSB0: Permission denied");

    set_box_presenter(previous);
}

TEST(BoxPresenter, EnterTakesTheSafeAnswerOfAQuestionAndEscCancels)
{
    const BoxPresenter previous = set_box_presenter(show_qt_box);
    for (const auto& [key, answer] :
         {std::pair{Qt::Key_Return, BoxAnswer::no}, std::pair{Qt::Key_Escape, BoxAnswer::cancel}}) {
        QStringList buttons;
        when_open<QMessageBox>([&buttons, key](QMessageBox* mb) {
            for (QAbstractButton* b : mb->buttons()) buttons << b->text();
            QTest::keyClick(mb, key);
        });
        EXPECT_EQ(ask_question(k_text_exit_unsaved, BoxButtons::yes_no_cancel, BoxAnswer::no),
                  answer);
        EXPECT_EQ(buttons.size(), 3);
    }
    set_box_presenter(previous);
}

TEST(SingleInstance, ASecondCopyIsToldAndRefused)
{
    QTemporaryDir runtime;
    const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_TRUE(instance_lock_path().startsWith(runtime.path()));
    EXPECT_TRUE(instance_lock_path().endsWith("VELTA TCP_X_Mutex.lock"));
    BoxRecorder boxes;
    {
        InstanceGuard first;
        ASSERT_TRUE(first.acquire());
        InstanceGuard second;
        EXPECT_FALSE(second.acquire());
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, "２重に起動はできません");
        EXPECT_EQ(boxes.boxes()[0].caption, "VELTA");
        EXPECT_EQ(boxes.boxes()[0].buttons, BoxButtons::ok);
    }
    // Once the first copy has gone, a new one starts.
    InstanceGuard third;
    EXPECT_TRUE(third.acquire());
    EXPECT_EQ(boxes.boxes().size(), 1u);
    qputenv("XDG_RUNTIME_DIR", previous);
}

TEST(StartUp, ReadsTheConfigurationAndOpensTheSerialPortOnlyForSerial)
{
    WireCapture wire;
    BoxRecorder boxes;
    ConfigSandbox config;
    peer_table()[5].in_use = 1;
    model().config.pages.page_title[0] = "LEFT OVER";
    config.write_file(
        "[VELTA_Section]\nInterface=1\nClientServer=1\nlist_count=1\n"
        "ip00_0=10\nip00_1=0\nip00_2=0\nip00_3=7\ncom_path0=/nonexistent/tty\n");
    {
        const std::unique_ptr<MainWindow> window = start_up();
        EXPECT_EQ(window->windowTitle(), "VELTA Server Program[*]");
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(peer_table()[5].in_use, 0);
        EXPECT_EQ(model().config.pages.page_title[0], "");
        ASSERT_EQ(link_settings().host_count, 1);
        EXPECT_EQ(link_settings().host_list[0], (IpAddress{10, 0, 0, 7}));
        EXPECT_TRUE(boxes.boxes().empty());  // TCP/IP: no port is opened at start
        EXPECT_FALSE(serial_port_open());
    }
    config.write_file("[VELTA_Section]\nInterface=0\ncom_path0=/nonexistent/tty\n");
    {
        const std::unique_ptr<MainWindow> window = start_up();
        EXPECT_EQ(window->windowTitle(), "VELTA Client Program[*]");
        ASSERT_EQ(boxes.boxes().size(), 1u);
        EXPECT_EQ(boxes.boxes()[0].text, "Miss! File Open");
    }
    close_serial_port();
}

}  // namespace
}  // namespace velta
