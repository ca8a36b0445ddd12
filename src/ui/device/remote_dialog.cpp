#include "ui/device/remote_dialog.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "core/device/alarm_commands.h"
#include "core/device/device_items.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/device/connector_table_widgets.h"
#include "ui/device/device_rows_widgets.h"

namespace velta {

RemoteDialog::RemoteDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("リモートの設定"), "リモートの設定 ", parent)
{
    connectors_ = new ConnectorTable(sends(remote_connectors_command));
    connectors_->send_button()->setObjectName(QStringLiteral("send_remote_connectors"));

    auto* row = new QHBoxLayout;
    row->addWidget(setting_group(
        QStringLiteral("モード"),
        field_combo(item_list(k_remote_mode_items), model().config.device.remote_mode),
        QStringLiteral("send_remote_mode"), sends(remote_mode_command)));
    row->addWidget(make_slave_address_group());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(connectors_);
    layout->addLayout(row);
    layout->addWidget(make_close_button(), 0, Qt::AlignRight);
    close_button()->setDefault(true);  // Enter ends this dialog as Esc does
}

}  // namespace velta
