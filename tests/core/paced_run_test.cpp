// Protects the paced runs (stop at the next tick after an error answer, end at once on a step
// that fails, one run at a time, steps held back while a TCP/IP answer is outstanding, the
// answer-paced mode) and the line assembly of received bytes.
#include "core/wire/paced_run.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/dispatch_turns.h"
#include "core/wire/framing.h"
#include "core/wire/line_assembler.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

struct Harness {
    WireCapture wire;
    int armed = 0;
    bool armed_now = false;
    std::vector<int> performed;
    std::vector<RunEnd> ends;
    PacedRun run{program_context(),
                 [this](int period) {
                     armed = period;
                     armed_now = true;
                 },
                 [this] { armed_now = false; }};

    RunSteps steps(int last, int fail_at = 0, bool send = false)
    {
        RunSteps s;
        s.last = last;
        s.perform = [this, fail_at, send](int step) {
            performed.push_back(step);
            if (send)
                send_command(program_context(), "TSA\r\n");
            return step == fail_at ? StepResult::end_now : StepResult::sent;
        };
        s.finished = [this](RunEnd e) { ends.push_back(e); };
        return s;
    }
};

TEST(PacedRun, RunsEveryStepOnceThenEnds)
{
    Harness h;
    ASSERT_TRUE(h.run.start(h.steps(3), 400));
    EXPECT_EQ(h.armed, 400);
    EXPECT_TRUE(settings_run_active());
    EXPECT_FALSE(h.run.start(h.steps(3), 400));  // one run at a time
    for (int i = 0; i < 5; ++i) h.run.tick();
    EXPECT_EQ(h.performed, (std::vector<int>{1, 2, 3}));
    ASSERT_EQ(h.ends.size(), 1u);
    EXPECT_EQ(h.ends[0], RunEnd::completed);
    EXPECT_FALSE(settings_run_active());
    EXPECT_FALSE(h.armed_now);
}

TEST(PacedRun, AStepThatIsTheLastEndsTheRunEarlyAtEitherPace)
{
    for (const Pace pace : {Pace::periodic, Pace::answered}) {
        Harness h;
        RunSteps s = h.steps(5, 0, true);
        s.perform = [&h](int step) {
            h.performed.push_back(step);
            send_command(program_context(), "TSA\r\n");
            return step == 2 ? StepResult::last : StepResult::sent;
        };
        ASSERT_TRUE(h.run.start(std::move(s), 400, pace));
        for (int i = 0; i < 4; ++i) {
            h.run.tick();
            if (pace == Pace::answered && h.ends.empty())
                report_outcome(program_context(), outcome_of(OutcomeKind::go));
        }
        EXPECT_EQ(h.performed, (std::vector<int>{1, 2}));
        EXPECT_EQ(h.ends, (std::vector<RunEnd>{RunEnd::completed}));
    }
}

TEST(PacedRun, ErrorAnswerStopsAtTheNextTick)
{
    Harness h;
    ASSERT_TRUE(h.run.start(h.steps(10), 300));
    h.run.tick();
    h.run.tick();
    link_status().reply_error = 1;  // the answer to step 2
    h.run.tick();
    EXPECT_EQ(h.performed, (std::vector<int>{1, 2}));
    ASSERT_EQ(h.ends.size(), 1u);
    EXPECT_EQ(h.ends[0], RunEnd::stopped_on_error);
    EXPECT_EQ(link_status().reply_error, 0);
    EXPECT_FALSE(settings_run_active());
}

TEST(PacedRun, FailingStepEndsAtOnce)
{
    Harness h;
    ASSERT_TRUE(h.run.start(h.steps(10, 2), 600));
    h.run.tick();
    h.run.tick();
    ASSERT_EQ(h.ends.size(), 1u);
    EXPECT_EQ(h.ends[0], RunEnd::ended_on_failure);
}

TEST(PacedRun, WaitsWhileATcpAnswerIsOutstanding)
{
    Harness h;
    bool outstanding = true;
    WireHooks hooks;
    hooks.answer_outstanding = [&] { return outstanding; };
    const WireHooks previous = std::exchange(velta::program_context().hooks, hooks);
    link_settings().interface = Interface::tcp;
    ASSERT_TRUE(h.run.start(h.steps(2), 400));
    h.run.tick();
    h.run.tick();
    EXPECT_TRUE(h.performed.empty());
    outstanding = false;
    h.run.tick();
    EXPECT_EQ(h.performed, (std::vector<int>{1}));
    velta::program_context().hooks = previous;
}

