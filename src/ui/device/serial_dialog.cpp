#include "ui/device/serial_dialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "program/program_context.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

SerialDialog::SerialDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("シリアル通信の設定"), parent)
{
    QStringList port_items;
    for (int n = 1; n <= 6; ++n) port_items << QStringLiteral("COM %1").arg(n);
    ports_ = link_setting_combo(port_items, &LinkSettings::com_port_index, "com_port",
                                [this] { show_device(); });
    // A port that was lost is opened again when the operator picks a port, the same one too.
    connect(ports_, &QComboBox::activated, this, [] {
        if (serial_port_lost())
            open_serial_port(program_context());
    });
    control_ = link_setting_combo({QStringLiteral("RS-232C"), QStringLiteral("RS-485")},
                                  &LinkSettings::rs485, "rs_control");

    // The entries keep their names; which device an entry reaches is shown beneath, because
    // on Linux that is a mapping the operator may have set.
    device_ = new QLabel;
    device_->setObjectName(QStringLiteral("device"));
    show_device();
    auto* port_group = group_row(QStringLiteral("コム ポート"), {ports_});
    port_group->layout()->addWidget(device_);

    lay_out_beside_buttons(this,
                           {port_group, group_row(QStringLiteral("コントロール"), {control_})},
                           {make_set_button()});
}

void SerialDialog::show_device()
{
    device_->setText(serial_device_name(link_settings().com_port_index));
}

}  // namespace velta
