#include "core/device/network_commands.h"

#include "core/common/message_boxes.h"
#include "core/device/device_fields.h"
#include "core/device/dialog_text.h"
#include "core/model/field_ranges.h"
#include "core/wire/framing.h"

namespace velta {
namespace {
DeviceSettings& dev()
{
    return model().config.device;
}

void send_on_off(std::string_view head_template, int value)
{
    std::string c(head_template);
    put_letter(c, 4, value, 'F', 'N');
    send_command(c);
}
}  // namespace

std::optional<IpAddress> parse_dotted_address(std::string_view text)
{
    const AddressCheck check = check_dotted_address(text);
    if (!check.ok())
        return std::nullopt;
    return check.address;
}

std::string_view net_address_caption(NetAddress which)
{
    switch (which) {
        case NetAddress::gateway:
            return "Gateway Address";
        case NetAddress::active:
            return "Active Address";
        case NetAddress::ip:
            break;
    }
    return "IP Address";
}

std::string dotted_address_text(const IpAddress& address)
{
    std::string t = "000.000.000.000";
    for (std::size_t i = 0; i < address.size(); ++i) put_dec3(t, 4 * i, address[i]);
    return t;
}

IpAddress& net_address_field(NetAddress which)
{
    switch (which) {
        case NetAddress::gateway:
            return model().extras.net_gateway;
        case NetAddress::active:
            return model().extras.net_eaa;
        case NetAddress::ip:
            break;
    }
    return model().extras.net_ip_address;
}

void send_net_address(NetAddress which)
{
    std::string_view head = which == NetAddress::gateway  ? "EGA"
                            : which == NetAddress::active ? "EAA"
                                                          : "EIA";
    std::string c = "EIA192.168.001.003\r\n";
    c.replace(0, 3, head);
    c.replace(3, 15, dotted_address_text(net_address_field(which)));
    send_command(c);
}

void send_net_subnet_class()
{
    std::string c = "ESMA\r\n";
    c[3] = static_cast<char>('A' + k_range_three.clamp(dev().net_subnet_class));
    send_command(c);
}

std::optional<int> port_value(std::string_view text)
{
    return parse_port_text(text);
}

bool send_port_number()
{
    const auto port = port_value(model().extras.port_number);
    if (!port) {
        error_box(k_text_bad_port);
        return false;
    }
    std::string c = "EPN09004\r\n";
    format_dec2(*port / 1000, c.data() + 3);
    format_dec3(*port % 1000, c.data() + 5);
    send_command(c);
    return true;
}

void send_net_ect()
{
    send_on_off("ECTOF\r\n", dev().net_ect);
}

void send_net_keep_alive()
{
    send_on_off("EKAOF\r\n", dev().net_keep_alive);
}

void send_net_etr()
{
    std::string c = "ETR1\r\n";
    c[3] = static_cast<char>('1' + k_range_time_register.clamp(dev().net_etr));
    send_command(c);
}

}  // namespace velta
