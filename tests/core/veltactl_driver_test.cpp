// Protects the command-line tool's step driver: one command outstanding at a time, the paced
// and the answer-paced rhythm, the verdict on every answer, and where a run stops.
#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_dispatcher.h"
#include "operations.h"
#include "program/program_context.h"
#include "step_driver.h"
#include "support/wire_capture.h"

namespace veltactl {
namespace {

using velta::StepResult;

// A host with hand-driven timers and event loop; commands go to the TCP/IP hook, answers are
// fed through the real socket dispatcher, boxes through the real presenter.
struct Harness {
    std::vector<std::string> sent;
    std::vector<int> gates;  // periods armed, in order
    int answer_timer = 0;    // armed time-out, 0 when none
    std::deque<std::function<void()>> loop;
    std::vector<int> progress;
    std::optional<RunReport> report;
    std::vector<bool> quiet_at_send;
    StepDriver driver{host(), velta::program_context()};
    velta::WireHooks previous_wire;
    velta::BoxPresenter previous_boxes;

    Harness()
    {
        velta::reset_for_test();
        velta::link_settings().interface = velta::Interface::tcp;
        velta::link_status().socket_connected = 1;
        velta::WireHooks h;
        h.socket_send = [this](std::string_view c) {
            sent.emplace_back(c);
            quiet_at_send.push_back(velta::settings_run_active());
            driver.command_sent(c);
        };
        previous_wire = std::exchange(velta::program_context().hooks, std::move(h));
        previous_boxes = velta::set_box_presenter([this](const velta::Box& b) {
            driver.box(b);
            return velta::BoxAnswer::ok;
        });
        velta::program_context().reply_observer = [this](std::string_view line) {
            driver.answer(line);
        };
        velta::program_context().outcome_observer = [this](const velta::Outcome& o) {
            driver.outcome(o);
        };
    }
    ~Harness()
    {
        velta::program_context().outcome_observer = {};
        velta::program_context().reply_observer = {};
        velta::set_box_presenter(std::move(previous_boxes));
        velta::program_context().hooks = std::move(previous_wire);
    }

    DriverHost host()
    {
        DriverHost h;
        h.arm_gate = [this](int ms) { gates.push_back(ms); };
        h.arm_answer_timer = [this](int ms) { answer_timer = ms; };
        h.disarm_answer_timer = [this] { answer_timer = 0; };
        h.disarm_all = [this] { answer_timer = 0; };
        h.defer = [this](std::function<void()> f) { loop.push_back(std::move(f)); };
        h.progress = [this](int step, int) { progress.push_back(step); };
        h.finished = [this](const RunReport& r) { report = r; };
        return h;
    }

    void run_loop()
    {
        while (!loop.empty()) {
            auto f = std::move(loop.front());
            loop.pop_front();
            f();
        }
    }

