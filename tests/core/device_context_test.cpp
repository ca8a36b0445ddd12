// Two devices served side by side on one event loop: what one device answers lands in its own
// context only, its boxes go to its own presenter, and its answers pace its own run alone.
#include "core/wire/device_context.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "core/device/device_replies.h"
#include "core/wire/paced_run.h"

namespace velta {
namespace {

struct Device {
    DeviceContext context;
    std::vector<std::string> sent;
    std::vector<std::string> boxes;
    int armed = -1;  // the period the run last armed, -1 when none since the last look
    PacedRun run{context, [this](int ms) { armed = ms; }, [] {}};

    Device()
    {
        context.link.interface = Interface::tcp;
        context.status.socket_connected = 1;
        context.hooks.socket_send = [this](std::string_view c) { sent.emplace_back(c); };
        context.presenter = [this](const Box& b) {
            boxes.push_back(b.text);
            return BoxAnswer::ok;
        };
    }

    RunSteps two_reads()
    {
        RunSteps steps;
        steps.last = 2;
        steps.perform = [this](int) {
            send_command(context, "RADT\r\n");
            return StepResult::sent;
        };
        return steps;
    }
};

TEST(DeviceContext, KeepsTwoDevicesAnswersBoxesAndRunsApart)
{
    register_device_replies();
    std::array<Device, 2> devices;
    Device& a = devices[0];
    Device& b = devices[1];
    a.context.model.config.device.alarm_hold_time = "005";
    b.context.model.config.device.alarm_hold_time = "006";

    // One run per device: the second starts although the first goes.
    ASSERT_TRUE(a.run.start(a.two_reads(), 300, Pace::answered));
    ASSERT_TRUE(b.run.start(b.two_reads(), 300, Pace::answered));
    a.run.tick();
    b.run.tick();
    ASSERT_EQ(a.sent.size(), 1u);
    ASSERT_EQ(b.sent.size(), 1u);
    a.armed = b.armed = -1;

    // A's answer is decoded into A and moves A's run on; B still waits for its own.
    socket_receive(a.context, "ADT030\r\n");
    EXPECT_EQ(a.context.model.config.device.alarm_hold_time, "030");
    EXPECT_EQ(b.context.model.config.device.alarm_hold_time, "006");
    EXPECT_EQ(a.armed, 0);
    EXPECT_EQ(b.armed, -1);

    // B's error answer fails B's command and is shown by B's presenter only.
    socket_receive(b.context, "E3\r\n");
    EXPECT_EQ(b.context.status.reply_error, 1);
    EXPECT_EQ(a.context.status.reply_error, 0);
    EXPECT_EQ(b.boxes, std::vector<std::string>{"Socket Command"});
    EXPECT_TRUE(a.boxes.empty());
    EXPECT_TRUE(a.run.running());

    a.run.cancel();
    b.run.cancel();
}

}  // namespace
}  // namespace velta
