// Protects the timing faults of the simulated link: answer delay, split and merged answers,
// the 38400-baud throttle in both directions, and close after a command.
#include <gtest/gtest.h>

#include <string>

#include "link_schedule.h"

namespace devsim {
namespace {

constexpr std::int64_t ms = 1'000'000;

struct Harness {
    explicit Harness(FaultPlan plan, int address = -1)
        : state(factory_state()), session(state, address, std::move(plan)), schedule(session)
    {
    }
    LinkSchedule::Step send(std::int64_t now, const std::string& bytes)
    {
        schedule.received(bytes);
        return schedule.run(now);
    }
    DeviceState state;
    DeviceSession session;
    LinkSchedule schedule;
};

TEST(LinkSchedule, WithoutFaultsAnswersGoOutAtOnceAndNothingWaits)
{
    Harness h({});
    LinkSchedule::Step step = h.send(0, "RAM\r\nRAP\r\n");
    EXPECT_EQ(step.writes, (std::vector<std::string>{"AMI\r\n", "APM\r\n"}));
    EXPECT_EQ(step.wake, -1);
    ASSERT_EQ(step.log.size(), 4u);
    EXPECT_EQ(step.log[0].direction, '<');
    EXPECT_EQ(step.log[0].text, "RAM");
    EXPECT_EQ(step.log[2].direction, '>');
    EXPECT_EQ(step.log[2].text, "AMI\r\n");
}

TEST(LinkSchedule, DelayHoldsEachAnswerAndKeepsTheirOrder)
{
    FaultPlan plan;
    plan.delay_ms = 100;
    Harness h(plan);
    LinkSchedule::Step step = h.send(0, "RAM\r\n");
    EXPECT_TRUE(step.writes.empty());
    EXPECT_EQ(step.wake, 100 * ms);
    EXPECT_TRUE(h.send(50 * ms, "RAP\r\n").writes.empty());
    EXPECT_TRUE(h.schedule.run(99 * ms).writes.empty());
    step = h.schedule.run(100 * ms);
    EXPECT_EQ(step.writes, std::vector<std::string>{"AMI\r\n"});
    EXPECT_EQ(step.wake, 150 * ms);
    EXPECT_EQ(h.schedule.run(150 * ms).writes, std::vector<std::string>{"APM\r\n"});
}

TEST(LinkSchedule, SplitAnswersLeaveInTwoWritesWithAGap)
{
    FaultPlan plan;
    plan.split = true;
    Harness h(plan);
    LinkSchedule::Step step = h.send(0, "RAM\r\n");
    EXPECT_EQ(step.writes, std::vector<std::string>{"AM"});
    EXPECT_EQ(step.wake, k_split_gap_ns);
    EXPECT_TRUE(h.schedule.run(k_split_gap_ns - 1).writes.empty());
    step = h.schedule.run(k_split_gap_ns);
    EXPECT_EQ(step.writes, std::vector<std::string>{"I\r\n"});
    // The whole answer is logged once, when its last part went out.
    ASSERT_EQ(step.log.size(), 1u);
    EXPECT_EQ(step.log[0].text, "AMI\r\n");
}

TEST(LinkSchedule, MergedAnswersShareOneWriteOrGoAloneAfterTheHold)
{
    FaultPlan plan;
    plan.merge = true;
    Harness h(plan);
    LinkSchedule::Step step = h.send(0, "RAM\r\n");
    EXPECT_TRUE(step.writes.empty());
    EXPECT_EQ(step.wake, k_merge_hold_ns);
    step = h.send(10 * ms, "RAP\r\n");
    EXPECT_EQ(step.writes, std::vector<std::string>{"AMI\r\nAPM\r\n"});

    step = h.send(20 * ms, "RAR\r\n");
    EXPECT_TRUE(step.writes.empty());
    EXPECT_TRUE(h.schedule.run(20 * ms + k_merge_hold_ns - 1).writes.empty());
    EXPECT_EQ(h.schedule.run(20 * ms + k_merge_hold_ns).writes,
              std::vector<std::string>{"ARON\r\n"});
}

TEST(LinkSchedule, AHeldAnswerGoingOutAloneKeepsItsDelayAndIsSplitLikeAnyOther)
{
    FaultPlan plan;
    plan.merge = true;
    plan.split = true;
    plan.delay_ms = 1000;
    Harness h(plan);
    EXPECT_TRUE(h.send(0, "RAM\r\n").writes.empty());
    const LinkSchedule::Step at_hold = h.schedule.run(k_merge_hold_ns);
    EXPECT_TRUE(at_hold.writes.empty());
    EXPECT_EQ(at_hold.wake, 1000 * ms);
    EXPECT_EQ(h.schedule.run(1000 * ms).writes, std::vector<std::string>{"AM"});
    EXPECT_EQ(h.schedule.run(1000 * ms + k_split_gap_ns).writes, std::vector<std::string>{"I\r\n"});
}

TEST(LinkSchedule, CloseComesAfterTheAnswerAndDropsWhatFollows)
{
    FaultPlan plan;
    plan.close_after = 1;
    plan.merge = true;
    Harness h(plan);
    LinkSchedule::Step step = h.send(0, "RAM\r\n");
    // A held answer is not lost to the close.
    EXPECT_EQ(step.writes, std::vector<std::string>{"AMI\r\n"});
    EXPECT_TRUE(step.close);
}

// Runs the schedule as a transport would, waking when asked (with `tick`, late: rounded up to
// whole ticks as a millisecond timer fires), and returns when the last byte of the expected
// answer went out.
std::int64_t time_until_written(Harness& h, std::int64_t start, const std::string& input,
                                std::size_t expected_bytes, std::string& written,
                                std::int64_t tick = 0)
{
    h.schedule.received(input);
    std::int64_t now = start;
    for (int guard = 0; guard < 100000; ++guard) {
        LinkSchedule::Step step = h.schedule.run(now);
        for (const std::string& w : step.writes) written += w;
        if (written.size() >= expected_bytes)
            return now;
        if (step.wake < 0)
            break;
        EXPECT_GE(step.wake, now);
        if (tick > 0)
            now += std::max<std::int64_t>(1, (step.wake - now + tick - 1) / tick * tick);
        else
            now = std::max(step.wake, now + 1);
    }
    return -1;
}

TEST(LinkSchedule, ThrottlePacesBothWaysAt38400Baud8E1)
{
    FaultPlan plan;
    plan.throttle = true;
    Harness h(plan);
    // 8 characters in, 262 out ("IDP" + 256 letters + CR LF): 270 characters of 11 bits.
    std::string written;
    const std::int64_t done = time_until_written(h, 0, "RIDP\r\nXX", 261, written);
    EXPECT_EQ(written, "IDP" + std::string(256, 'B') + "\r\n");
    const double expected = (6 + 261) * 11.0 / 38400.0 * 1e9;
    EXPECT_NEAR(static_cast<double>(done), expected, 2 * 11.0 / 38400.0 * 1e9);
    // About 3490 characters a second.
    EXPECT_NEAR(261 / ((done - 6 * 11.0 / 38400.0 * 1e9) / 1e9), 3490.9, 40);
}

TEST(LinkSchedule, ThrottleKeepsTheWirePaceOverManyExchangesWithMillisecondWakeUps)
{
    // A peer that sends each command when the previous answer is complete, as the tool does.
    // The transport's timer fires only in whole milliseconds; that lateness must not add up
    // over the exchanges.
    FaultPlan plan;
    plan.throttle = true;
    Harness h(plan);
    const std::string long_answer = "IDP" + std::string(256, 'B') + "\r\n";
    std::int64_t now = 0;
    std::size_t chars = 0;
    for (int i = 0; i < 60; ++i) {
        const bool long_one = i % 3 == 0;
        const std::string command = long_one ? "RIDP\r\n" : "RAM\r\n";
        const std::string answer = long_one ? long_answer : "AMI\r\n";
        std::string written;
        now = time_until_written(h, now, command, answer.size(), written, ms);
        ASSERT_EQ(written, answer) << "exchange " << i;
        chars += command.size() + answer.size();
    }
    const auto wire = static_cast<std::int64_t>(static_cast<double>(chars) * 11 / 38400 * 1e9);
    EXPECT_GE(now, wire);
    EXPECT_LE(now, wire + ms);
}

TEST(LinkSchedule, ThrottleGivesNoCreditForAnIdleLine)
{
    FaultPlan plan;
    plan.throttle = true;
    Harness h(plan);
    std::string written;
    time_until_written(h, 0, "RAM\r\n", 5, written);
    // A second later the line has stood still: the next command still takes its full time.
    written.clear();
    const std::int64_t start = 1'000 * ms;
    const std::int64_t done = time_until_written(h, start, "RAP\r\n", 5, written);
    EXPECT_EQ(written, "APM\r\n");
    EXPECT_GE(done - start, static_cast<std::int64_t>(10 * 11.0 / 38400.0 * 1e9) - 1);
}

TEST(LinePace, CountsCharactersByTheirLastBit)
{
    LinePace pace;
    EXPECT_EQ(pace.take(0, 10), 0u);
    const std::int64_t one = pace.next_time();
    EXPECT_EQ(one, 286459);  // 11 bits at 38400 baud, rounded up to the nanosecond
    EXPECT_EQ(pace.take(one - 1, 10), 0u);
    EXPECT_EQ(pace.take(one, 10), 1u);
    EXPECT_EQ(pace.take(one + 10 * 286459, 100), 10u);
    EXPECT_EQ(pace.take(one + 10 * 286459, 100), 0u);
}

}  // namespace
}  // namespace devsim
