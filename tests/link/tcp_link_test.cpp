// Protects the TCP/IP link against a device the test plays on loopback: connecting, refusals,
// the 96-peer server, answers split or late, time-outs, and sends on a closed connection.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <cerrno>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "link/device_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/device_link_probe.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

constexpr int k_wait_ms = 5000;

class TcpLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        previous_hooks_ = std::exchange(velta::program_context().hooks, {});
        velta::program_context().reply_observer = [this](std::string_view line) {
            decoded.emplace_back(line);
        };
        LinkSettings& l = link_settings();
        l.interface = Interface::tcp;
        l.host_list = {IpAddress{127, 0, 0, 1}};
        l.host_count = 1;
        l.selected_host = 0;
    }
    void TearDown() override
    {
        disconnect_all();
        set_listen_address({});
        set_answer_timeout_ms(0);
        velta::program_context().reply_observer = nullptr;
        velta::program_context().hooks = std::move(previous_hooks_);
        QTest::qWait(1);  // let closed sockets go
    }

    void use_port(std::uint16_t port) { model().extras.port_number = std::to_string(port); }

    // Connects the tool as client to a device played by the test; returns the device's socket.
    QTcpSocket* connect_to_device()
    {
        if (!device_server.isListening())
            device_server.listen(QHostAddress::LocalHost, 0);
        use_port(device_server.serverPort());
        if (tcp_client_connect(program_context()) != 1)
            return nullptr;
        if (!QTest::qWaitFor(
                [&] {
                    return device_server.hasPendingConnections() &&
                           link_status().socket_connected == 1;
                },
                k_wait_ms))
            return nullptr;
        return device_server.nextPendingConnection();
    }

    static QByteArray received_by(QTcpSocket* device, int size)
    {
        QByteArray got;
        (void)QTest::qWaitFor(
            [&] {
                got += device->readAll();
                return got.size() >= size;
            },
            k_wait_ms);
        return got;
    }

    BoxRecorder boxes;
    QTcpServer device_server;
    std::vector<std::string> decoded;

private:
    WireHooks previous_hooks_;
};

TEST_F(TcpLinkTest, ClientConnectsToTheSelectedHostAndReportsIt)
{
    QSignalSpy changed(&TcpLink::instance(), &TcpLink::connectedChanged);
    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(link_status().socket_connected, 1);
    EXPECT_EQ(tcp_client_state(), ClientState::connected);
    EXPECT_GE(changed.count(), 1);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].kind, BoxKind::info);
    EXPECT_EQ(boxes.boxes()[0].text, "Socket 接続 OK");

    // The command goes out unprefixed even with RS-485 set for the serial link.
    link_settings().rs485 = true;
    link_settings().slave_address = 5;
    send_command(program_context(), "RTSDO\r\n");
    EXPECT_EQ(received_by(device, 7), "RTSDO\r\n");
}

TEST_F(TcpLinkTest, RefusedConnectShowsTheEventErrorAndStaysDisconnected)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    use_port(probe.serverPort());
    probe.close();  // nobody listens there now

    tcp_client_connect(program_context());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes().empty(); }, k_wait_ms));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"ソケットイベントにエラーが発生しました。"});
    EXPECT_EQ(boxes.boxes()[0].kind, BoxKind::error);
    // Beneath the message: where it tried and why it failed, in the system's words.
    const std::string& detail = boxes.boxes()[0].detail;
    EXPECT_EQ(detail.rfind("127.0.0.1:" + model().extras.port_number + ": ", 0), 0u) << detail;
    EXPECT_NE(detail.find("[" + std::to_string(ECONNREFUSED) + "]"), std::string::npos) << detail;
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_EQ(tcp_client_state(), ClientState::none);
}

