#include "device/client_server_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "common/dialog_widgets.h"
#include "device/connection_layout_widgets.h"
#include "link/configuration_file.h"
#include "model/settings_model.h"

namespace velta {

ClientServerDialog::ClientServerDialog(QWidget* parent)
    : ConnectionDialog(QStringLiteral("クライアント/サーバー"), parent)
{
    list_ = bound_combo(
        {QStringLiteral("Client"), QStringLiteral("Server")},
        [] { return model().link.tcp_role; },
        [](int index) {
            model().link.tcp_role = index;
            write_configuration_int("ClientServer", index);
        });
    locked_while_connected(list_);
    lay_out_beside_buttons(this, {group_row(QStringLiteral("選択"), {list_})},
                           {make_set_button()});
}

}  // namespace velta
