// Shows one window of the shell with sample link settings, so it can be photographed:
//   shell_screens WINDOW
// WINDOW is one of main, main_server, version, interface, serial, role, client, server, slave,
// open, save.
#include <QApplication>
#include <QFileDialog>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "program/program_context.h"
#include "ui/device/client_server_dialog.h"
#include "ui/device/interface_dialog.h"
#include "ui/device/serial_dialog.h"
#include "ui/device/slave_address_dialog.h"
#include "ui/device/tcp_client_dialog.h"
#include "ui/device/tcp_server_dialog.h"
#include "ui/shell/box_presenter.h"
#include "ui/shell/main_window.h"
#include "ui/shell/version_dialog.h"

using namespace velta;

namespace {

void sample_links()
{
    LinkSettings& l = link_settings();
    l.host_list = {{192, 168, 1, 3}, {192, 168, 1, 10}, {10, 0, 0, 1}};
    l.host_count = 3;
    l.selected_host = 1;
    l.rs485 = true;
    l.slave_address = 3;
    peer_table()[1] = PeerSlot{1, 11, "192.168.0.21"};
    peer_table()[2] = PeerSlot{1, 12, "192.168.0.22"};
}

std::unique_ptr<QWidget> make(const char* name)
{
    if (std::strcmp(name, "main") == 0) {
        // A file in use with an unsaved change: the title names it and shows the marker.
        document().file_name = "/home/operator/site_a.dat";
        model().config.device.alarm_mode = 1;
        return std::make_unique<MainWindow>();
    }
    if (std::strcmp(name, "main_server") == 0) {
        // The server role with two devices connected, the second chosen.
        link_settings().interface = Interface::tcp;
        link_settings().tcp_role = TcpRole::server;
        link_settings().selected_host = 2;
        return std::make_unique<MainWindow>();
    }
    if (std::strcmp(name, "version") == 0)
        return std::make_unique<VersionDialog>();
    if (std::strcmp(name, "interface") == 0)
        return std::make_unique<InterfaceDialog>();
    if (std::strcmp(name, "serial") == 0)
        return std::make_unique<SerialDialog>();
    if (std::strcmp(name, "role") == 0)
        return std::make_unique<ClientServerDialog>();
    if (std::strcmp(name, "client") == 0)
        return std::make_unique<TcpClientDialog>();
    if (std::strcmp(name, "server") == 0) {
        link_settings().interface = Interface::tcp;
        link_settings().tcp_role = TcpRole::server;
        link_settings().selected_host = 2;
        return std::make_unique<TcpServerDialog>();
    }
    if (std::strcmp(name, "slave") == 0)
        return std::make_unique<SlaveAddressDialog>();
    if (std::strcmp(name, "open") == 0 || std::strcmp(name, "save") == 0) {
        // The file dialogs as the File menu opens them.
        const FileDialogMode mode =
            std::strcmp(name, "open") == 0 ? FileDialogMode::open : FileDialogMode::save;
        choose_settings_file(mode, nullptr);
        std::exit(0);
    }
    return nullptr;
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    install_qt_box_presenter();
    if (argc < 2) {
        std::fprintf(stderr, "usage: shell_screens WINDOW\n");
        return 2;
    }
    reset_peer_table();
    reset_settings_model();
    sample_links();
    std::unique_ptr<QWidget> w = make(argv[1]);
    if (!w) {
        std::fprintf(stderr, "shell_screens: unknown window %s\n", argv[1]);
        return 2;
    }
    w->move(20, 20);
    w->show();
    return QApplication::exec();
}
