// Protects the send path: codecs, RS-485 framing and broadcast, the TCP/IP route and the
// serial answer watchdog.
#include "core/wire/framing.h"

#include <gtest/gtest.h>

#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

TEST(Codecs, FixedWidthFields)
{
    EXPECT_EQ(parse_hex_pair("3F", 0), 63);
    EXPECT_EQ(parse_hex_pair("xFF", 1), 255);
    EXPECT_EQ(parse_dec3("x007", 1), 7);
    EXPECT_EQ(parse_dec2("99", 0), 99);
    char out[4] = "***";
    format_dec3(7, out);
    EXPECT_STREQ(out, "007");
    format_dec2(5, out);
    EXPECT_STREQ(out, "057");  // writes two characters, no terminator
    char hex[5] = {};
    format_hex4(0xA37E, hex);
    EXPECT_STREQ(hex, "A37E");
    EXPECT_TRUE(digits_at("AB123", 2, 3));
    EXPECT_FALSE(digits_at("AB12", 2, 3));
    EXPECT_FALSE(digits_at("AB1x3", 2, 3));
    EXPECT_FALSE(hex_digits_at("12a4", 0, 4));
}

TEST(Framing, Rs232SendsTheCommandUnchangedWhateverTheAddress)
{
    WireCapture wire;
    link_settings().slave_address = 5;
    send_command(program_context(), "TSA\r\n");
    ASSERT_EQ(wire.sent().size(), 1u);
    EXPECT_EQ(wire.last(), "TSA\r\n");
    EXPECT_EQ(link_status().answer_pending, 1);
}

TEST(Framing, Rs485PrefixesTheAddressAndBroadcastsWithFF)
{
    WireCapture wire;
    link_settings().rs485 = true;
    for (const auto& [address, prefix] :
         std::vector<std::pair<int, std::string>>{{0, "00"}, {5, "05"}, {31, "31"}}) {
        link_settings().slave_address = address;
        send_command(program_context(), "IDPM1\r\n");
        EXPECT_EQ(wire.last(), prefix + "IDPM1\r\n");
        EXPECT_EQ(link_status().answer_pending, 1);
    }
    link_settings().slave_address = 32;
    send_command(program_context(), "IDPM1\r\n");
    EXPECT_EQ(wire.last(), "FFIDPM1\r\n");
    EXPECT_EQ(link_status().answer_pending, 0);
}

TEST(Framing, BroadcastIsNeverFollowedByNoConnect)
{
    WireCapture wire;
    BoxRecorder boxes;
    link_settings().rs485 = true;
    link_settings().slave_address = 32;
    send_command(program_context(), "TSA\r\n");
    for (int i = 0; i < 40; ++i) watchdog_tick(program_context());
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST(Framing, TcpRouteNeedsAConnection)
{
    WireCapture wire;
    BoxRecorder boxes;
    link_settings().interface = Interface::tcp;
    EXPECT_FALSE(link_ready(program_context()));
    send_command(program_context(), "TSA\r\n");
    EXPECT_TRUE(wire.sent().empty());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), "Socket が接続されていません");
    EXPECT_EQ(boxes.boxes().back().kind, BoxKind::warning);

    link_status().socket_connected = 1;
    link_settings().rs485 = true;
    link_settings().slave_address = 7;
    send_command(program_context(), "TSA\r\n");
    EXPECT_EQ(wire.last(), "TSA\r\n");  // no address prefix on TCP/IP
    EXPECT_EQ(link_status().answer_pending, 0);
}

TEST(Watchdog, NoConnectComesOnceOnThe27thTick)
{
    WireCapture wire;
    BoxRecorder boxes;
    send_command(program_context(), "TSA\r\n");
    for (int i = 0; i < 26; ++i) watchdog_tick(program_context());
    EXPECT_TRUE(boxes.boxes().empty());
    watchdog_tick(program_context());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), "No Connect");
    EXPECT_EQ(boxes.boxes().back().caption, "Error");
    for (int i = 0; i < 60; ++i) watchdog_tick(program_context());
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

TEST(Watchdog, AReplyOnThe26thTickCancelsIt)
{
    WireCapture wire;
    BoxRecorder boxes;
    send_command(program_context(), "TSA\r\n");
    for (int i = 0; i < 26; ++i) watchdog_tick(program_context());
    serial_dispatch(program_context(), "GO\r\n");
    watchdog_tick(program_context());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.last_text(), "Success");
    EXPECT_EQ(boxes.boxes().back().caption, "Success");
    for (int i = 0; i < 40; ++i) watchdog_tick(program_context());
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

}  // namespace
}  // namespace velta
