#include "ui/device/client_server_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "ui/device/connection_layout_widgets.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

ClientServerDialog::ClientServerDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("クライアント/サーバー"), parent)
{
    list_ = link_setting_combo({QStringLiteral("Client"), QStringLiteral("Server")},
                               &LinkSettings::tcp_role, "ClientServer");
    locked_while_connected(list_);
    lay_out_beside_buttons(this, {group_row(QStringLiteral("選択"), {list_})}, {make_set_button()});
}

}  // namespace velta
