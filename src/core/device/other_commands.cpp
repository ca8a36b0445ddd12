#include "core/device/other_commands.h"

#include <string>

#include "core/device/device_fields.h"
#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"

namespace velta {
namespace {
const DeviceSettings& dev()
{
    return model().config.device;
}

char font_letter(int size)
{
    return size == 0 ? 'S' : size == 1 ? 'M' : 'L';
}
}  // namespace

void send_connector_input()
{
    std::string c = "CIA\r\n";
    put_letter(c, 2, dev().connector_input, 'A', 'R');
    send_command(c);
}

void send_power_on_page()
{
    if (dev().power_on_page == k_page_pas) {
        send_command("POSPAS\r\n");
        return;
    }
    std::string c = "POSP000\r\n";
    put_dec3(c, 4, dev().power_on_page + 1);
    send_command(c);
}

void send_page_mode()
{
    std::string c = "IDPM1\r\n";
    put_letter(c, 4, dev().page_mode, '1', '2');
    send_command(c);
}

void send_upper_font_size()
{
    std::string c = "CFSTS\r\n";
    c[4] = font_letter(dev().upper_font_size);
    send_command(c);
}

void send_lower_font_size()
{
    std::string c = "CFSBS\r\n";
    c[4] = font_letter(dev().lower_font_size);
    send_command(c);
}

void send_upper_display_offset()
{
    std::string c = "IDOT000\r\n";
    put_dec3(c, 4, k_range_display_offset.clamp(dev().upper_display_offset));
    send_command(c);
}

void send_lower_display_offset()
{
    std::string c = "IDOB104\r\n";
    put_dec3(c, 4, k_range_display_offset.clamp(dev().lower_display_offset));
    send_command(c);
}

void send_video_loss_background()
{
    std::string c = "VLBCN\r\n";
    put_letter(c, 4, dev().video_loss_background, 'N', 'B');
    send_command(c);
}

void apply_page_mode(int new_mode)
{
    SettingsModel& m = model();
    m.config.device.page_mode = new_mode;
    const int count = page_count();
    if (m.choices.current_page >= count)
        m.choices.current_page = 0;
    if (m.extras.display_page != k_page_pas && m.extras.display_page >= count)
        m.extras.display_page = 0;
    int& power_on = m.config.device.power_on_page;
    if (power_on != k_page_pas && (power_on < 0 || power_on >= count))
        power_on = 0;
}

}  // namespace velta
