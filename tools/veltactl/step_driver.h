#pragma once
// Runs the steps of one operation on one device and judges every answer. Never more than one
// command is outstanding. Paced: a step leaves one period after the previous one left, and not
// before the previous answer came. Fast: it leaves as soon as the previous answer came. The
// host owns the timers and the event loop and reports what happened on the link.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "answer_judge.h"
#include "core/common/message_boxes.h"
#include "core/wire/device_context.h"
#include "core/wire/outcome.h"
#include "core/wire/paced_run.h"

namespace veltactl {

struct Step {
    // Hands at most one command to send_command on the device's context; end_now when the step
    // cannot be carried out and the run must end (a title that cannot be encoded).
    std::function<velta::StepResult(velta::DeviceContext& context)> send;
    Expect expect;
};

struct Operation {
    std::string name;
    int steps = 0;
    std::function<Step(int step)> step;  // steps 1..steps
    int period_ms = 0;                   // the paced period
    bool stop_on_error = true;           // the glyph runs go on through error answers
};

struct Failure {
    int step = 0;
    int steps = 0;
    std::string command;  // as it went on the wire; empty when nothing was sent
    std::string answer;   // the answer line, when one came
    std::string reason;
    std::string message;  // what the program said about it (its message), if anything
};

struct RunReport {
    std::string operation;
    int steps = 0;
    int steps_done = 0;      // steps carried out to their end
    bool completed = false;  // the run reached its last step
    bool link_lost = false;
    std::vector<Failure> failures;
    std::string last_answer;  // the answer to the last step that was answered
    bool all_ok() const { return completed && failures.empty(); }
};

struct DriverHost {
    std::function<void(int ms)> arm_gate;          // call gate_open() after ms
    std::function<void(int ms)> arm_answer_timer;  // call answer_timed_out() after ms
    std::function<void()> disarm_answer_timer;
    std::function<void()> disarm_all;
    std::function<void(std::function<void()>)> defer;  // run from the event loop, soon
    std::function<void(int step, int steps)> progress;
    std::function<void(const RunReport&)> finished;
};

struct Pace {
    bool fast = false;
    bool answers = true;        // false on a broadcast: nothing answers, the time alone paces
    int answer_timeout_ms = 0;  // > 0: the driver's own answer time-out (else the link's)
};

class StepDriver {
public:
    // Runs on context: its sends, its link status and its run activity.
    StepDriver(DriverHost host, velta::DeviceContext& context);
    StepDriver(const StepDriver&) = delete;
    StepDriver& operator=(const StepDriver&) = delete;

    void start(Operation op, Pace pace);
    bool running() const { return phase_ != Phase::idle && phase_ != Phase::finished; }

    // Events from the host.
    void command_sent(std::string_view wire_text);
    void answer(std::string_view line);
    // How the outstanding command ended, before its box (if any) is shown: no answer ends the
    // step as its time-out does, a failed send ends the run.
    void outcome(const velta::Outcome& outcome);
    // True when the box belongs to the run (it is then part of a failure line or the box of an
    // outcome taken above); false when the host should show it itself.
    bool box(const velta::Box& shown);
    void gate_open();
    void answer_timed_out();
    void link_lost(std::string_view why);

private:
    enum class Phase { idle, sending, awaiting, between, finished };

    void send_step();
    void process_answer(std::string_view line, bool flagged);
    void complete_step();
    void fail(std::string reason, std::string answer = {});
    void finish();
    std::string notes() const;

    DriverHost host_;
    velta::DeviceContext& context_;
    Operation op_;
    Pace pace_;
    Phase phase_ = Phase::idle;
    int run_ = 0;  // deferred calls of an earlier run are ignored
    int step_ = 0;
    bool gate_ = false;
    bool sent_ = false;
    bool stopping_ = false;
    bool has_early_answer_ = false;
    std::string early_answer_;
    bool early_flagged_ = false;
    bool outcome_box_due_ = false;  // the next box is that of an outcome already acted on
    Expect expect_;
    std::string wire_;
    std::vector<std::string> notes_;
    RunReport report_;
};

// One line for a failure: the device, the step, the command and the answer.
std::string failure_line(std::string_view device, const Failure& failure);

}  // namespace veltactl
