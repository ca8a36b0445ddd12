#include "gui/dialog_openers_widgets.h"
#include "device/client_server_dialog.h"
#include "device/interface_dialog.h"
#include "device/serial_dialog.h"
#include "device/slave_address_dialog.h"
#include "device/tcp_client_dialog.h"
#include "device/tcp_server_dialog.h"
#include "model/settings_model.h"
#include "shell/command_table.h"

namespace velta {
namespace {

template <typename Dialog>
bool run_modal(QWidget* owner)
{
    Dialog dialog(owner);
    dialog.exec();
    return true;
}

}  // namespace

bool open_connection_dialog(int command_id, QWidget* owner)
{
    switch (command_id) {
    case command::interface_setup:
        return run_modal<InterfaceDialog>(owner);
    case command::serial_setup:
        return run_modal<SerialDialog>(owner);
    case command::client_server:
        return run_modal<ClientServerDialog>(owner);
    case command::tcp_setup:
        return model().link.tcp_role == 1 ? run_modal<TcpServerDialog>(owner)
                                          : run_modal<TcpClientDialog>(owner);
    case command::slave_address:
        return run_modal<SlaveAddressDialog>(owner);
    default:
        return false;
    }
}

}  // namespace velta
