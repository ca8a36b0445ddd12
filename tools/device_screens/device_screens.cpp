// Shows one device-wide dialog with sample data, so it can be photographed:
//   device_screens DIALOG
// DIALOG is one of alarm, remote, other, schedule, network, setall, readall, setalldone (a
// set-all run to its end, against a line nobody answers, its backup in a folder of its own),
// compare (the differences found), verified (after sending the checked ones), restore (the
// backups of the device in use) and fleet (the run on every connected device, as four devices
// on the loopback look after a set-all on three of them).
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "core/common/message_boxes.h"
#include "core/model/settings_backup.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/device/alarm_dialog.h"
#include "ui/device/batch_run_dialog.h"
#include "ui/device/compare_dialog.h"
#include "ui/device/fleet_run_dialog.h"
#include "ui/device/network_dialog.h"
#include "ui/device/other_settings_dialog.h"
#include "ui/device/remote_dialog.h"
#include "ui/device/restore_dialog.h"
#include "ui/device/schedule_dialog.h"

using namespace velta;

namespace {

void sample_data()
{
    DeviceSettings& d = model().config.device;
    d.connector_assignment = {0, 4, 9, 19, 99, 127, 200, 255};
    d.alarm_hold_time = "015";
    d.remote_mode = 1;
    d.power_on_page = 256;
    d.upper_display_offset = 12;
    for (int e = 0; e < 24; e += 2) d.schedule_page[4][static_cast<std::size_t>(e)] = e * 5;
    d.schedule_page[4][5] = 256;
    d.schedule_minute[4][3] = 30;
    model().extras.net_ip_address = {192, 168, 1, 3};
    model().extras.net_gateway = {192, 168, 1, 254};
    model().extras.net_eaa = {10, 0, 0, 1};
    model().extras.net_mac_address = "00-11-22-33-44-55";
    model().extras.firmware_version = "1.23";
    link_settings().rs485 = true;
    link_settings().slave_address = 3;
}

// The device as a compare finds it: three titles, the hold time and one schedule entry differ.
std::unique_ptr<QDialog> compare_dialog(bool after_send)
{
    DeviceConfig device = model().config;
    model().config.pages.page_title[0] = to_cp932(QStringLiteral("本日の特売品"));
    model().config.pages.page_title[1] = to_cp932(QStringLiteral("営業時間のお知らせ"));
    device.pages.page_title[1] = to_cp932(QStringLiteral("営業時間"));
    device.pages.page_title[2] = to_cp932(QStringLiteral("臨時休業"));
    device.device.alarm_hold_time = "030";
    device.device.schedule_hour[4][6] = 9;
    device.device.schedule_page[4][6] = 2;
    auto dialog = std::make_unique<CompareDialog>();
    dialog->compared(device);
    if (!after_send)
        return dialog;
    dialog->table()->item(1, 0)->setCheckState(Qt::Unchecked);
    dialog->backup_label()->setText(
        QStringLiteral("送信前のデバイスの設定: "
                       "/home/operator/.config/velta/backups/20261209-154500_COM1_03.dat"));
    DeviceConfig after = model().config;
    after.pages.page_title[1] = device.pages.page_title[1];
    dialog->verified(after);
    return dialog;
}

// Four devices connect to the tool's server from loopback addresses of their own.
std::unique_ptr<QDialog> fleet_dialog()
{
    link_settings().interface = Interface::tcp;
    link_settings().tcp_role = TcpRole::server;
    link_settings().rs485 = false;
    model().extras.port_number = "0";
    if (tcp_server_start(program_context()) != 1)
        return nullptr;
    for (int i = 0; i < 4; ++i) {
        auto* device = new QTcpSocket(qApp);
        device->bind(QHostAddress(QStringLiteral("127.0.0.%1").arg(11 + i)));
        device->connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    }
    for (int wait = 0; wait < 200 && used_peer_slots().size() < 4; ++wait) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
    auto dialog = std::make_unique<FleetRunDialog>();
    dialog->fast_box()->setChecked(true);
    const int values[] = {625, 402, 625, 0};
    const char* results[] = {"完了", "全項目の設定 手順 87 / 310（CA）: 接続が切れました", "完了",
                             ""};
    for (int r = 0; r < dialog->table()->rowCount() && r < 4; ++r) {
        QTableWidgetItem* bar = dialog->table()->item(r, 1);
        bar->setData(FleetRunDialog::k_progress_max_role, 625);
        bar->setData(FleetRunDialog::k_progress_value_role, values[r]);
        QTableWidgetItem* device = dialog->table()->item(r, 0);
        if (r < 3)
            device->setText(device->text() + QStringLiteral("（00-11-22-33-44-5%1）").arg(r));
        dialog->table()->item(r, 2)->setText(QString::fromUtf8(results[r]));
        if (r < 3)
            dialog->table()->item(r, 3)->setText(
                QStringLiteral("20261210-153000_%1.dat")
                    .arg(device->text().section(QChar(0xFF08), 0, 0).replace(':', '_')));
    }
    dialog->table()->item(3, 0)->setCheckState(Qt::Unchecked);
    return dialog;
}

// The backups go to a folder of the screenshot's own, never the operator's.
void private_configuration_folder()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", folder.path().toLocal8Bit());
}