TEST_F(TcpLinkTest, ConnectWithoutAHostOrPortFailsAtOnce)
{
    link_settings().host_count = 0;
    link_settings().host_list.clear();
    use_port(9004);
    EXPECT_EQ(tcp_client_connect(program_context()), 0);
    link_settings().host_list = {IpAddress{127, 0, 0, 1}};
    link_settings().host_count = 1;
    model().extras.port_number = "abc";  // atoi gives port 0
    EXPECT_EQ(tcp_client_connect(program_context()), 0);
    ASSERT_EQ(boxes.count("接続できません"), 2);
    EXPECT_EQ(boxes.boxes()[0].caption, "VELTA");
    EXPECT_EQ(boxes.boxes()[0].icon, BoxIcon::error);
    EXPECT_EQ(tcp_client_state(), ClientState::none);
}

TEST_F(TcpLinkTest, AnAnswerSplitOverReceiptsIsDecodedOnceAfterItsLineEnd)
{
    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    boxes.clear();
    send_command(program_context(), "RTSDO\r\n");
    received_by(device, 7);
    EXPECT_TRUE(answer_outstanding(program_context()));

    device->write("TSDO");
    device->flush();
    QTest::qWait(100);
    EXPECT_TRUE(decoded.empty());
    EXPECT_TRUE(answer_outstanding(program_context()));

    device->write("N\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    QTest::qWait(50);
    EXPECT_EQ(decoded, std::vector<std::string>{"TSDON\r\n"});
    EXPECT_EQ(model().config.device.clock_display, 1);
    EXPECT_FALSE(answer_outstanding(program_context()));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TcpLinkTest, ACommandSentWhileOneIsOutstandingWaitsForTheAnswer)
{
    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    boxes.clear();
    send_command(program_context(), "RTSDO\r\n");
    send_command(program_context(), "RTSDS\r\n");
    EXPECT_EQ(socket_commands_waiting(program_context()), 1u);
    EXPECT_EQ(received_by(device, 7), "RTSDO\r\n");
    QTest::qWait(100);
    EXPECT_EQ(device->bytesAvailable(), 0) << "the second command went out before the answer";

    device->write("GO\r\n");
    EXPECT_EQ(received_by(device, 7), "RTSDS\r\n");
    device->write("TSDSN\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return decoded.size() == 2; }, k_wait_ms));
    EXPECT_EQ(decoded[0], "GO\r\n");
    EXPECT_EQ(model().config.device.clock_display_size, 1);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Socket ＯＫ"});
    EXPECT_FALSE(answer_outstanding(program_context()));
}

TEST_F(TcpLinkTest, NoAnswerTimesOutAndALateAnswerIsDecodedButStaysAFailure)
{
    set_answer_timeout_ms(0);
    EXPECT_EQ(answer_timeout_ms(), k_answer_timeout_ms);
    EXPECT_EQ(k_answer_timeout_ms, 3000);
    set_answer_timeout_ms(200);

    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    boxes.clear();
    QElapsedTimer clock;
    clock.start();
    send_command(program_context(), "RTSDO\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes().empty(); }, k_wait_ms));
    EXPECT_GE(clock.elapsed(), 190);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Answer が､きません"});
    EXPECT_EQ(boxes.boxes()[0].kind, BoxKind::warning);
    EXPECT_EQ(link_status().reply_error, 1);
    EXPECT_FALSE(answer_outstanding(program_context()));

    device->write("TSDON\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    EXPECT_EQ(model().config.device.clock_display, 1);
    EXPECT_EQ(link_status().reply_error, 1) << "one command, one outcome: still the time-out";

    // A late "GO" is no success either.
    send_command(program_context(), "TSDOF\r\n");
    received_by(device, 7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxes.boxes().size() == 2; }, k_wait_ms));
    device->write("GO\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return decoded.size() == 2; }, k_wait_ms));
    QTest::qWait(20);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"Answer が､きません", "Answer が､きません"}));
    EXPECT_EQ(link_status().reply_error, 1);

    // The next command's own answer counts again.
    send_command(program_context(), "TSDOF\r\n");
    received_by(device, 7);
    device->write("GO\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return decoded.size() == 3; }, k_wait_ms));
    EXPECT_EQ(boxes.last_text(), "Socket ＯＫ");
    EXPECT_EQ(link_status().reply_error, 0);
}

TEST_F(TcpLinkTest, AClientLinkTheDeviceClosedIsNoLongerConnected)
{
    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    // The same as the client's device link tells it.
    DeviceLink* link = device_link(program_context());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->state(), DeviceLinkState::open);
    EXPECT_EQ(link->name(), "127.0.0.1:" + std::to_string(device_server.serverPort()));
    DeviceLinkProbe probe(*link);
    link->send("RTSDO\r\n");
    EXPECT_EQ(received_by(device, 7), "RTSDO\r\n");
    EXPECT_TRUE(link->answer_outstanding());
    device->write("TSDON\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    EXPECT_EQ(probe.lines, std::vector<std::string>{"TSDON\r\n"});
    EXPECT_FALSE(link->answer_outstanding());
    boxes.clear();
    send_command(program_context(), "RTSDO\r\n");
    received_by(device, 7);
    device->close();  // it leaves with the command unanswered
    ASSERT_TRUE(QTest::qWaitFor([] { return tcp_client_state() == ClientState::none; }, k_wait_ms));
    EXPECT_EQ(link_status().socket_connected, 0);
    EXPECT_FALSE(answer_outstanding(program_context()));
    EXPECT_EQ(link_status().reply_error, 1) << "the command it took with it failed";

    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.boxes().empty(); }, k_wait_ms));
    EXPECT_EQ(boxes.boxes()[0].detail.rfind("127.0.0.1:", 0), 0u) << boxes.boxes()[0].detail;
    EXPECT_EQ(probe.outcomes, std::vector<OutcomeKind>{OutcomeKind::timed_out});
    EXPECT_EQ(probe.states, std::vector<DeviceLinkState>{DeviceLinkState::closed});

    send_command(program_context(), "RTSDO\r\n");
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"Answer が､きません", "Socket が接続されていません"}));
    EXPECT_FALSE(answer_outstanding(program_context()));
}

