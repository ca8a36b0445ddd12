#include "ui/device/interface_dialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

InterfaceDialog::InterfaceDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("インターフェイスの設定"), parent)
{
    list_ = link_setting_combo({QStringLiteral("RS-232C/485"), QStringLiteral("TCP/IP")},
                               &LinkSettings::interface, "Interface");
    // The interface cannot change under a live TCP/IP link.
    locked_while_connected(list_);
    lay_out_beside_buttons(this, {group_row(QStringLiteral("Interface"), {list_})},
                           {make_set_button()});
}

}  // namespace velta