    // The device answers the outstanding command, then the event loop runs.
    void reply(const std::string& line)
    {
        velta::socket_receive(velta::program_context(), line);
        run_loop();
    }
};

// Steps that send "C1\r\n", "C2\r\n", ... and expect "GO"; step `silent` sends nothing.
Operation numbered(int steps, int period = 400, int silent = 0)
{
    Operation op;
    op.name = "test";
    op.steps = steps;
    op.period_ms = period;
    op.step = [silent](int n) {
        return Step{[n, silent](velta::DeviceContext& c) {
                        if (n != silent)
                            velta::send_command(c, "C" + std::to_string(n) + "\r\n");
                        return StepResult::sent;
                    },
                    expect_go()};
    };
    return op;
}

// One read query per step, each expecting its reply.
Operation reads(std::vector<std::string> queries)
{
    Operation op;
    op.name = "read";
    op.steps = static_cast<int>(queries.size());
    op.step = [queries = std::move(queries)](int n) {
        const std::string q = queries[static_cast<std::size_t>(n - 1)];
        return Step{[q](velta::DeviceContext& c) {
                        velta::send_command(c, q);
                        return StepResult::sent;
                    },
                    expect_reply_to(q)};
    };
    return op;
}

TEST(StepDriver, FastRunSendsTheNextCommandOnlyWhenTheAnswerCame)
{
    Harness h;
    h.driver.start(numbered(3), Pace{true, true, 0});
    ASSERT_EQ(h.sent, std::vector<std::string>{"C1\r\n"});
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 1u) << "a second command left before the first was answered";
    h.reply("GO\r\n");
    EXPECT_EQ(h.sent.size(), 2u);
    h.reply("GO\r\n");
    h.reply("GO\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->all_ok());
    EXPECT_EQ(h.report->steps_done, 3);
    EXPECT_EQ(h.sent, (std::vector<std::string>{"C1\r\n", "C2\r\n", "C3\r\n"}));
    EXPECT_EQ(h.progress, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(h.gates.empty()) << "a fast run must not wait on a period";
    // The run silences the success notices while it goes, and no longer after.
    EXPECT_EQ(h.quiet_at_send, (std::vector<bool>{true, true, true}));
    EXPECT_FALSE(velta::settings_run_active());
}

TEST(StepDriver, PacedRunWaitsForBothThePeriodAndTheAnswer)
{
    Harness h;
    h.driver.start(numbered(3, 300), Pace{false, true, 0});
    EXPECT_EQ(h.gates, std::vector<int>{300});
    h.reply("GO\r\n");
    EXPECT_EQ(h.sent.size(), 1u) << "the answer came early, the period has not passed";
    h.driver.gate_open();
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 2u);
    // The period passes first: the step leaves as soon as its predecessor is answered.
    h.driver.gate_open();
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 2u);
    h.reply("GO\r\n");
    EXPECT_EQ(h.sent.size(), 3u);
    h.driver.gate_open();
    h.reply("GO\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->all_ok());
}

TEST(StepDriver, ErrorAnswerStopsTheRunAndNamesStepCommandAnswerAndMessage)
{
    Harness h;
    h.driver.start(numbered(4), Pace{true, true, 0});
    h.reply("GO\r\n");
    h.reply("E3\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_FALSE(h.report->completed);
    EXPECT_EQ(h.sent.size(), 2u) << "a step left after an error answer";
    ASSERT_EQ(h.report->failures.size(), 1u);
    const Failure& f = h.report->failures[0];
    EXPECT_EQ(f.step, 2);
    EXPECT_EQ(f.steps, 4);
    EXPECT_EQ(f.command, "C2\r\n");
    EXPECT_EQ(f.answer, "E3\r\n");
    EXPECT_EQ(f.message, "Socket Command");
    EXPECT_EQ(failure_line("10.0.0.5:9004", f),
              "10.0.0.5:9004: step 2 of 4: sent \"C2<CR><LF>\", answered \"E3<CR><LF>\": the "
              "device answered E3 (Socket Command)");
    EXPECT_EQ(velta::link_status().reply_error, 0);
}

TEST(StepDriver, ModeErrorFailsTheStepButTheRunGoesOn)
{
    Harness h;
    h.driver.start(numbered(3), Pace{true, true, 0});
    h.reply("GO\r\n");
    h.reply("GN\r\n");
    h.reply("GO\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->completed);
    EXPECT_FALSE(h.report->all_ok());
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 2);
}

TEST(StepDriver, GlyphRunsGoOnThroughErrorAnswersAndCountEachFailure)
{
    Harness h;
    Operation op = numbered(3);
    op.stop_on_error = false;
    h.driver.start(std::move(op), Pace{true, true, 0});
    h.reply("E3\r\n");
    h.reply("GO\r\n");
    h.reply("MENU\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->completed);
    ASSERT_EQ(h.report->failures.size(), 2u);
    EXPECT_EQ(h.report->failures[0].step, 1);
    EXPECT_EQ(h.report->failures[1].step, 3);
    EXPECT_EQ(h.report->failures[1].message, "Menu Display");
}

TEST(StepDriver, MissingAnswerEndsTheRunAndALateAnswerCountsForNothing)
{
    Harness h;
    h.driver.start(numbered(3), Pace{true, true, 1500});
    EXPECT_EQ(h.answer_timer, 1500);
    h.reply("GO\r\n");
    EXPECT_EQ(h.answer_timer, 1500) << "re-armed for the second command";
    h.driver.answer_timed_out();
    h.run_loop();
    ASSERT_TRUE(h.report);
    EXPECT_FALSE(h.report->completed);
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 2);
    EXPECT_EQ(h.report->failures[0].reason, "no answer within 1500 ms");
    h.reply("GO\r\n");
    EXPECT_EQ(h.sent.size(), 2u);
    EXPECT_EQ(h.report->failures.size(), 1u);
}

TEST(StepDriver, TheLinksNoAnswerIsTakenAsTheTimeOut)
{
    Harness h;
    h.driver.start(numbered(2), Pace{true, true, 0});
    velta::report_outcome(velta::program_context(), velta::outcome_of(velta::OutcomeKind::timed_out,
                                                                      velta::LinkKind::socket));
    h.run_loop();
    ASSERT_TRUE(h.report);
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].reason, "no answer");
    EXPECT_EQ(h.report->failures[0].command, "C1\r\n");
}

TEST(StepDriver, LostConnectionEndsTheRunAtOnce)
{
    Harness h;
    h.driver.start(numbered(5), Pace{true, true, 0});
    h.reply("GO\r\n");
    h.driver.link_lost("the device closed the connection");
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->link_lost);
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 2);
    EXPECT_EQ(h.report->failures[0].message, "the device closed the connection");
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 2u);
}