TEST_F(TcpLinkTest, APeerThatLeavesWithACommandOutstandingDoesNotHoldUpTheNext)
{
    set_answer_timeout_ms(60000);  // a stale timer would hold the next device this long
    link_settings().tcp_role = TcpRole::server;
    model().extras.port_number = "0";
    ASSERT_EQ(tcp_server_start(program_context()), 1);
    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == 1; }, k_wait_ms));
    link_settings().selected_host = 1;
    link_status().socket_connected = 1;
    send_command(program_context(), "RTSDO\r\n");
    send_command(program_context(), "RTSDS\r\n");  // queued behind it, for the same device
    received_by(&first, 7);
    first.close();
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().empty(); }, k_wait_ms));
    EXPECT_FALSE(answer_outstanding(program_context()));
    EXPECT_EQ(link_status().socket_connected, 0) << "the chosen device is gone";

    QTcpSocket second;
    second.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == 1; }, k_wait_ms));
    link_settings().selected_host = used_peer_slots()[0];
    link_status().socket_connected = 1;
    link_status().reply_error = 0;
    send_command(program_context(), "RTSDO\r\n");
    EXPECT_EQ(received_by(&second, 7), "RTSDO\r\n") << "nothing of the first device's queue";
    second.write("TSDON\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    EXPECT_FALSE(answer_outstanding(program_context()));
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_EQ(decoded, std::vector<std::string>{"TSDON\r\n"});
}

