#pragma once
// The device's own network settings: the address, subnet, port and option commands, the
// address text of the dialog's fields, and the queries that read them back.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_network_read_period_ms = 200;
inline constexpr int k_network_read_queries = 10;
inline constexpr std::array<std::string_view, k_network_read_queries> k_network_read_order{
    "REAA\r\n", "REGA\r\n", "REIA\r\n", "RECT\r\n", "REKA\r\n",
    "REPN\r\n", "RESM\r\n", "RETR\r\n", "REMA\r\n", "RVN\r\n"};

inline constexpr std::string_view k_text_bad_port =
    "ポート番号は 1～65535 の数を入力してください。";

enum class NetAddress { ip, gateway, active };

// "192.168.1.3": four numbers of one to three digits, each at most 255, joined by dots.
// Anything else (an empty part, a letter, a fifth part) gives nothing.
std::optional<IpAddress> parse_dotted_address(std::string_view text);
// "IP Address", "Gateway Address", "Active Address": the field's group caption.
std::string_view net_address_caption(NetAddress which);
// "192.168.001.003": the layout of the commands and of the dialog's fields.
std::string dotted_address_text(const IpAddress& address);

IpAddress& net_address_field(NetAddress which);
void send_net_address(NetAddress which);  // "EIA", "EGA" or "EAA" from the model

void send_net_subnet_class();
// The port as five digits ("9004" goes as "09004"); a port outside 1..65535 is refused with a
// message and nothing is sent (false).
bool send_port_number();
void send_net_ect();
void send_net_keep_alive();
void send_net_etr();

// The port as a number, or nothing when the text is not one of 1..65535.
std::optional<int> port_value(std::string_view text);

}  // namespace velta
