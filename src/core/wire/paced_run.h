#pragma once
// The paced runs: one step per tick of a timer, stopped at the next tick after an error answer
// set reply_error. While a run goes it is the settings run of run_activity() (or, for a glyph
// list, the glyph run), so the per-command success messages stay silent and no other run starts.
// The host owns the timer and calls tick().
//
// A run goes at its period, or answer-paced ("高速"): the next step goes as soon as every
// command of the previous one has its outcome (answer, time-out, no link), a step that sends
// nothing is followed at once, and commands nobody answers (an RS-485 broadcast) are given the
// time the serial line needs to carry them. The run then ends when the last step is answered.
//
// A run serves the device context it is made with: its sends, its answers and its run activity
// are that device's, so several runs, one per device, can go side by side.

#include <functional>

#include "core/wire/outcome.h"

namespace velta {

struct DeviceContext;

enum class StepResult {
    sent,     // the step went out (or had nothing to send)
    end_now,  // the step failed in a way that ends the run at once (title not encodable)
    last,     // the step went out and was the run's last, however many steps were planned
};

// stopped: the operator's "中止"; cancelled: the host went away.
enum class RunEnd { completed, stopped_on_error, ended_on_failure, stopped, cancelled };

enum class Pace { periodic, answered };

// settings: the settings run of run_activity(); an error answer stops it. glyph_list: the glyph
// run of run_activity(); it goes on through error answers and starts only while no run goes.
enum class RunKind { settings, glyph_list };

struct RunSteps {
    int last = 0;                                 // steps 1..last
    std::function<StepResult(int step)> perform;  // sends step
    std::function<void(int step)> progress;       // after each performed step
    std::function<void(RunEnd end)> finished;
    RunKind kind = RunKind::settings;
};

// Timer periods are divided by this, so tests can run the real sequences quickly. 1 in the
// program.
void set_pace_divisor(int divisor);
int paced_period(int period_ms);

// How long a 38400-baud line with 11 bits a character needs for bytes, rounded up.
int serial_wire_ms(long long bytes);

class PacedRun {
public:
    // arm starts (or restarts) the host's timer with a period; disarm stops it.
    PacedRun(DeviceContext& context, std::function<void(int period_ms)> arm,
             std::function<void()> disarm);
    ~PacedRun();
    PacedRun(const PacedRun&) = delete;
    PacedRun& operator=(const PacedRun&) = delete;

    // False when a run (of any dialog on the context) is already active. An answer-paced run
    // ignores the period.
    bool start(RunSteps steps, int period_ms, Pace pace = Pace::periodic);
    void tick();
    // The operator's stop: nothing more is sent, the run ends as stopped.
    void stop();
    void cancel();
    bool running() const { return running_; }
    // The step the next tick performs; 0 when no run goes.
    int step() const { return step_; }
    // The steps performed so far; 0 when no run goes.
    int done() const { return running_ ? step_ - 1 : 0; }

private:
    void end(RunEnd how);
    void outcome(const Outcome& o);
    void set_active(bool active);
    void hear_outcomes(bool on);
    bool stops_on_error() const { return steps_.kind == RunKind::settings; }

    DeviceContext& context_;
    std::function<void(int)> arm_;
    std::function<void()> disarm_;
    RunSteps steps_;
    bool running_ = false;
    int step_ = 0;
    bool in_step_ = false;  // a box opened by a step runs a nested loop; ticks wait for it
    // Answer-paced: the outcomes the last step awaits and those that came.
    Pace pace_ = Pace::periodic;
    long long awaited_ = 0;
    long long answered_ = 0;
    OutcomeObserver previous_observer_;
};

}  // namespace velta