// A whole set-all, backup read first, on a serial line that takes every command; it ends as
// any run does, with its result in the dialog.
std::unique_ptr<QDialog> finished_set_all()
{
    private_configuration_folder();
    set_box_presenter([](const Box&) { return BoxAnswer::yes; });
    WireHooks hooks;
    hooks.serial_write = [](std::string_view) {};
    velta::program_context().hooks = std::move(hooks);
    set_pace_divisor(100);
    auto dialog = std::make_unique<BatchRunDialog>(set_all_config());
    QTimer::singleShot(0, dialog.get(), [d = dialog.get()] { d->start(); });
    return dialog;
}

// Three backups of the device in use and one of another device.
std::unique_ptr<QDialog> restore_dialog()
{
    private_configuration_folder();
    const std::string folder = backup_folder_path().toStdString();
    const auto now = std::chrono::system_clock::now();
    for (int hours : {26, 3, 1})
        save_backup(folder, "COM1_03", model().config, now - std::chrono::hours(hours));
    save_backup(folder, "COM2", model().config, now - std::chrono::hours(2));
    return std::make_unique<RestoreDialog>();
}

std::unique_ptr<QDialog> make(const char* name)
{
    if (std::strcmp(name, "alarm") == 0)
        return std::make_unique<AlarmDialog>();
    if (std::strcmp(name, "remote") == 0)
        return std::make_unique<RemoteDialog>();
    if (std::strcmp(name, "other") == 0)
        return std::make_unique<OtherSettingsDialog>();
    if (std::strcmp(name, "schedule") == 0) {
        auto dialog = std::make_unique<ScheduleDialog>();
        dialog->day_list()->setCurrentIndex(4);
        return dialog;
    }
    if (std::strcmp(name, "network") == 0)
        return std::make_unique<NetworkDialog>();
    if (std::strcmp(name, "setall") == 0 || std::strcmp(name, "readall") == 0) {
        auto dialog =
            std::make_unique<BatchRunDialog>(name[0] == 's' ? set_all_config() : read_all_config());
        // As it looks part-way through a run.
        dialog->progress()->setValue(155);
        dialog->percent_field()->setText(QStringLiteral("50"));
        return dialog;
    }
    if (std::strcmp(name, "setalldone") == 0)
        return finished_set_all();
    if (std::strcmp(name, "restore") == 0)
        return restore_dialog();
    if (std::strcmp(name, "compare") == 0 || std::strcmp(name, "verified") == 0)
        return compare_dialog(name[0] == 'v');
    if (std::strcmp(name, "fleet") == 0)
        return fleet_dialog();
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    reset_settings_model();
    sample_data();
    std::unique_ptr<QDialog> dialog = make(argc > 1 ? argv[1] : "");
    if (!dialog) {
        std::fprintf(
            stderr,
            "usage: device_screens "
            "alarm|remote|other|schedule|network|setall|readall|setalldone|compare|verified|"
            "restore|fleet\n");
        return 2;
    }
    dialog->show();
    return QApplication::exec();
}