TEST(StepDriver, ALinkLostBetweenStepsNamesTheStepThatCouldNotLeave)
{
    Harness h;
    h.driver.start(numbered(5), Pace{true, true, 0});
    velta::socket_receive(velta::program_context(),
                          "GO\r\n");  // step 1 answered; step 2 waits for the event loop
    h.driver.link_lost("the device closed the connection");
    ASSERT_TRUE(h.report);
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 2);
    EXPECT_EQ(h.report->failures[0].command, "") << "step 1's command was not the one lost";
    EXPECT_EQ(h.sent.size(), 1u);
}

TEST(StepDriver, SendFailureDuringAStepEndsTheRun)
{
    Harness h;
    velta::link_status().socket_connected = 0;  // send_command refuses: not connected
    h.driver.start(numbered(3), Pace{true, true, 0});
    h.run_loop();
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->link_lost);
    EXPECT_TRUE(h.sent.empty());
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 1);
    EXPECT_EQ(h.report->failures[0].command, "");
}

TEST(StepDriver, StepsThatSendNothing)
{
    {  // silently: the completion step of a read run
        Harness h;
        h.driver.start(numbered(3, 400, 2), Pace{true, true, 0});
        h.reply("GO\r\n");
        EXPECT_EQ(h.sent.size(), 2u) << "the silent step must not wait for an answer";
        h.reply("GO\r\n");
        ASSERT_TRUE(h.report);
        EXPECT_TRUE(h.report->all_ok());
    }
    {  // with a message: failed, and the run goes on
        Harness h;
        Operation op = numbered(2);
        op.step = [](int n) {
            return Step{[n](velta::DeviceContext& c) {
                            if (n == 1)
                                velta::warning_box("hold time refused");
                            else
                                velta::send_command(c, "C2\r\n");
                            return StepResult::sent;
                        },
                        expect_go()};
        };
        h.driver.start(std::move(op), Pace{true, true, 0});
        h.run_loop();
        h.reply("GO\r\n");
        ASSERT_TRUE(h.report);
        EXPECT_TRUE(h.report->completed);
        ASSERT_EQ(h.report->failures.size(), 1u);
        EXPECT_EQ(failure_line("d", h.report->failures[0]),
                  "d: step 1 of 2: nothing sent: not sent (hold time refused)");
    }
    {  // a step that ends the run (a title that cannot be encoded)
        Harness h;
        Operation op = numbered(3);
        op.step = [](int) {
            return Step{[](velta::DeviceContext&) {
                            velta::warning_box(velta::k_text_title_unencodable);
                            return StepResult::end_now;
                        },
                        expect_go()};
        };
        h.driver.start(std::move(op), Pace{true, true, 0});
        h.run_loop();
        ASSERT_TRUE(h.report);
        EXPECT_FALSE(h.report->completed);
        ASSERT_EQ(h.report->failures.size(), 1u);
        EXPECT_EQ(h.report->failures[0].message, std::string(velta::k_text_title_unencodable));
    }
}

