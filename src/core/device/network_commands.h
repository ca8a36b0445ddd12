#pragma once
// The device's own network settings: the address, subnet, port and option commands, the
// address text of the dialog's fields, and the queries that read them back.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/common/built_command.h"
#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_network_read_period_ms = 200;
inline constexpr int k_network_read_queries = 10;
inline constexpr std::array<std::string_view, k_network_read_queries> k_network_read_order{
    "REAA\r\n", "REGA\r\n", "REIA\r\n", "RECT\r\n", "REKA\r\n",
    "REPN\r\n", "RESM\r\n", "RETR\r\n", "REMA\r\n", "RVN\r\n"};

inline constexpr std::string_view k_text_bad_port = k_text_bad_device_port;

enum class NetAddress { ip, gateway, active };

// "192.168.1.3": four numbers of one to three digits, each at most 255, joined by dots.
// Anything else (an empty part, a letter, a fifth part) gives nothing.
std::optional<IpAddress> parse_dotted_address(std::string_view text);
// "IP Address", "Gateway Address", "Active Address": the field's group caption.
std::string_view net_address_caption(NetAddress which);
// "192.168.001.003": the layout of the commands and of the dialog's fields.
std::string dotted_address_text(const IpAddress& address);

IpAddress& net_address_field(DeviceExtras& extras, NetAddress which);
const IpAddress& net_address_field(const DeviceExtras& extras, NetAddress which);
// "EIA", "EGA" or "EAA" with the address as the dialog's fields show it.
std::string net_address_command(const DeviceExtras& extras, NetAddress which);

std::string net_subnet_class_command(const DeviceConfig& config);
// The port as five digits ("9004" goes as "09004"); a port outside 1..65535 is refused
// (bad_port).
BuiltCommand port_number_command(std::string_view port_text);
std::string net_ect_command(const DeviceConfig& config);
std::string net_keep_alive_command(const DeviceConfig& config);
std::string net_etr_command(const DeviceConfig& config);

// The port as a number, or nothing when the text is not one of 1..65535.
std::optional<int> port_value(std::string_view text);

}  // namespace velta
