// Protects what the simulated device answers on a link: line assembly, RS-485 addressing and
// broadcast, and the faults that change or suppress answers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "device_protocol.h"
#include "device_session.h"

namespace devsim {
namespace {

using Kind = SessionEvent::Kind;

// The bytes the device would write, in order, and whether it closed the link.
struct Outcome {
    std::vector<std::string> writes;
    std::vector<std::string> received;
    bool closed = false;
};

Outcome feed(DeviceSession& session, const std::string& bytes)
{
    Outcome out;
    for (const SessionEvent& e : session.receive(bytes)) {
        if (e.kind == Kind::received)
            out.received.push_back(e.text);
        else if (e.kind == Kind::close)
            out.closed = true;
        else
            out.writes.push_back(e.text);
    }
    return out;
}

TEST(DeviceSession, LinesAreAssembledAcrossReceiptsAndAnsweredOnce)
{
    DeviceState s = factory_state();
    DeviceSession session(s, -1, {});
    EXPECT_TRUE(feed(session, "RTS").writes.empty());
    EXPECT_TRUE(feed(session, "DO\r").writes.empty());
    Outcome o = feed(session, "\nTSDON\r\nRTSDO\r\n");
    EXPECT_EQ(o.writes, (std::vector<std::string>{"TSDOF\r\n", "GO\r\n", "TSDON\r\n"}));
    EXPECT_EQ(o.received, (std::vector<std::string>{"RTSDO", "TSDON", "RTSDO"}));
    EXPECT_EQ(session.commands_taken(), 3);
    // A bare LF ends a line too; an empty line is no command.
    EXPECT_EQ(feed(session, "RAM\n\r\n").writes, (std::vector<std::string>{"AMI\r\n", "E3\r\n"}));
}

TEST(DeviceSession, AnOverlongLineIsRefusedNotRun)
{
    DeviceState s = factory_state();
    DeviceSession session(s, -1, {});
    const std::string line = "IDP" + std::string(k_max_line, 'T') + "\r\n";
    EXPECT_EQ(feed(session, line).writes, std::vector<std::string>{"E3\r\n"});
    EXPECT_EQ(execute_command(s, "RIDP"), "IDP" + std::string(256, 'B'));
    // The next line starts clean.
    EXPECT_EQ(feed(session, "RAM\r\n").writes, std::vector<std::string>{"AMI\r\n"});
}

TEST(DeviceSession, Rs485AnswersItsOwnAddressOnlyAndRunsBroadcastsSilently)
{
    DeviceState s = factory_state();
    DeviceSession session(s, 5, {});
    EXPECT_EQ(feed(session, "05AME\r\n").writes, std::vector<std::string>{"05GO\r\n"});
    EXPECT_EQ(feed(session, "05RAM\r\n").writes, std::vector<std::string>{"05AME\r\n"});
    // Another device's command: not answered, not run, not counted.
    EXPECT_TRUE(feed(session, "06AMI\r\n").writes.empty());
    EXPECT_TRUE(feed(session, "50AMI\r\n").writes.empty());
    EXPECT_TRUE(feed(session, "AMI\r\n").writes.empty());
    EXPECT_EQ(execute_command(s, "RAM"), "AME");
    EXPECT_EQ(session.commands_taken(), 2);
    // A broadcast is run and counted but never answered, not even when it is malformed.
    EXPECT_TRUE(feed(session, "FFAPB\r\n").writes.empty());
    EXPECT_TRUE(feed(session, "FFXYZ\r\n").writes.empty());
    EXPECT_EQ(execute_command(s, "RAP"), "APB");
    EXPECT_EQ(session.commands_taken(), 4);
    EXPECT_EQ(feed(session, "05XYZ\r\n").writes, std::vector<std::string>{"05E3\r\n"});
}

TEST(DeviceSession, Rs485AddressesZeroAndThirtyOne)
{
    DeviceState s = factory_state();
    DeviceSession zero(s, 0, {});
    EXPECT_EQ(feed(zero, "00RVN\r\n").writes, std::vector<std::string>{"00VN1.32\r\n"});
    DeviceSession last(s, 31, {});
    EXPECT_EQ(feed(last, "31RADT\r\n").writes, std::vector<std::string>{"31ADT010\r\n"});
    EXPECT_TRUE(feed(last, "00RADT\r\n").writes.empty());
}

TEST(DeviceSession, NoAnswerFaultsRunTheCommandButStaySilent)
{
    DeviceState s = factory_state();
    FaultPlan plan;
    plan.no_answer_at = {2};
    DeviceSession session(s, -1, plan);
    EXPECT_EQ(feed(session, "AME\r\n").writes.size(), 1u);
    EXPECT_TRUE(feed(session, "APB\r\n").writes.empty());
    EXPECT_EQ(feed(session, "RAP\r\n").writes, std::vector<std::string>{"APB\r\n"});

    DeviceState quiet = factory_state();
    FaultPlan never;
    never.no_answer = true;
    DeviceSession mute(quiet, -1, never);
    EXPECT_TRUE(feed(mute, "AME\r\nRAM\r\n").writes.empty());
    EXPECT_EQ(execute_command(quiet, "RAM"), "AME");
}

TEST(DeviceSession, ForcedStatusReplacesTheAnswerAndTheCommandIsNotRun)
{
    for (const char* status : {"E0", "E1", "E2", "E3", "MENU", "GN"}) {
        DeviceState s = factory_state();
        FaultPlan plan;
        plan.error_at[2] = status;
        DeviceSession session(s, 7, plan);
        Outcome o = feed(session, "07AME\r\n07APB\r\n07RAP\r\n");
        EXPECT_EQ(o.writes, (std::vector<std::string>{
                                "07GO\r\n", "07" + std::string(status) + "\r\n", "07APM\r\n"}))
            << status;
    }
    EXPECT_TRUE(valid_forced_status("MENU"));
    EXPECT_FALSE(valid_forced_status("E4"));
    EXPECT_FALSE(valid_forced_status("GO"));
}

TEST(DeviceSession, StoreWrongAnswersGoButTheReadBackDiffers)
{
    const std::string title = "CA001" + std::string(4 * 28, '2').replace(0, 4, "3021");
    for (const std::string& command : {std::string("ADT045"), title, "CWL" + std::string(256, 'L'),
                                       std::string("RAM"), std::string("AMX")}) {
        DeviceState right = factory_state();
        const std::string answer = execute_command(right, command);
        DeviceState s = factory_state();
        FaultPlan plan;
        plan.store_wrong_at = {1};
        DeviceSession session(s, -1, plan);
        EXPECT_EQ(feed(session, command + "\r\n").writes,
                  std::vector<std::string>{answer + "\r\n"});
        // Only a set command the device takes is stored wrong, and only that one time.
        EXPECT_EQ(s == right, answer != "GO") << command;
        feed(session, command + "\r\n");
        EXPECT_TRUE(s == right) << command;
    }
}

TEST(DeviceSession, GarbageGoesBeforeTheAnswerAndCloseAfterIt)
{
    DeviceState s = factory_state();
    FaultPlan plan;
    plan.garbage_at = {1};
    plan.close_after = 2;
    DeviceSession session(s, -1, plan);
    Outcome first = feed(session, "RAM\r\n");
    EXPECT_EQ(first.writes, (std::vector<std::string>{std::string(k_garbage_line), "AMI\r\n"}));
    EXPECT_FALSE(first.closed);
    // The garbage line must not look like any answer: it starts with none of their letters.
    EXPECT_EQ(std::string("ACDEFGIMPRSTV").find(k_garbage_line[0]), std::string::npos);
    EXPECT_EQ(k_garbage_line.substr(k_garbage_line.size() - 2), "\r\n");

    Outcome second = feed(session, "RAP\r\n");
    EXPECT_EQ(second.writes, std::vector<std::string>{"APM\r\n"});
    EXPECT_TRUE(second.closed);
}

TEST(DeviceSession, ANewConnectionDropsThePartialLine)
{
    DeviceState s = factory_state();
    DeviceSession session(s, -1, {});
    feed(session, "AM");
    session.reset_line();
    EXPECT_EQ(feed(session, "RAM\r\n").writes, std::vector<std::string>{"AMI\r\n"});
}

}  // namespace
}  // namespace devsim
