#include "core/device/network_commands.h"

#include "core/device/device_fields.h"
#include "core/device/dialog_text.h"
#include "core/model/field_ranges.h"

namespace velta {
namespace {
std::string on_off_command(std::string_view head_template, int value)
{
    std::string c(head_template);
    put_letter(c, 4, value, 'F', 'N');
    return c;
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

IpAddress& net_address_field(DeviceExtras& extras, NetAddress which)
{
    switch (which) {
        case NetAddress::gateway:
            return extras.net_gateway;
        case NetAddress::active:
            return extras.net_eaa;
        case NetAddress::ip:
            break;
    }
    return extras.net_ip_address;
}

const IpAddress& net_address_field(const DeviceExtras& extras, NetAddress which)
{
    return net_address_field(const_cast<DeviceExtras&>(extras), which);
}

std::string net_address_command(const DeviceExtras& extras, NetAddress which)
{
    std::string_view head = which == NetAddress::gateway  ? "EGA"
                            : which == NetAddress::active ? "EAA"
                                                          : "EIA";
    std::string c = "EIA192.168.001.003\r\n";
    c.replace(0, 3, head);
    c.replace(3, 15, dotted_address_text(net_address_field(extras, which)));
    return c;
}

std::string net_subnet_class_command(const DeviceConfig& config)
{
    std::string c = "ESMA\r\n";
    c[3] = static_cast<char>('A' + k_range_three.clamp(config.device.net_subnet_class));
    return c;
}

std::optional<int> port_value(std::string_view text)
{
    return parse_port_text(text);
}

BuiltCommand port_number_command(std::string_view port_text)
{
    const auto port = port_value(port_text);
    if (!port)
        return BuiltCommand::refused(RefusalKind::bad_port);
    std::string c = "EPN09004\r\n";
    format_dec2(*port / 1000, c.data() + 3);
    format_dec3(*port % 1000, c.data() + 5);
    return c;
}

std::string net_ect_command(const DeviceConfig& config)
{
    return on_off_command("ECTOF\r\n", config.device.net_ect);
}

std::string net_keep_alive_command(const DeviceConfig& config)
{
    return on_off_command("EKAOF\r\n", config.device.net_keep_alive);
}

std::string net_etr_command(const DeviceConfig& config)
{
    std::string c = "ETR1\r\n";
    c[3] = static_cast<char>('1' + k_range_time_register.clamp(config.device.net_etr));
    return c;
}

}  // namespace velta
