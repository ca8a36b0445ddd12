#include "ui/device/tcp_client_dialog.h"

#include <QFontDatabase>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "core/common/message_boxes.h"
#include "core/device/host_list.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/widgets/dialog_widgets.h"
#include "ui/widgets/ip_address_widgets.h"

namespace velta {
TcpClientDialog::TcpClientDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("TCP/IPの設定(Client)"), parent)
{
    address_ = new IpAddressField;
    hosts_ = new QListWidget;
    // The host texts line their groups up in columns.
    hosts_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    hosts_->setMinimumHeight(120);
    add_ = plain_button(QStringLiteral("追加"));
    delete_ = plain_button(QStringLiteral("削除"));
    connect_ = plain_button(QStringLiteral("接続"));
    disconnect_ = plain_button(QStringLiteral("切断"));

    connect(add_, &QPushButton::clicked, this, &TcpClientDialog::add_address);
    connect(delete_, &QPushButton::clicked, this, &TcpClientDialog::delete_selected);
    connect(connect_, &QPushButton::clicked, this, &TcpClientDialog::connect_host);
    connect(disconnect_, &QPushButton::clicked, this, &TcpClientDialog::disconnect_host);
    connect(hosts_, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { choose_host(hosts_->row(item)); });

    auto* address_group = group_row(QStringLiteral("Host IP Address"), {address_, add_});
    auto* list_group = group_row(QStringLiteral("Host List"), {hosts_, delete_});
    auto* port_group = group_row(QStringLiteral("Port Number"), {make_port_edit()});
    lay_out_beside_buttons(this, {address_group, list_group, port_group},
                           {connect_, disconnect_, make_set_button()});

    refresh();
    follow_link();
}

void TcpClientDialog::refresh()
{
    const LinkSettings& l = link_settings();
    if (l.host_count > 0) {
        if (l.selected_host >= 0 && l.selected_host < l.host_count)
            address_->set_value(l.host_list[static_cast<std::size_t>(l.selected_host)]);
        hosts_->clear();
        for (int i = 0; i < l.host_count; ++i)
            hosts_->addItem(qs(host_text(l.host_list[static_cast<std::size_t>(i)])));
    }
    show_buttons();
}

void TcpClientDialog::show_buttons()
{
    const bool connected = link_status().socket_connected == 1;
    connect_->setEnabled(!connected);
    disconnect_->setEnabled(connected);
}

void TcpClientDialog::write_selection()
{
    write_configuration_int("select_number", link_settings().selected_host);
}

void TcpClientDialog::add_address()
{
    const std::optional<IpAddress> typed = address_->checked_value("Host IP Address");
    if (!typed)
        return;
    const IpAddress address = *typed;
    if (!add_host(link_settings(), address)) {
        warning_box(k_text_host_list_full);
        return;
    }
    hosts_->addItem(qs(host_text(address)));
    write_host_keys(link_settings(), link_settings().host_count - 1);
}

void TcpClientDialog::delete_selected()
{
    const int row = hosts_->currentRow();
    const int selected_before = link_settings().selected_host;
    if (link_settings().host_count == 0 || !delete_host(link_settings(), row))
        return;
    delete hosts_->takeItem(row);
    write_host_keys(link_settings(), row);
    if (link_settings().selected_host != selected_before)
        write_selection();
}

void TcpClientDialog::choose_host(int index)
{
    const LinkSettings& l = link_settings();
    if (index < 0 || index >= l.host_count)
        return;
    link_settings().selected_host = index;
    write_selection();
    address_->set_value(l.host_list[static_cast<std::size_t>(index)]);
}

void TcpClientDialog::connect_host()
{
    if (!port_acceptable())
        return;
    if (tcp_client_connect(program_context()) == 0)
        link_status().socket_connected = 0;
    show_buttons();
}

void TcpClientDialog::disconnect_host()
{
    if (link_status().socket_connected != 1)
        return;
    disconnect_all();
    link_status().socket_connected = 0;
    info_box("Socket 切断 OK");
    show_buttons();
}

}  // namespace velta
