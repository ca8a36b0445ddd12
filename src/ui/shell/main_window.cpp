#include "ui/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <algorithm>
#include <array>

#include "core/common/message_boxes.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "core/wire/watchdog.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/glyphs/glyph_list_dialog.h"
#include "ui/pages/page_overview_dialog.h"
#include "ui/shell/command_table.h"
#include "ui/shell/dialog_table.h"
#include "ui/shell/pictures.h"
#include "ui/shell/version_dialog.h"
#include "ui/widgets/config_edits.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

constexpr int k_status_part_margin = 12;
constexpr int k_broadcast_address = 32;  // past "31" in the address list: "Bloadcast"
constexpr int k_central_height = 4;
constexpr int k_toolbar_button_width = k_toolbar_image_width + 7;
constexpr int k_toolbar_button_height = k_toolbar_image_height + 6;

}  // namespace

QString main_window_title(TcpRole tcp_role, const std::string& file_name)
{
    QString title = tcp_role == TcpRole::server ? QStringLiteral("VELTA Server Program")
                                                : QStringLiteral("VELTA Client Program");
    if (!file_name.empty())
        title += QStringLiteral(" - ") + QFileInfo(QString::fromStdString(file_name)).fileName();
    return title + QStringLiteral("[*]");
}

QString link_status_text()
{
    const LinkSettings& l = link_settings();
    if (l.interface == Interface::serial) {
        QString text = QStringLiteral("COM %1").arg(l.com_port_index + 1);
        if (!l.rs485)
            text += QStringLiteral("  RS-232C");
        else if (l.slave_address >= k_broadcast_address)
            text += QStringLiteral("  RS-485  Bloadcast");
        else
            text += QStringLiteral("  RS-485  アドレス %1")
                        .arg(l.slave_address, 2, 10, QLatin1Char('0'));
        return serial_port_lost() ? text + QStringLiteral("  切断") : text;
    }
    const QString port = qs(model().extras.port_number);
    if (l.tcp_role == TcpRole::client) {
        QString host = QStringLiteral("ホスト未選択");
        if (l.selected_host >= 0 && l.selected_host < static_cast<int>(l.host_list.size())) {
            const IpAddress& a = l.host_list[static_cast<std::size_t>(l.selected_host)];
            host = QStringLiteral("%1.%2.%3.%4").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]);
        }
        return QStringLiteral("TCP/IP クライアント  %1:%2  %3")
            .arg(host, port,
                 link_status().socket_connected == 1 ? QStringLiteral("接続中")
                                                     : QStringLiteral("未接続"));
    }
    const PeerTable& peers = peer_table();
    const auto connected = std::count_if(peers.begin() + 1, peers.end(),
                                         [](const PeerSlot& p) { return p.in_use != 0; });
    QString chosen = QStringLiteral("選択なし");
    if (l.selected_host > 0 && l.selected_host < k_peer_slots &&
        peers[static_cast<std::size_t>(l.selected_host)].in_use != 0)
        chosen =
            QStringLiteral("選択 ") + qs(peers[static_cast<std::size_t>(l.selected_host)].address);
    return QStringLiteral("TCP/IP サーバー  ポート %1  %2  接続 %3 台  %4")
        .arg(port, tcp_listening() ? QStringLiteral("待ち受け中") : QStringLiteral("停止中"))
        .arg(connected)
        .arg(chosen);
}

QString status_date_text(const QDate& date)
{
    static const std::array<const char*, 7> weekdays{"日曜日", "月曜日", "火曜日", "水曜日",
                                                     "木曜日", "金曜日", "土曜日"};
    // Qt counts Monday as 1 and Sunday as 7; the names start on Sunday.
    const char* weekday = weekdays[static_cast<std::size_t>(date.dayOfWeek() % 7)];
    return QString::asprintf("%4d年%2d月%2d日  ", date.year(), date.month(), date.day()) +
           QString::fromUtf8(weekday);
}

QString status_time_text(const QTime& time)
{
    return QString::asprintf("%02d：%02d：%02d", time.hour(), time.minute(), time.second());
}

