#include "support/wire_capture.h"

#include <utility>

#include "common/run_activity.h"
#include "model/document.h"
#include "model/peer_table.h"
#include "model/settings_model.h"

namespace velta {

WireCapture::WireCapture()
{
    reset_for_test();
    WireHooks h;
    h.serial_write = [this](std::string_view framed) { sent_.emplace_back(framed); };
    h.socket_send = [this](std::string_view command) { sent_.emplace_back(command); };
    previous_ = set_wire_hooks(std::move(h));
}

WireCapture::~WireCapture()
{
    set_wire_hooks(std::move(previous_));
}

void reset_for_test()
{
    model() = SettingsModel{};
    reset_peer_table();
    run_activity() = RunActivity{};
    document() = Document{};
}

}  // namespace velta
