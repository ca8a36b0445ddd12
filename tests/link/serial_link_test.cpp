// Protects the serial link on a pty pair made by socat: the bytes on the wire, the line settings,
// how replies are cut into lines and dispatched, and the failures an operator sees.
#include <gtest/gtest.h>

#include <QSerialPort>
#include <QTest>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <termios.h>
#endif

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "link/configuration_file.h"
#include "link/device_link.h"
#include "link/serial_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/device_link_probe.h"
#include "support/pty_pair.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

constexpr int k_wait_ms = 5000;

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        previous_hooks_ = std::exchange(velta::program_context().hooks, {});
        velta::program_context().reply_observer = [this](std::string_view line) {
            decoded.emplace_back(line);
        };
        ASSERT_TRUE(pty.ready()) << "socat did not make a pty pair";
        write_configuration_text("com_path0", pty.tool_side().toStdString());
        device.setPortName(pty.device_side());
        ASSERT_TRUE(device.open(QIODevice::ReadWrite));
    }
    void TearDown() override
    {
        close_serial_port();
        velta::program_context().reply_observer = nullptr;
        velta::program_context().hooks = std::move(previous_hooks_);
    }

    QByteArray device_reads(int size)
    {
        QByteArray got;
        (void)QTest::qWaitFor(
            [&] {
                got += device.readAll();
                return got.size() >= size;
            },
            k_wait_ms);
        QTest::qWait(20);
        return got + device.readAll();
    }
    void device_writes(const QByteArray& bytes)
    {
        device.write(bytes);
        (void)QTest::qWaitFor([&] { return device.bytesToWrite() == 0; }, k_wait_ms);
    }
    bool decoded_count_reaches(std::size_t n)
    {
        return QTest::qWaitFor([&] { return decoded.size() >= n; }, k_wait_ms);
    }

    ConfigSandbox sandbox;
    PtyPair pty;
    QSerialPort device;
    BoxRecorder boxes;
    std::vector<std::string> decoded;

private:
    WireHooks previous_hooks_;
};

TEST_F(SerialLinkTest, CommandsReachTheWireFramedForRs232AndRs485)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    send_command(program_context(), "TSA\r\n");
    EXPECT_EQ(device_reads(5), "TSA\r\n");

    link_settings().rs485 = true;
    link_settings().slave_address = 5;
    send_command(program_context(), "RTSDO\r\n");
    EXPECT_EQ(device_reads(9), "05RTSDO\r\n");
    EXPECT_EQ(link_status().answer_pending, 1);
    device_writes("05TSDON\r\n");  // the device answers with its own address in front
    ASSERT_TRUE(decoded_count_reaches(1));
    EXPECT_EQ(model().config.device.clock_display, 1);
    EXPECT_EQ(link_status().answer_pending, 0);

    link_settings().slave_address = 32;
    send_command(program_context(), "TSA\r\n");
    EXPECT_EQ(device_reads(7), "FFTSA\r\n");
    EXPECT_EQ(link_status().answer_pending, 0);
    for (int tick = 0; tick < 40; ++tick) watchdog_tick(program_context());
    EXPECT_EQ(boxes.count("No Connect"), 0) << "nobody answers a broadcast";
}

TEST_F(SerialLinkTest, PortIsSetTo38400EvenParityWithBothFlowControls)
{
#ifdef _WIN32
    GTEST_SKIP() << "terminal flags are a Unix matter";
#else
    ASSERT_TRUE(open_serial_port(program_context()));
    EXPECT_TRUE(boxes.boxes().empty());
    termios t{};
    ASSERT_EQ(tcgetattr(static_cast<int>(serial_native_handle()), &t), 0);
    EXPECT_EQ(cfgetospeed(&t), B38400);
    EXPECT_EQ(cfgetispeed(&t), B38400);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    // Parity is not checked here: a pty's driver reports no parity whatever is asked.
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_iflag & IXANY);
#endif
}

TEST_F(SerialLinkTest, ReplySplitOverTwoWritesIsDispatchedOnceAfterItsLineEnd)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    send_command(program_context(), "RTSDO\r\n");
    device_reads(7);
    device_writes("TSD");
    QTest::qWait(100);
    EXPECT_TRUE(decoded.empty());
    EXPECT_EQ(link_status().answer_pending, 1);
    device_writes("ON\r\n");
    ASSERT_TRUE(decoded_count_reaches(1));
    QTest::qWait(50);
    EXPECT_EQ(decoded, std::vector<std::string>{"TSDON\r\n"});
    EXPECT_EQ(model().config.device.clock_display, 1);
}

TEST_F(SerialLinkTest, TwoRepliesInOneWriteAreDispatchedAsTwoInOrder)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    device_writes("E3\r\nGO\r\nTSDSN\r\n");
    ASSERT_TRUE(decoded_count_reaches(3));
    EXPECT_EQ(decoded, (std::vector<std::string>{"E3\r\n", "GO\r\n", "TSDSN\r\n"}));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"Command Error"});
    EXPECT_EQ(link_status().success_pending, 1);  // the "GO" behind the error was not lost
    EXPECT_EQ(model().config.device.clock_display_size, 1);
}

