#include "core/device/other_commands.h"

#include <string>

#include "core/device/device_fields.h"
#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"

namespace velta {
namespace {
char font_letter(int size)
{
    return size == 0 ? 'S' : size == 1 ? 'M' : 'L';
}
}  // namespace

std::string connector_input_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "CIA\r\n";
    put_letter(c, 2, d.connector_input, 'A', 'R');
    return c;
}

std::string power_on_page_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    if (d.power_on_page == k_page_pas)
        return "POSPAS\r\n";
    std::string c = "POSP000\r\n";
    put_dec3(c, 4, d.power_on_page + 1);
    return c;
}

std::string page_mode_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "IDPM1\r\n";
    put_letter(c, 4, d.page_mode, '1', '2');
    return c;
}

std::string upper_font_size_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "CFSTS\r\n";
    c[4] = font_letter(d.upper_font_size);
    return c;
}

std::string lower_font_size_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "CFSBS\r\n";
    c[4] = font_letter(d.lower_font_size);
    return c;
}

std::string upper_display_offset_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "IDOT000\r\n";
    put_dec3(c, 4, k_range_display_offset.clamp(d.upper_display_offset));
    return c;
}

std::string lower_display_offset_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "IDOB104\r\n";
    put_dec3(c, 4, k_range_display_offset.clamp(d.lower_display_offset));
    return c;
}

std::string video_loss_background_command(const DeviceConfig& config)
{
    const DeviceSettings& d = config.device;
    std::string c = "VLBCN\r\n";
    put_letter(c, 4, d.video_loss_background, 'N', 'B');
    return c;
}

void apply_page_mode(SettingsModel& m, int new_mode)
{
    m.config.device.page_mode = new_mode;
    const int count = page_count_for_mode(new_mode);
    if (m.choices.current_page >= count)
        m.choices.current_page = 0;
    if (m.extras.display_page != k_page_pas && m.extras.display_page >= count)
        m.extras.display_page = 0;
    int& power_on = m.config.device.power_on_page;
    if (power_on != k_page_pas && (power_on < 0 || power_on >= count))
        power_on = 0;
}

}  // namespace velta
