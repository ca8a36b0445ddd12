// The command rules of one party over a fake transport: one command outstanding and the rest
// in order behind it, the time-out, a late answer never taken as a success, a connection that
// leaves mid-command, a full queue and a failed write.
#include "link/command_channel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/event_wait.h"

namespace velta {
namespace {

constexpr int k_timeout_ms = 20;

struct FakeTransport {
    std::uintptr_t connection = 7;  // 0: writes fail
    std::vector<std::string> written;
    std::vector<std::string> events;
    CommandChannel channel{hooks()};

    CommandChannel::Hooks hooks()
    {
        CommandChannel::Hooks h;
        h.write = [this](const std::string& command) {
            if (connection != 0)
                written.push_back(command);
            return connection;
        };
        h.send_failed = [this] { events.push_back("send failed"); };
        h.timed_out = [this] { events.push_back("timed out"); };
        h.lost = [this](std::uintptr_t c) { events.push_back("lost " + std::to_string(c)); };
        h.timeout_ms = [] { return k_timeout_ms; };
        h.queue_max = 3;
        return h;
    }

    // The device answers on the connection the last command went on.
    std::optional<Receipt> answer(std::uintptr_t on = 7)
    {
        const std::optional<Receipt> r = channel.take_answers(on);
        channel.pump();
        return r;
    }
};

TEST(CommandChannel, OneOutstandingTheRestInOrderAndFullQueueRefused)
{
    FakeTransport t;
    EXPECT_TRUE(t.channel.send("A"));
    EXPECT_TRUE(t.channel.send("B"));
    EXPECT_TRUE(t.channel.send("C"));
    EXPECT_TRUE(t.channel.send("D"));
    EXPECT_FALSE(t.channel.send("E"));  // three wait behind A already
    EXPECT_EQ(t.written, (std::vector<std::string>{"A"}));
    EXPECT_EQ(t.channel.waiting(), 3u);
    EXPECT_EQ(t.answer(9), std::nullopt);  // another connection's bytes answer nothing
    EXPECT_EQ(t.written.size(), 1u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(t.answer(), Receipt::answer);
    EXPECT_EQ(t.written, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_FALSE(t.channel.busy());
    EXPECT_TRUE(t.events.empty());
}

TEST(CommandChannel, AfterTheTimeOutTheLineIsLateUnlessAnotherCommandWentOut)
{
    FakeTransport t;
    t.channel.send("A");
    ASSERT_TRUE(wait_in_event_loop([&] { return !t.channel.outstanding(); }, 5000));
    EXPECT_EQ(t.events, (std::vector<std::string>{"timed out"}));
    EXPECT_EQ(t.answer(), Receipt::late);
    EXPECT_EQ(t.answer(), Receipt::answer);  // only the first line after it was A's

    // B waited behind A and went when A timed out: what comes now is B's answer.
    t.channel.send("A");
    t.channel.send("B");
    ASSERT_TRUE(wait_in_event_loop([&] { return t.written.size() == 3; }, 5000));
    EXPECT_TRUE(t.channel.outstanding());
    EXPECT_EQ(t.answer(), Receipt::answer);
    EXPECT_FALSE(t.channel.busy());
}

TEST(CommandChannel, AConnectionThatLeavesTakesItsCommandAndTheQueue)
{
    FakeTransport t;
    t.channel.send("A");
    t.channel.send("B");
    t.channel.connection_left(9, false);  // not this party's connection: nothing happens
    EXPECT_TRUE(t.channel.outstanding());
    t.channel.connection_left(7, true);
    EXPECT_EQ(t.events, (std::vector<std::string>{"lost 7"}));
    EXPECT_FALSE(t.channel.busy());
    EXPECT_EQ(t.answer(), std::nullopt);  // what it still brings answers nothing
    EXPECT_EQ(t.written, (std::vector<std::string>{"A"}));
    // No time-out comes for the command that was lost.
    EXPECT_FALSE(wait_in_event_loop([&] { return t.events.size() > 1; }, 3 * k_timeout_ms));
}

TEST(CommandChannel, AFailedWriteIsToldAndTheNextCommandGoes)
{
    FakeTransport t;
    t.connection = 0;
    t.channel.send("A");
    EXPECT_EQ(t.events, (std::vector<std::string>{"send failed"}));
    EXPECT_FALSE(t.channel.busy());
    t.connection = 7;
    t.channel.send("B");
    EXPECT_EQ(t.written, (std::vector<std::string>{"B"}));
    EXPECT_TRUE(t.channel.outstanding());
}

}  // namespace
}  // namespace velta