TEST(PacedRun, AnswerPacedStepGoesWhenThePreviousOutcomeArrivesAndNotBefore)
{
    Harness h;
    std::vector<OutcomeKind> heard;
    const OutcomeObserver host = [&](const Outcome& o) { heard.push_back(o.kind); };
    const OutcomeObserver previous = std::exchange(velta::program_context().outcome_observer, host);
    ASSERT_TRUE(h.run.start(h.steps(3, 0, true), 400, Pace::answered));
    EXPECT_TRUE(h.armed_now);
    EXPECT_EQ(h.armed, 0);
    h.run.tick();
    EXPECT_FALSE(h.armed_now);
    h.run.tick();  // a stray tick while the answer is awaited sends nothing
    EXPECT_EQ(h.performed, (std::vector<int>{1}));

    Outcome late = outcome_of(OutcomeKind::go);
    late.late = true;  // the answer of a command that already timed out is not this one's
    report_outcome(program_context(), late);
    EXPECT_FALSE(h.armed_now);
    report_outcome(program_context(),
                   outcome_of(OutcomeKind::mode_error));  // "GN" answers too; it does not stop
    EXPECT_TRUE(h.armed_now);
    EXPECT_EQ(h.armed, 0);
    h.run.tick();
    EXPECT_EQ(h.performed, (std::vector<int>{1, 2}));
    report_outcome(program_context(), outcome_of(OutcomeKind::go));
    h.run.tick();
    // The run ends with the last answer, not with the last command.
    EXPECT_TRUE(h.ends.empty());
    report_outcome(program_context(), outcome_of(OutcomeKind::go));
    h.run.tick();
    EXPECT_EQ(h.performed, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(h.ends, (std::vector<RunEnd>{RunEnd::completed}));
    EXPECT_EQ(h.wire.sent().size(), 3u);
    EXPECT_EQ(heard.size(), 4u);  // the host's observer heard every outcome, and is back
    EXPECT_EQ(std::exchange(velta::program_context().outcome_observer, previous).target_type(),
              host.target_type());

    // A broadcast is not answered: the next step waits for the line to carry it.
    link_settings().rs485 = true;
    link_settings().slave_address = 32;
    ASSERT_TRUE(h.run.start(h.steps(2, 0, true), 400, Pace::answered));
    h.run.tick();
    EXPECT_EQ(h.wire.last(), "FFTSA\r\n");
    EXPECT_TRUE(h.armed_now);
    EXPECT_EQ(h.armed, serial_wire_ms(7));
    EXPECT_EQ(serial_wire_ms(7), 3);  // 77 bits at 38400 baud, rounded up
}

TEST(PacedRun, PaceDivisorShortensPeriods)
{
    set_pace_divisor(100);
    EXPECT_EQ(paced_period(600), 6);
    EXPECT_EQ(paced_period(0), 1);
    set_pace_divisor(1);
    EXPECT_EQ(paced_period(600), 600);
}

std::vector<std::string> assemble(LineAssembler& a, const std::vector<std::string>& chunks)
{
    std::vector<std::string> lines;
    for (const std::string& c : chunks)
        a.feed(c, [&](std::string_view l) { lines.emplace_back(l); });
    return lines;
}

TEST(LineAssembler, SplitsAtEveryLfAndKeepsPartialLines)
{
    LineAssembler a(LineAssembler::Overflow::cut);
    EXPECT_EQ(assemble(a, {"GO\r\nE3\r", "\nTSD", "ON\r\n"}),
              (std::vector<std::string>{"GO\r\n", "E3\r\n", "TSDON\r\n"}));
    EXPECT_EQ(a.pending(), 0u);
}

TEST(LineAssembler, OverlongLinesAreCutOnSerialAndDroppedOnTcp)
{
    const std::string big(1000, 'A');
    LineAssembler cut(LineAssembler::Overflow::cut);
    std::vector<std::string> lines;
    std::string cut_off;
    for (const std::string& c : {big, big, std::string("\nGO\r\n")})
        cut.feed(
            c, [&](std::string_view l) { lines.emplace_back(l); },
            [&](std::string_view d) { cut_off += d; });
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], big.substr(0, 599));
    EXPECT_EQ(lines[1], "GO\r\n");
    EXPECT_EQ(cut_off, big.substr(599) + big + "\n");  // a trace misses no byte of it either

    LineAssembler drop(LineAssembler::Overflow::drop);
    lines = assemble(drop, {big, "\n", "GO\r\n"});
    EXPECT_EQ(lines, (std::vector<std::string>{"GO\r\n"}));

    // What is dropped is still handed over whole, so that a trace misses no byte received.
    std::string dropped;
    lines.clear();
    for (const std::string& c : {std::string("GO\r\n") + big, big, std::string("B\r\nE3\r\n")})
        drop.feed(
            c, [&](std::string_view l) { lines.emplace_back(l); },
            [&](std::string_view d) { dropped += d; });
    EXPECT_EQ(lines, (std::vector<std::string>{"GO\r\n", "E3\r\n"}));
    EXPECT_EQ(dropped, big + big + "B\r\n");
}

TEST(DispatchTurns, LinesArrivingDuringADispatchWaitTheirTurn)
{
    std::vector<std::string> order;
    dispatch_in_turn([&] {
        order.push_back("first begins");
        // A box opened here would run a nested loop that delivers the next line.
        dispatch_in_turn([&] { order.push_back("second"); });
        order.push_back("first ends");
    });
    EXPECT_EQ(order, (std::vector<std::string>{"first begins", "first ends", "second"}));
    EXPECT_FALSE(dispatch_busy());
}

}  // namespace
}  // namespace velta
