#include "support/wire_capture.h"

#include <utility>

#include "core/common/run_activity.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/glyphs/glyph_state.h"
#include "core/model/document.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "program/program_context.h"

namespace velta {

WireCapture::WireCapture()
{
    reset_for_test();
    WireHooks h;
    h.serial_write = [this](std::string_view framed) { sent_.emplace_back(framed); };
    h.socket_send = [this](std::string_view command) { sent_.emplace_back(command); };
    previous_ = std::exchange(velta::program_context().hooks, std::move(h));
}

WireCapture::~WireCapture()
{
    velta::program_context().hooks = std::move(previous_);
}

void reset_for_test()
{
    register_device_replies();
    register_page_replies();
    register_glyph_replies();
    // The hooks stay with whoever installed them (a capture, a link); they put them back.
    DeviceContext& c = program_context();
    WireHooks hooks = std::move(c.hooks);
    c = DeviceContext{};
    c.hooks = std::move(hooks);
    reset_peer_table();
    device_reading().reset();
    document() = Document{};
    reset_glyph_state();
}

}  // namespace velta
