#pragma once
// Shared by the fuzz targets: a quiet presenter and a fingerprint of the whole model, so that
// two ways of feeding the same bytes can be compared.

#include <string>

#include "common/message_boxes.h"
#include "model/settings_file.h"
#include "model/settings_model.h"

namespace velta::fuzz {

inline std::string& box_log()
{
    static std::string log;
    return log;
}

inline void start_clean()
{
    static bool installed = false;
    if (!installed) {
        set_box_presenter([](const Box& b) {
            box_log() += b.text + "\n";
            return b.buttons == BoxButtons::yes_no ? BoxAnswer::no : BoxAnswer::ok;
        });
        installed = true;
    }
    box_log().clear();
    reset_settings_model();
    model().link = LinkSettings{};
}

inline std::string fingerprint()
{
    const SettingsModel& m = model();
    std::string f = settings_file_text();
    const DeviceSettings& d = m.device;
    f += std::to_string(d.display_page) + d.port_number + d.net_mac_address + d.firmware_version;
    for (auto byte : d.net_ip_address)
        f += std::to_string(byte) + ".";
    f += std::string(m.glyphs.glyph_work.begin(), m.glyphs.glyph_work.end());
    f += std::to_string(m.state.reply_error) + std::to_string(m.state.success_pending);
    return f + box_log();
}

}  // namespace velta::fuzz