TEST(StepDriver, BroadcastIsPacedByTheWireTimeAlone)
{
    Harness h;
    h.driver.start(numbered(2), Pace{true, false, 0});
    ASSERT_EQ(h.gates.size(), 1u);
    EXPECT_EQ(h.gates[0], velta::serial_wire_ms(4));
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 1u);
    h.driver.gate_open();
    h.run_loop();
    EXPECT_EQ(h.sent.size(), 2u);
    ASSERT_TRUE(h.report);
    EXPECT_TRUE(h.report->all_ok());
    EXPECT_EQ(velta::serial_wire_ms(3490), 1000);  // 38400 baud carries 3490.9 characters a second
    EXPECT_EQ(velta::serial_wire_ms(3491), 1001);
}

TEST(StepDriver, ReadQueriesAreJudgedByTheirReply)
{
    Harness h;
    h.driver.start(reads({"RIDPM\r\n", "RIDP\r\n"}), Pace{true, true, 0});
    h.reply("IDPM2\r\n");
    EXPECT_EQ(velta::model().config.device.page_mode, 1) << "the reply is decoded as usual";
    h.reply("IDPM1\r\n");  // the answer to another query
    ASSERT_TRUE(h.report);
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(h.report->failures[0].step, 2);
    EXPECT_EQ(h.report->failures[0].reason, "expected a reply starting with IDP");
}

// A reply that starts right but does not decode is not the device's value: the read fails,
// the run stops, and read-all writes no file over what the model held before.
TEST(StepDriver, AReplyThatDoesNotDecodeFailsTheReadAndWritesNoFile)
{
    Harness h;
    Options o;
    o.link = LinkMode::tcp;
    o.command = Command::read_all;
    o.file = (std::filesystem::temp_directory_path() / "veltactl_damaged_reply.dat").string();
    std::filesystem::remove(o.file);
    h.driver.start(reads({"RADT\r\n", "RAM\r\n"}), Pace{true, true, 0});
    h.reply("ADTabc\r\n");
    ASSERT_TRUE(h.report);
    EXPECT_FALSE(h.report->completed);
    EXPECT_EQ(h.sent.size(), 1u) << "a query left after the damaged reply";
    ASSERT_EQ(h.report->failures.size(), 1u);
    EXPECT_EQ(failure_line("d", h.report->failures[0]),
              "d: step 1 of 2: sent \"RADT<CR><LF>\", answered \"ADTabc<CR><LF>\": the reply "
              "does not decode (" +
                  std::string(velta::k_text_reply_damaged) + " (ADT))");
    EXPECT_EQ(velta::model().config.device.alarm_hold_time, "010");

    const Outcome out = finish_device(o, velta::program_context(), *h.report, "d", o.file);
    EXPECT_EQ(out.exit_code, k_exit_failed);
    EXPECT_FALSE(std::filesystem::exists(o.file));
}

}  // namespace
}  // namespace veltactl