std::optional<std::string> choose_settings_file(FileDialogMode mode, QWidget* owner)
{
    const bool open = mode == FileDialogMode::open;
    QFileDialog dialog(
        owner, open ? QStringLiteral("ファイルのオープン") : QStringLiteral("ファイルの保存"));
    dialog.setNameFilters({QStringLiteral("データ(*.dat)"), QStringLiteral("すべて(*.*)")});
    dialog.setAcceptMode(open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QString folder = last_folder("dat");
    if (!folder.isEmpty())
        dialog.setDirectory(folder);
    // The overwrite question comes from the save flow, about the name with its ".dat".
    if (!open) {
        dialog.setDefaultSuffix(QStringLiteral("dat"));
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const QString chosen = dialog.selectedFiles().constFirst();
    remember_folder("dat", chosen);
    return chosen.toStdString();
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      opener_(open_command_dialog),
      clock_([] { return QDateTime::currentDateTime(); }),
      quit_([] { QCoreApplication::quit(); })
{
    chooser_ = [this](FileDialogMode mode) { return choose_settings_file(mode, this); };
    glyph_chooser_ = [this](GlyphSize size) { return ask_glyph_list_file(size, true, this); };
    setWindowIcon(program_icon());
    ConfigEdits::instance();  // watches the edits from the start
    connect(&ConfigEdits::instance(), &ConfigEdits::history_changed, this,
            &MainWindow::apply_menu_rules);

    build_menus();
    build_toolbar();
    build_status_bar();
    update_title();
    auto* central = new QWidget;
    central->setFixedHeight(k_central_height);
    setCentralWidget(central);

    // Small and fixed, in the top-left corner of the screen, as operators know it.
    const int height = menuBar()->sizeHint().height() + toolbar_->sizeHint().height() +
                       statusBar()->sizeHint().height() + k_central_height;
    setFixedSize(k_main_window_width, height);
    move(0, 0);

    apply_menu_rules();

    connect(&timer_, &QTimer::timeout, this, &MainWindow::tick);
    timer_.start(k_main_timer_ms);
    update_clock();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::add_item(QMenu* menu, int command_id, const char* text,
                              const QKeySequence& keys)
{
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setShortcut(keys);
    a->setData(command_id);
    connect(a, &QAction::triggered, this, [this, command_id] { run_command(command_id); });
    actions_[command_id] = a;
    return a;
}

void MainWindow::build_menus()
{
    namespace c = command;
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu(QStringLiteral("ﾌｧｲﾙ"));
    add_item(file, c::file_new, "新規作成", QKeySequence(Qt::CTRL | Qt::Key_N));
    add_item(file, c::file_open, "開く", QKeySequence(Qt::CTRL | Qt::Key_O));
    add_item(file, c::file_save, "上書き保存", QKeySequence(Qt::CTRL | Qt::Key_S));
    add_item(file, c::file_save_as, "名前を付けて保存",
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file->addSeparator();
    recent_menu_ = file->addMenu(QStringLiteral("最近使ったファイル"));
    file->addSeparator();
    add_item(file, c::restore_backup, "バックアップから復元…");
    add_item(file, c::backup_folder, "バックアップのフォルダを開く");
    file->addSeparator();
    add_item(file, c::exit, "ｱﾌﾟﾘｹｰｼｮﾝの終了");

    QMenu* edit = bar->addMenu(QStringLiteral("編集"));
    add_item(edit, c::undo, "元に戻す", QKeySequence(Qt::CTRL | Qt::Key_Z));
    add_item(edit, c::redo, "やり直し", QKeySequence(Qt::CTRL | Qt::Key_Y));

    QMenu* settings = bar->addMenu(QStringLiteral("設定"));
    add_item(settings, c::date_time, "日付，時刻");
    add_item(settings, c::title, "タイトル");
    add_item(settings, c::title_position, "タイトル表示位置");
    add_item(settings, c::auto_switch, "自動切換え");
    add_item(settings, c::colours, "文字＆縁取り色");
    add_item(settings, c::background_fill, "背景色ベタ塗り");
    add_item(settings, c::char_level, "文字レベル");
    add_item(settings, c::page_overview, "全ページ一覧…");
    add_item(settings, c::schedule, "スケジュール");
    add_item(settings, c::alarm, "アラーム");
    add_item(settings, c::remote, "リモート");
    add_item(settings, c::others, "その他");
    add_item(settings, c::display_page, "表示ページ");
    settings->addSeparator();
    add_item(settings, c::glyph_insert, "外字挿入");
    QMenu* glyph_lists = settings->addMenu(QStringLiteral("外字一覧"));
    add_item(glyph_lists, c::glyph_list_small, "外字小文字");
    add_item(glyph_lists, c::glyph_list_medium, "外字中文字");
    add_item(glyph_lists, c::glyph_list_large, "外字大文字");
    settings->addSeparator();
    add_item(settings, c::set_all, "全項目の設定");
    add_item(settings, c::compare, "デバイスと比較…");
    add_item(settings, c::slave_address, "機器のスレーブアドレス");
    QMenu* maintenance = settings->addMenu(QStringLiteral("メンテナンス"));
    add_item(maintenance, c::read_all, "設定項目の読み込み");

    QMenu* link = bar->addMenu(QStringLiteral("インターフェイス"));
    add_item(link, c::interface_setup, "インターフェイスの設定");
    add_item(link, c::serial_setup, "RS-232C/485の設定");
    add_item(link, c::client_server, "クライアント/サーバー");
    add_item(link, c::tcp_setup, "TCP/IPの設定");
    add_item(link, c::fleet_run, "TCP/IP サーバー: 全デバイスで実行…");

    QMenu* protocol_menu = bar->addMenu(QStringLiteral("プロトコル"));
    add_item(protocol_menu, c::protocol, "プロトコルの設定");

    QMenu* info = bar->addMenu(QStringLiteral("情報"));
    add_item(info, c::version, "VELTA のﾊﾞｰｼﾞｮﾝ情報.");
    add_item(info, c::about_glyphs, "外字について");

    // The rules are applied whenever the operator opens a menu, so they follow every change.
    for (QMenu* m : {file, edit, settings, glyph_lists, maintenance, link, protocol_menu, info})
        connect(m, &QMenu::aboutToShow, this, &MainWindow::apply_menu_rules);
}

void MainWindow::build_toolbar()
{
    toolbar_ = addToolBar(QStringLiteral("toolbar"));
    toolbar_->setObjectName(QStringLiteral("toolbar"));
    toolbar_->setMovable(false);
    toolbar_->setFloatable(false);
    toolbar_->setIconSize(QSize(k_toolbar_image_width, k_toolbar_image_height));
    toolbar_->setContextMenuPolicy(Qt::PreventContextMenu);
    // Thirteen 43-pixel pictures have to fit the window's fixed width.
    toolbar_->setContentsMargins(0, 0, 0, 0);
    toolbar_->layout()->setSpacing(0);
    for (int k = 0; k < k_toolbar_buttons; ++k) {
        const ToolbarButton& b = k_toolbar[static_cast<std::size_t>(k)];
        QAction* a = toolbar_->addAction(QIcon(toolbar_picture(k)), qs(b.tooltip));
        a->setToolTip(qs(b.tooltip));
        a->setData(b.id);
        const int id = b.id;
        connect(a, &QAction::triggered, this, [this, id] { run_command(id); });
        actions_[id] = a;
        toolbar_->widgetForAction(a)->setFixedSize(k_toolbar_button_width, k_toolbar_button_height);
    }
}

void MainWindow::build_status_bar()
{
    QStatusBar* bar = statusBar();
    bar->setSizeGripEnabled(false);
    date_label_ = new QLabel;
    // Room for the longest date; the rest of the bar shows the link.
    date_label_->setFixedWidth(
        date_label_->fontMetrics().horizontalAdvance(QStringLiteral("2026年12月31日  水曜日")) +
        k_status_part_margin);
    time_label_ = new QLabel;
    time_label_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    time_label_->setAlignment(Qt::AlignCenter);
    time_label_->setFixedWidth(
        time_label_->fontMetrics().horizontalAdvance(QStringLiteral("00：00：00")) +
        k_status_part_margin);
    link_label_ = new QLabel;
    link_label_->setObjectName(QStringLiteral("link_status"));
    bar->addWidget(date_label_);
    bar->addWidget(link_label_, 1);
    bar->addWidget(time_label_);
}

QAction* MainWindow::action(int command_id) const
{
    const auto it = actions_.find(command_id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::update_title()
{
    setWindowTitle(main_window_title(link_settings().tcp_role, document().file_name));
    setWindowModified(unsaved_data(model()).any());
    const QString link = link_status_text();
    if (link_label_->text() != link)
        link_label_->setText(link);
}

void MainWindow::update_recent_menu()
{
    recent_menu_->clear();
    const QStringList files = recent_files();
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* a = recent_menu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path));
        connect(a, &QAction::triggered, this, [this, path] { open_recent(path); });
    }
    recent_menu_->setEnabled(!files.isEmpty());
}

void MainWindow::open_recent(const QString& path)
{
    // Only the open takes the recent name; a save offered first still asks where.
    const SettingsFileChooser recent = [this, path](FileDialogMode mode) {
        return mode == FileDialogMode::open ? std::optional<std::string>(path.toStdString())
                                            : chooser_(mode);
    };
    file_done(file_open(program_context(), {recent, glyph_chooser_}), true);
}

void MainWindow::file_done(bool ok, bool opened)
{
    // A file opened is a new start: its edits are undone, not those of the one before.
    if (ok && opened)
        ConfigEdits::instance().restart();
    if (ok && !document().file_name.empty())
        add_recent_file(QString::fromStdString(document().file_name));
    update_recent_menu();
    update_title();
}

void MainWindow::apply_menu_rules()
{
    const LinkSettings& l = link_settings();
    const bool tcp = l.interface == Interface::tcp;
    action(command::client_server)->setEnabled(tcp);
    action(command::tcp_setup)->setEnabled(tcp);
    action(command::fleet_run)->setEnabled(tcp && l.tcp_role == TcpRole::server);
    action(command::serial_setup)->setEnabled(!tcp);
    action(command::slave_address)->setEnabled(!tcp && l.rs485);
    action(command::undo)->setEnabled(ConfigEdits::instance().can_undo());
    action(command::redo)->setEnabled(ConfigEdits::instance().can_redo());
    update_recent_menu();
}

void MainWindow::run_command(int command_id)
{
    const int id = menu_command_of(command_id);
    switch (id) {
        case command::file_new:
            if (file_new(program_context(), choosers()))
                ConfigEdits::instance().restart();
            update_title();
            return;
        case command::file_open:
            file_done(file_open(program_context(), choosers()), true);
            return;
        case command::file_save:
            file_done(file_save(program_context(), chooser_));
            return;
        case command::file_save_as:
            file_done(file_save_as(program_context(), chooser_));
            return;
        case command::exit:
            close();
            return;
        case command::undo:
            ConfigEdits::instance().undo();
            update_title();
            return;
        case command::redo:
            ConfigEdits::instance().redo();
            update_title();
            return;
        case command::page_overview:
            show_page_overview();
            return;
        case command::version: {
            VersionDialog box(this);
            box.exec();
            return;
        }
        case command::protocol:
            if (link_settings().interface == Interface::tcp) {
                error_box(k_text_protocol_needs_serial);
                return;
            }
            break;
        default:
            break;
    }
    if (!has_command_dialog(id))
        return;
    corner_clicks_ = 0;  // a dialog in between starts the count again
    opener_(id, this);
    if (id == command::client_server)
        update_title();
}

void MainWindow::show_page_overview()
{
    // One overview, beside the main window and the dialogs, brought forward when asked again.
    if (!overview_) {
        overview_ = new PageOverviewDialog(this);
        overview_->setAttribute(Qt::WA_DeleteOnClose);
    }
    overview_->show();
    overview_->raise();
    overview_->activateWindow();
}

void MainWindow::corner_click(const QPoint& pos)
{
    int& clicks = corner_clicks_;
    const bool in_corner =
        pos.x() >= 0 && pos.y() >= 0 && pos.x() < k_corner_size && pos.y() < k_corner_size;
    clicks = in_corner ? clicks + 1 : 0;
    if (clicks >= k_corner_clicks_to_open) {
        clicks = 0;
        opener_(command::read_all, this);
    }
}

void MainWindow::contextMenuEvent(QContextMenuEvent* e)
{
    // Right-clicks anywhere in the window end up here; no context menu is shown.
    corner_click(mapFromGlobal(e->globalPos()));
    e->accept();
}

bool MainWindow::request_exit()
{
    if (!exit_allowed(program_context(), choosers()))
        return false;
    timer_.stop();
    exit_accepted_ = true;
    quit_();
    return true;
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    if (exit_accepted_ || request_exit())
        e->accept();
    else
        e->ignore();
}

void MainWindow::tick()
{
    watchdog_tick(program_context());
    // Answers change the configuration without an operator's action.
    ConfigEdits::instance().notice();
    update_clock();
    update_title();
}

void MainWindow::update_clock()
{
    const QDateTime now = clock_();
    date_label_->setText(status_date_text(now.date()));
    time_label_->setText(status_time_text(now.time()));
}

}  // namespace velta
