#include "core/device/alarm_commands.h"

#include "core/device/device_fields.h"

namespace velta {

std::string alarm_mode_command(const DeviceConfig& config)
{
    std::string c = "AMI\r\n";
    put_letter(c, 2, config.device.alarm_mode, 'I', 'E');
    return c;
}

BuiltCommand alarm_hold_time_command(const DeviceConfig& config)
{
    const int seconds = hold_time_seconds(config.device.alarm_hold_time);
    if (!k_range_hold_seconds.holds(seconds))
        return BuiltCommand::refused(RefusalKind::hold_time_too_short);
    std::string c = "ADT000\r\n";
    put_dec3(c, 3, seconds);
    return c;
}

std::string alarm_polarity_command(const DeviceConfig& config)
{
    std::string c = "APM\r\n";
    put_letter(c, 2, config.device.alarm_polarity, 'M', 'B');
    return c;
}

std::string alarm_display_command(const DeviceConfig& config)
{
    std::string c = "ADOF\r\n";
    put_letter(c, 3, config.device.alarm_display, 'F', 'N');
    return c;
}

std::string alarm_return_command(const DeviceConfig& config)
{
    std::string c = "AROF\r\n";
    put_letter(c, 3, config.device.alarm_return, 'F', 'N');
    return c;
}

std::string connector_command(const DeviceConfig& config, std::string_view head)
{
    std::string c = "ACA001002003004005006007008\r\n";
    c.replace(0, 3, head.substr(0, 3));
    const auto& pages = config.device.connector_assignment;
    for (std::size_t i = 0; i < pages.size(); ++i) put_dec3(c, 3 + 3 * i, pages[i] + 1);
    return c;
}

std::string alarm_connectors_command(const DeviceConfig& config)
{
    return connector_command(config, "ACA");
}

std::string remote_mode_command(const DeviceConfig& config)
{
    // Mode 1 is the binary template with its last letter overwritten.
    const int mode = config.device.remote_mode;
    std::string c = mode == 2 ? "RMOPE\r\n" : "RMBIN\r\n";
    if (mode == 1)
        c[4] = 'T';
    return c;
}

std::string remote_connectors_command(const DeviceConfig& config)
{
    return connector_command(config, "RCA");
}

}  // namespace velta
