// Protects the device-network commands: address parsing and layout, the zero-filled port with
// its range check, and the option letters.
#include "core/device/network_commands.h"

#include <gtest/gtest.h>

#include "core/device/dialog_text.h"
#include "core/model/settings_model.h"

namespace velta {
namespace {

TEST(NetworkCommands, AddressesAreSentAsThreeDigitGroups)
{
    DeviceExtras extras;
    extras.net_ip_address = {192, 168, 1, 3};
    extras.net_gateway = {10, 0, 0, 254};
    extras.net_eaa = {255, 255, 255, 0};
    std::vector<std::string> sent;
    for (NetAddress which : {NetAddress::ip, NetAddress::gateway, NetAddress::active})
        sent.push_back(net_address_command(extras, which));
    EXPECT_EQ(sent, (std::vector<std::string>{"EIA192.168.001.003\r\n", "EGA010.000.000.254\r\n",
                                              "EAA255.255.255.000\r\n"}));
    EXPECT_EQ(parse_dotted_address("192.168.001.003"), (IpAddress{192, 168, 1, 3}));
}

TEST(NetworkCommands, MalformedAddressesNameThePartAtFault)
{
    const std::vector<std::pair<std::string, std::string>> bad{
        {"", "IP Address の 1 番目の数が入力されていません。"},
        {"192.168.1", "IP Address の 4 番目の数が入力されていません。"},
        {"192.168..3", "IP Address の 3 番目の数が入力されていません。"},
        {"192.168.1.256", "IP Address の 4 番目の数が 255 を超えています。"},
        {"1.2.3.4.5", "IP Address の 4 番目の数が正しくありません。"},
        {"a.b.c.d", "IP Address の 1 番目の数が正しくありません。"},
        {"1.2.3.0004", "IP Address の 4 番目の数が正しくありません。"},
        {"1 .2.3.4", "IP Address の 1 番目の数が正しくありません。"},
        {"-1.2.3.4", "IP Address の 1 番目の数が正しくありません。"},
        {"999.0.0.0", "IP Address の 1 番目の数が 255 を超えています。"}};
    for (const auto& [text, message] : bad) {
        const AddressCheck check = check_dotted_address(text);
        EXPECT_FALSE(check.ok()) << text;
        EXPECT_FALSE(parse_dotted_address(text).has_value()) << text;
        EXPECT_EQ(address_fault_text(net_address_caption(NetAddress::ip), check),
                  message + "0～255 の数を入力してください。")
            << text;
    }
}

TEST(NetworkCommands, PortIsAlwaysFiveDigitsAndWithinRange)
{
    for (const auto& [text, command] :
         std::vector<std::pair<std::string, std::string>>{{"09004", "EPN09004\r\n"},
                                                          {"9004", "EPN09004\r\n"},
                                                          {"1", "EPN00001\r\n"},
                                                          {"65535", "EPN65535\r\n"},
                                                          {"80", "EPN00080\r\n"}}) {
        const BuiltCommand built = port_number_command(text);
        EXPECT_TRUE(built.ok()) << text;
        EXPECT_EQ(built.bytes, command) << text;
    }
    for (const std::string text : {"0", "00000", "65536", "99999", "", "12a", " 80", "-1"}) {
        const BuiltCommand built = port_number_command(text);
        EXPECT_EQ(built.refusal, (Refusal{RefusalKind::bad_port, {}})) << text;
        EXPECT_TRUE(built.bytes.empty()) << text;
    }
    EXPECT_EQ(refusal_message(RefusalKind::bad_port), k_text_bad_port);
}

TEST(NetworkCommands, OptionLetters)
{
    DeviceConfig c;
    DeviceSettings& d = c.device;
    std::vector<std::string> sent;
    auto send = [&](auto... builders) { (sent.push_back(builders(c)), ...); };
    send(net_subnet_class_command, net_ect_command, net_keep_alive_command, net_etr_command);
    d.net_subnet_class = 1;
    d.net_ect = 1;
    d.net_keep_alive = 1;
    d.net_etr = 0;
    send(net_subnet_class_command, net_ect_command, net_keep_alive_command, net_etr_command);
    d.net_subnet_class = 0;
    d.net_etr = 8;  // beyond what the command carries
    send(net_subnet_class_command, net_etr_command);
    EXPECT_EQ(sent, (std::vector<std::string>{"ESMC\r\n", "ECTOF\r\n", "EKAOF\r\n", "ETR6\r\n",
                                              "ESMB\r\n", "ECTON\r\n", "EKAON\r\n", "ETR1\r\n",
                                              "ESMA\r\n", "ETR6\r\n"}));
}

}  // namespace
}  // namespace velta