TEST_F(TcpLinkTest, OverlongLinesAreDropped)
{
    QTcpSocket* device = connect_to_device();
    ASSERT_NE(device, nullptr);
    std::string dropped;
    program_context().dropped_tap = [&](std::string_view bytes) { dropped += bytes; };
    send_command(program_context(), "RVN\r\n");
    received_by(device, 5);
    device->write(QByteArray(3000, 'A'));  // far beyond any answer, no line end yet
    device->write("\r\nVN1.32\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    QTest::qWait(50);
    EXPECT_EQ(decoded, std::vector<std::string>{"VN1.32\r\n"});
    EXPECT_FALSE(answer_outstanding(program_context()));
    EXPECT_EQ(dropped, std::string(3000, 'A') + "\r\n") << "a trace must see what was dropped";
}

TEST_F(TcpLinkTest, ServerStoresPeersInSlotsAndSendsToTheChosenOne)
{
    link_settings().tcp_role = TcpRole::server;
    model().extras.port_number = "0";  // any free port
    QSignalSpy peers(&TcpLink::instance(), &TcpLink::peersChanged);
    ASSERT_EQ(tcp_server_start(program_context()), 1);
    const std::uint16_t port = tcp_listen_port();
    ASSERT_NE(port, 0);
    EXPECT_EQ(tcp_server_start(program_context()), 1);  // already listening: the same listener
    EXPECT_EQ(tcp_listen_port(), port);

    std::vector<std::unique_ptr<QTcpSocket>> devices;
    for (int i = 0; i < 3; ++i) {
        devices.push_back(std::make_unique<QTcpSocket>());
        devices.back()->connectToHost(QHostAddress::LocalHost, port);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return used_peer_slots().size() == static_cast<std::size_t>(i + 1); },
            k_wait_ms));
    }
    EXPECT_EQ(used_peer_slots(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(peer_table()[2].address, "127.0.0.1");
    EXPECT_GE(peers.count(), 3);

    link_settings().selected_host = 2;
    link_status().socket_connected = 1;
    send_command(program_context(), "RTSDO\r\n");
    EXPECT_EQ(received_by(devices[1].get(), 7), "RTSDO\r\n");
    EXPECT_EQ(devices[0]->bytesAvailable(), 0);
    devices[0]->write("TSDON\r\n");  // not the chosen device: not an answer
    QTest::qWait(100);
    EXPECT_TRUE(decoded.empty());
    devices[1]->write("TSDOF\r\n");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !decoded.empty(); }, k_wait_ms));
    EXPECT_EQ(decoded, std::vector<std::string>{"TSDOF\r\n"});

    devices[0]->close();
    ASSERT_TRUE(QTest::qWaitFor(
        [] {
            return used_peer_slots() == std::vector<int>{2, 3};
        },
        k_wait_ms));
    EXPECT_EQ(peer_table()[1].address, " ");
    devices.push_back(std::make_unique<QTcpSocket>());
    devices.back()->connectToHost(QHostAddress::LocalHost, port);
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == 3; }, k_wait_ms));
    EXPECT_EQ(used_peer_slots(), (std::vector<int>{1, 2, 3}));  // the freed slot is reused

    disconnect_all();
    EXPECT_FALSE(tcp_listening());
    EXPECT_TRUE(used_peer_slots().empty());
    EXPECT_EQ(link_status().socket_connected, 0);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return devices[1]->state() == QAbstractSocket::UnconnectedState; }, k_wait_ms));
    EXPECT_TRUE(boxes.boxes().empty());
}

TEST_F(TcpLinkTest, AFleetArrivingAtOnceIsTakenWholeAndThe97thDeviceIsNamed)
{
    link_settings().tcp_role = TcpRole::server;
    model().extras.port_number = "0";
    ASSERT_EQ(tcp_server_start(program_context()), 1);
    std::vector<std::unique_ptr<QTcpSocket>> devices;
    // All at once, and the tool accepts none until every handshake is through: the system must
    // hold the whole fleet meanwhile, or the devices beyond its queue wait for their retries.
    for (std::size_t i = 0; i < k_max_peers; ++i) {
        devices.push_back(std::make_unique<QTcpSocket>());
        devices.back()->connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    }
    QElapsedTimer clock;
    clock.start();
    for (const auto& d : devices)  // blocking: the tool's event loop does not run meanwhile
        EXPECT_TRUE(
            d->waitForConnected(static_cast<int>(std::max<qint64>(1, 900 - clock.elapsed()))));
    ASSERT_TRUE(QTest::qWaitFor([&] { return used_peer_slots().size() == 96u; }, k_wait_ms));

    QSignalSpy refused(&TcpLink::instance(), &TcpLink::peerRefused);
    QTcpSocket extra;
    QSignalSpy closed(&extra, &QTcpSocket::disconnected);
    quint16 extra_port = 0;  // gone once it is closed
    QObject::connect(&extra, &QTcpSocket::connected, [&] { extra_port = extra.localPort(); });
    extra.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([&] { return closed.count() == 1; }, k_wait_ms));
    EXPECT_EQ(used_peer_slots().size(), 96u);
    ASSERT_EQ(refused.count(), 1);
    EXPECT_EQ(refused.at(0).at(0).toString(), QStringLiteral("127.0.0.1:%1").arg(extra_port))
        << "the host names the device it turned away";
    EXPECT_TRUE(boxes.boxes().empty());
    for (const auto& d : devices) EXPECT_EQ(d->state(), QAbstractSocket::ConnectedState);
}

