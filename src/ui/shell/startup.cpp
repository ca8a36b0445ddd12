#include "ui/shell/startup.h"

#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "link/configuration_file.h"
#include "link/serial_link.h"
#include "program/program_context.h"
#include "ui/shell/main_window.h"

namespace velta {

std::unique_ptr<MainWindow> start_up()
{
    register_device_replies();
    register_page_replies();
    register_glyph_replies();
    reset_peer_table();
    reset_settings_model();
    clear_answer_flags();
    mark_config_saved(model().config);
    read_configuration(program_context());
    auto window = std::make_unique<MainWindow>();
    window->show();
    // The port is opened once, here; a later change of port or interface waits for the next
    // start. A TCP/IP link is opened by the operator in the connection dialogs.
    if (link_settings().interface == Interface::serial)
        open_serial_port(program_context());
    return window;
}

}  // namespace velta
