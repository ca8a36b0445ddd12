#include "ui/device/tcp_server_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/device/fleet_run_dialog.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

const QString k_blank_place = QString(16, QLatin1Char(' '));

const PeerSlot& peer(int slot)
{
    return peer_table()[static_cast<std::size_t>(slot)];
}

}  // namespace

TcpServerDialog::TcpServerDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("TCP/IPの設定(Server)"), parent)
{
    place_ = new QLineEdit(k_blank_place);
    place_->setReadOnly(true);
    address_ = new QLineEdit(qs(listen_address()));
    address_->setObjectName(QStringLiteral("listen_address"));
    address_->setPlaceholderText(QStringLiteral("すべての IPv4 アドレス"));
    note_ = new QLabel;
    note_->setWordWrap(true);
    connect(&TcpLink::instance(), &TcpLink::peerRefused, this, [this](const QString& from) {
        note_->setText(QStringLiteral("%1 の接続を断りました（接続できるのは %2 台までです）")
                           .arg(from)
                           .arg(k_max_peers));
    });
    clients_ = new QListWidget;
    clients_->setMinimumHeight(120);
    connect_ = plain_button(QStringLiteral("接続"));
    disconnect_ = plain_button(QStringLiteral("切断"));
    fleet_ = plain_button(QStringLiteral("全デバイスで実行…"));
    // Enter does nothing here: no button is the default.
    QPushButton* close = make_close_button();

    connect(connect_, &QPushButton::clicked, this, &TcpServerDialog::start_listening);
    connect(disconnect_, &QPushButton::clicked, this, &TcpServerDialog::stop_all);
    connect(fleet_, &QPushButton::clicked, this, &TcpServerDialog::open_fleet_run);
    connect(clients_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose_entry(clients_->row(item)); });

    lay_out_beside_buttons(this,
                           {group_row(QStringLiteral("Transmission place"), {place_}),
                            group_row(QStringLiteral("Client List"), {clients_}),
                            group_row(QStringLiteral("Port Number"), {make_port_edit()}),
                            group_row(QStringLiteral("待ち受けアドレス"), {address_}), note_},
                           {connect_, disconnect_, fleet_, close});
    refresh();
    follow_link();
}

void TcpServerDialog::refresh()
{
    // Only the slots in use are listed, so an entry always names a connected device.
    shown_slots_ = used_peer_slots();
    clients_->clear();
    for (int slot : shown_slots_) clients_->addItem(qs(peer(slot).address));

    const int selected = link_settings().selected_host;
    const bool selected_in_use =
        selected >= 1 && selected < k_peer_slots && peer(selected).in_use == 1;
    place_->setText(selected_in_use ? qs(peer(selected).address) : k_blank_place);

    // Listening or serving devices: the port is fixed and the link can only be stopped.
    const bool running = tcp_listening() || !shown_slots_.empty();
    connect_->setEnabled(!running);
    disconnect_->setEnabled(running);
    port_edit()->setEnabled(!running);
    address_->setEnabled(!running);
    fleet_->setEnabled(!shown_slots_.empty());
}

void TcpServerDialog::start_listening()
{
    if (!port_acceptable())
        return;
    const std::string address = address_->text().trimmed().toStdString();
    if (!listen_address_valid(address)) {
        warning_box("待ち受けアドレスが正しくありません",
                    "\"" + address + "\"（例: 192.168.1.5、::1。空欄ならすべての IPv4 アドレス）");
        return;
    }
    set_listen_address(address);
    write_configuration_text("listen_address", address);
    note_->clear();
    tcp_server_start(program_context());
    refresh();
}

void TcpServerDialog::stop_all()
{
    disconnect_all();
    link_settings().selected_host = -1;
    link_status().socket_connected = 0;
    refresh();
}

void TcpServerDialog::open_fleet_run()
{
    if (used_peer_slots().empty())
        return;
    FleetRunDialog dialog(this);
    dialog.exec();
}

void TcpServerDialog::choose_entry(int row)
{
    if (row < 0 || row >= static_cast<int>(shown_slots_.size())) {
        link_settings().selected_host = -1;
        return;
    }
    const int slot = shown_slots_[static_cast<std::size_t>(row)];
    link_settings().selected_host = slot;
    link_status().socket_connected = 1;
    place_->setText(qs(peer(slot).address));
}

}  // namespace velta