TEST_F(SerialLinkTest, LinesArrivingWhileADispatcherBoxIsOpenWaitTheirTurn)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    int clock_display_inside_box = -1;
    BoxPresenter previous = set_box_presenter([&](const Box& box) {
        if (box.text == "Command Error") {
            // The operator reads the box; the device meanwhile sends the next line.
            device.write("TSDON\r\n");
            QTest::qWait(300);
            clock_display_inside_box = model().config.device.clock_display;
        }
        return BoxAnswer::ok;
    });
    device_writes("E3\r\n");
    const bool both = decoded_count_reaches(2);
    set_box_presenter(std::move(previous));
    ASSERT_TRUE(both);
    EXPECT_EQ(clock_display_inside_box, 0);
    EXPECT_EQ(decoded, (std::vector<std::string>{"E3\r\n", "TSDON\r\n"}));
    EXPECT_EQ(model().config.device.clock_display, 1);
}

TEST_F(SerialLinkTest, AnOverlongLineIsCutAndTheNextLineIsIntact)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    device_writes(QByteArray(700, 'Z') + "\r\nGO\r\n");
    ASSERT_TRUE(decoded_count_reaches(2));
    EXPECT_EQ(decoded[0], std::string(k_serial_line_max, 'Z'));
    EXPECT_EQ(decoded[1], "GO\r\n");
    EXPECT_EQ(link_status().success_pending, 1);
}

TEST_F(SerialLinkTest, NoAnswerEndsInExactlyOneNoConnect)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    send_command(program_context(), "RTSDO\r\n");
    device_reads(7);
    for (int tick = 0; tick < 26; ++tick) watchdog_tick(program_context());
    EXPECT_EQ(boxes.count("No Connect"), 0);
    for (int tick = 0; tick < 30; ++tick) watchdog_tick(program_context());
    EXPECT_EQ(boxes.count("No Connect"), 1);
    EXPECT_EQ(link_status().answer_pending, 0);
}

TEST_F(SerialLinkTest, APortThatCannotBeOpenedIsReportedOnceWithItsReason)
{
    write_configuration_text("com_path0", "/nonexistent/velta-tty");
    EXPECT_FALSE(open_serial_port(program_context()));
    EXPECT_FALSE(serial_port_open());
    ASSERT_EQ(boxes.boxes().size(), 1u);
    const Box& box = boxes.boxes()[0];
    EXPECT_EQ(box.text, "Miss! File Open");
    EXPECT_EQ(box.kind, BoxKind::error);
    EXPECT_NE(box.detail.find("COM1 (/nonexistent/velta-tty): "), std::string::npos) << box.detail;
    EXPECT_GT(box.detail.size(), std::string("COM1 (/nonexistent/velta-tty): ").size());

    // Commands go nowhere and end as an unanswered command does.
    send_command(program_context(), "RTSDO\r\n");
    for (int tick = 0; tick < 30; ++tick) watchdog_tick(program_context());
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Miss! File Open", "No Connect"}));
}

#ifndef _WIN32
// CPU time this process has used, user and system, in milliseconds.
long cpu_ms()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000L +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000L;
}

TEST_F(SerialLinkTest, AHungUpPortIsClosedAndReportedOnceWithoutSpinning)
{
    ASSERT_TRUE(open_serial_port(program_context()));
    // The same as the port's device link tells it.
    DeviceLink* link = device_link(program_context());
    ASSERT_NE(link, nullptr);
    EXPECT_EQ(link->state(), DeviceLinkState::open);
    EXPECT_EQ(link->name(), "COM1 (" + pty.tool_side().toStdString() + ")");
    DeviceLinkProbe probe(*link);
    link->send("RTSDO\r\n");
    EXPECT_EQ(device_reads(7), "RTSDO\r\n");
    EXPECT_TRUE(link->answer_outstanding());
    device_writes("TSDON\r\n");
    ASSERT_TRUE(decoded_count_reaches(1));
    EXPECT_EQ(probe.lines, std::vector<std::string>{"TSDON\r\n"});
    EXPECT_FALSE(link->answer_outstanding());

    send_command(program_context(), "RTSDO\r\n");
    device_reads(7);
    device.close();
    pty.end();  // the far end goes: the tool's side hangs up
    ASSERT_TRUE(QTest::qWaitFor([] { return serial_port_lost(); }, k_wait_ms));
    EXPECT_FALSE(serial_port_open());

    const long before = cpu_ms();
    QTest::qWait(400);
    EXPECT_LT(cpu_ms() - before, 150) << "still polling a port that hung up";

    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "No Connect");
    EXPECT_NE(boxes.boxes()[0].detail.find(pty.tool_side().toStdString()), std::string::npos)
        << boxes.boxes()[0].detail;
    EXPECT_EQ(link_status().reply_error, 1) << "the outstanding command failed";
    for (int tick = 0; tick < 30; ++tick) watchdog_tick(program_context());
    EXPECT_EQ(boxes.boxes().size(), 1u) << "reported once";
    EXPECT_EQ(probe.outcomes, std::vector<OutcomeKind>{OutcomeKind::no_answer});
    ASSERT_FALSE(probe.states.empty());
    EXPECT_EQ(probe.states.back(), DeviceLinkState::lost);
}
#endif

TEST(SerialOpenFailure, PermissionDeniedTellsHowToGetAccess)
{
    const std::string denied =
        serial_open_failure_detail(2, "/dev/ttyACM0", "Permission denied", true);
    EXPECT_EQ(denied.rfind("COM3 (/dev/ttyACM0): Permission denied\n", 0), 0u) << denied;
    EXPECT_NE(denied.find("dialout"), std::string::npos);
    const std::string missing = serial_open_failure_detail(0, "COM1", "No such file", false);
    EXPECT_EQ(missing, "COM1: No such file");
}

}  // namespace
}  // namespace velta
