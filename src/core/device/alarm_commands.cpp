#include "core/device/alarm_commands.h"

#include "core/common/message_boxes.h"
#include "core/device/device_fields.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"

namespace velta {
namespace {
const DeviceSettings& dev()
{
    return model().config.device;
}
}  // namespace

void send_alarm_mode()
{
    std::string c = "AMI\r\n";
    put_letter(c, 2, dev().alarm_mode, 'I', 'E');
    send_command(c);
}

bool send_alarm_hold_time()
{
    const int seconds = hold_time_seconds(dev().alarm_hold_time);
    if (!k_range_hold_seconds.holds(seconds)) {
        error_box(k_text_hold_time_too_short);
        return false;
    }
    std::string c = "ADT000\r\n";
    put_dec3(c, 3, seconds);
    send_command(c);
    return true;
}

void send_alarm_polarity()
{
    std::string c = "APM\r\n";
    put_letter(c, 2, dev().alarm_polarity, 'M', 'B');
    send_command(c);
}

void send_alarm_display()
{
    std::string c = "ADOF\r\n";
    put_letter(c, 3, dev().alarm_display, 'F', 'N');
    send_command(c);
}

void send_alarm_return()
{
    std::string c = "AROF\r\n";
    put_letter(c, 3, dev().alarm_return, 'F', 'N');
    send_command(c);
}

std::string connector_command(std::string_view head)
{
    std::string c = "ACA001002003004005006007008\r\n";
    c.replace(0, 3, head.substr(0, 3));
    for (std::size_t i = 0; i < dev().connector_assignment.size(); ++i)
        put_dec3(c, 3 + 3 * i, dev().connector_assignment[i] + 1);
    return c;
}

void send_alarm_connectors()
{
    send_command(connector_command("ACA"));
}

void send_remote_mode()
{
    // Mode 1 is the binary template with its last letter overwritten.
    const int mode = dev().remote_mode;
    std::string c = mode == 2 ? "RMOPE\r\n" : "RMBIN\r\n";
    if (mode == 1)
        c[4] = 'T';
    send_command(c);
}

void send_remote_connectors()
{
    send_command(connector_command("RCA"));
}

}  // namespace velta
