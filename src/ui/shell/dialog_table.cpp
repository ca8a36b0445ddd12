#include "ui/shell/dialog_table.h"

#include <array>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/device/alarm_dialog.h"
#include "ui/device/batch_run_dialog.h"
#include "ui/device/client_server_dialog.h"
#include "ui/device/compare_dialog.h"
#include "ui/device/fleet_run_dialog.h"
#include "ui/device/interface_dialog.h"
#include "ui/device/network_dialog.h"
#include "ui/device/other_settings_dialog.h"
#include "ui/device/remote_dialog.h"
#include "ui/device/restore_dialog.h"
#include "ui/device/schedule_dialog.h"
#include "ui/device/serial_dialog.h"
#include "ui/device/slave_address_dialog.h"
#include "ui/device/tcp_client_dialog.h"
#include "ui/device/tcp_server_dialog.h"
#include "ui/glyphs/glyph_insert_dialog.h"
#include "ui/glyphs/glyph_list_dialog.h"
#include "ui/pages/date_time_dialog.h"
#include "ui/pages/display_page_dialog.h"
#include "ui/pages/page_list_dialog.h"
#include "ui/pages/title_dialog.h"
#include "ui/shell/command_table.h"

namespace velta {
namespace {

template <typename Dialog>
void run_modal(QWidget* owner)
{
    Dialog dialog(owner);
    dialog.exec();
}

template <PageDialogKind kind>
void run_page_list(QWidget* owner)
{
    PageListDialog dialog(kind, owner);
    dialog.exec();
}

template <GlyphSize size>
void run_glyph_list(QWidget* owner)
{
    GlyphListDialog dialog(size, owner);
    dialog.exec();
}

template <BatchRunConfig (*config)()>
void run_batch(QWidget* owner)
{
    BatchRunDialog dialog(config(), owner);
    dialog.exec();
}

// The link's role decides which of the two TCP/IP dialogs the one menu item opens.
void run_tcp_setup(QWidget* owner)
{
    if (link_settings().tcp_role == TcpRole::server)
        run_modal<TcpServerDialog>(owner);
    else
        run_modal<TcpClientDialog>(owner);
}

// The run on every device needs devices connected to the server.
void run_fleet(QWidget* owner)
{
    if (used_peer_slots().empty()) {
        info_box("TCP/IP サーバーに接続しているデバイスがありません");
        return;
    }
    run_modal<FleetRunDialog>(owner);
}

struct DialogCommand {
    int id;
    void (*open)(QWidget* owner);
};

const std::array k_dialog_commands{
    DialogCommand{command::date_time, run_modal<DateTimeDialog>},
    DialogCommand{command::title, run_modal<TitleDialog>},
    DialogCommand{command::title_position, run_page_list<PageDialogKind::title_position>},
    DialogCommand{command::auto_switch, run_page_list<PageDialogKind::auto_switch>},
    DialogCommand{command::colours, run_page_list<PageDialogKind::colours>},
    DialogCommand{command::background_fill, run_page_list<PageDialogKind::background_fill>},
    DialogCommand{command::char_level, run_page_list<PageDialogKind::char_level>},
    DialogCommand{command::display_page, run_modal<DisplayPageDialog>},
    DialogCommand{command::schedule, run_modal<ScheduleDialog>},
    DialogCommand{command::alarm, run_modal<AlarmDialog>},
    DialogCommand{command::remote, run_modal<RemoteDialog>},
    DialogCommand{command::others, run_modal<OtherSettingsDialog>},
    DialogCommand{command::protocol, run_modal<NetworkDialog>},
    DialogCommand{command::set_all, run_batch<set_all_config>},
    DialogCommand{command::read_all, run_batch<read_all_config>},
    DialogCommand{command::compare, run_modal<CompareDialog>},
    DialogCommand{command::restore_backup, run_modal<RestoreDialog>},
    DialogCommand{command::backup_folder, open_backup_folder},
    DialogCommand{command::slave_address, run_modal<SlaveAddressDialog>},
    DialogCommand{command::interface_setup, run_modal<InterfaceDialog>},
    DialogCommand{command::serial_setup, run_modal<SerialDialog>},
    DialogCommand{command::client_server, run_modal<ClientServerDialog>},
    DialogCommand{command::tcp_setup, run_tcp_setup},
    DialogCommand{command::fleet_run, run_fleet},
    DialogCommand{command::glyph_insert, run_modal<GlyphInsertDialog>},
    DialogCommand{command::glyph_list_small, run_glyph_list<GlyphSize::small>},
    DialogCommand{command::glyph_list_medium, run_glyph_list<GlyphSize::medium>},
    DialogCommand{command::glyph_list_large, run_glyph_list<GlyphSize::large>},
    DialogCommand{command::about_glyphs, run_modal<GlyphInfoDialog>},
};

const DialogCommand* find_command(int command_id)
{
    for (const DialogCommand& c : k_dialog_commands)
        if (c.id == command_id)
            return &c;
    return nullptr;
}

}  // namespace

bool has_command_dialog(int command_id)
{
    return find_command(command_id) != nullptr;
}

bool open_command_dialog(int command_id, QWidget* owner)
{
    const DialogCommand* c = find_command(command_id);
    if (c == nullptr)
        return false;
    c->open(owner);
    return true;
}

}  // namespace velta
