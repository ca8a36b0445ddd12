#include "ui/device/slave_address_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

SlaveAddressDialog::SlaveAddressDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("機器のスレーブアドレス"), "スレーブアドレスの設定 ", parent)
{
    // Always enabled here: this dialog is only offered for RS-485.
    list_ = bound_combo(
        slave_address_items(true), [] { return link_settings().slave_address; },
        [](int index) { link_settings().slave_address = index; });
    // Enter does nothing: no button is the default.
    lay_out_beside_buttons(this, {group_row(QStringLiteral("スレーブアドレス"), {list_})},
                           {make_close_button()});
}

}  // namespace velta