TEST_F(TcpLinkTest, TheServerListensOnTheAddressGivenIpv6Included)
{
    link_settings().tcp_role = TcpRole::server;
    model().extras.port_number = "0";
    set_listen_address("10.0.0.300");
    EXPECT_EQ(tcp_server_start(program_context()), 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Bindできません"});
    EXPECT_FALSE(listen_address_valid("10.0.0.300"));

    set_listen_address("::1");
    if (tcp_server_start(program_context()) == 0)
        GTEST_SKIP() << "no IPv6 loopback here";
    QTcpSocket over_v4;  // not listened on
    QSignalSpy v4_failed(&over_v4, &QTcpSocket::errorOccurred);
    over_v4.connectToHost(QHostAddress::LocalHost, tcp_listen_port());
    QTcpSocket device;
    device.connectToHost(QHostAddress::LocalHostIPv6, tcp_listen_port());
    ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == 1; }, k_wait_ms));
    EXPECT_EQ(peer_endpoint(used_peer_slots()[0]),
              QStringLiteral("[::1]:%1").arg(device.localPort()).toStdString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return v4_failed.count() > 0; }, k_wait_ms));
    EXPECT_EQ(used_peer_slots().size(), 1u);
}

TEST_F(TcpLinkTest, AStartOnABusyPortFailsAndTheNextStartTriesAgain)
{
    link_settings().tcp_role = TcpRole::server;
    QTcpServer other;
    ASSERT_TRUE(other.listen(QHostAddress::AnyIPv4, 0));
    use_port(other.serverPort());
    EXPECT_EQ(tcp_server_start(program_context()), 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Bindできません"});
    EXPECT_EQ(boxes.boxes()[0].caption, "VELTA");
    EXPECT_FALSE(tcp_listening());

    other.close();
    EXPECT_EQ(tcp_server_start(program_context()), 1);
    EXPECT_TRUE(tcp_listening());
}

#ifdef __linux__
TEST_F(TcpLinkTest, NoSocketFromTheSystemShowsTheSocketErrorWithItsCode)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer runtime itself needs descriptors while it checks";
#endif
    use_port(9004);
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    // No descriptor left for a new socket: the limit is the lowest free descriptor number.
    const int lowest_free = dup(0);
    close(lowest_free);
    tight.rlim_cur = static_cast<rlim_t>(lowest_free);
    setrlimit(RLIMIT_NOFILE, &tight);
    const int result = tcp_client_connect(program_context());
    setrlimit(RLIMIT_NOFILE, &saved);
    QTest::qWait(50);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"WINSOCK.DLLが動作していません。[" +
                                                      std::to_string(EMFILE) + "]"});
    EXPECT_EQ(tcp_client_state(), ClientState::none);
}
#endif

TEST_F(TcpLinkTest, NotConnectedRefusesToSend)
{
    socket_send_and_wait(program_context(), "RTSDO\r\n");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Socket が接続されていません"});
    EXPECT_FALSE(answer_outstanding(program_context()));
}

}  // namespace
}  // namespace velta
