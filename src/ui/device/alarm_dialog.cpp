#include "ui/device/alarm_dialog.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QVBoxLayout>

#include "core/device/alarm_commands.h"
#include "core/device/device_items.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/device/connector_table_widgets.h"
#include "ui/device/device_rows_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

AlarmDialog::AlarmDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("アラームの設定"), "アラームの設定 ", parent)
{
    DeviceSettings& d = model().config.device;

    // Kept as the device holds it ("30" is "030"), so that compare, verify and the unsaved
    // mark see what was sent; the edit keeps what is typed.
    hold_time_ = byte_limited_edit(d.alarm_hold_time, k_hold_time_bytes, [](std::string text) {
        model().config.device.alarm_hold_time = hold_time_as_sent(text);
    });
    hold_time_->setMaximumWidth(60);

    auto* grid = new QGridLayout;
    grid->addWidget(setting_group(QStringLiteral("モード"),
                                  field_combo(item_list(k_alarm_mode_items), d.alarm_mode),
                                  QStringLiteral("send_alarm_mode"), sends(alarm_mode_command)),
                    0, 0);
    grid->addWidget(
        setting_group(QStringLiteral("保持時間"), hold_time_,
                      QStringLiteral("send_alarm_hold_time"), sends(alarm_hold_time_command)),
        0, 1);
    grid->addWidget(
        setting_group(QStringLiteral("入力極性"),
                      field_combo(item_list(k_alarm_polarity_items), d.alarm_polarity),
                      QStringLiteral("send_alarm_polarity"), sends(alarm_polarity_command)),
        1, 0);
    grid->addWidget(
        setting_group(QStringLiteral("表示"),
                      field_combo(item_list(k_off_on_items), d.alarm_display),
                      QStringLiteral("send_alarm_display"), sends(alarm_display_command)),
        1, 1);
    grid->addWidget(setting_group(QStringLiteral("リターン"),
                                  field_combo(item_list(k_off_on_items), d.alarm_return),
                                  QStringLiteral("send_alarm_return"), sends(alarm_return_command)),
                    2, 0);
    grid->addWidget(make_slave_address_group(), 2, 1);

    connectors_ = new ConnectorTable(sends(alarm_connectors_command));
    connectors_->send_button()->setObjectName(QStringLiteral("send_alarm_connectors"));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(connectors_);
    layout->addWidget(make_close_button(), 0, Qt::AlignRight);
    close_button()->setDefault(true);  // Enter ends this dialog as Esc does
}

}  // namespace velta
