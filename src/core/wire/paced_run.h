#pragma once
// The paced runs: one step per tick of a timer, stopped at the next tick after an error answer
// set reply_error. While a run goes it is the settings run of run_activity(), so the per-command
// success messages stay silent and no other run starts. The host owns the timer and calls tick().

#include <functional>

namespace velta {

enum class StepResult {
    sent,     // the step went out (or had nothing to send)
    end_now,  // the step failed in a way that ends the run at once (title not encodable)
};

enum class RunEnd { completed, stopped_on_error, ended_on_failure, cancelled };

struct RunSteps {
    int last = 0;                                 // steps 1..last
    std::function<StepResult(int step)> perform;  // sends step
    std::function<void(int step)> progress;       // after each performed step
    std::function<void(RunEnd end)> finished;
};

// Timer periods are divided by this, so tests can run the real sequences quickly. 1 in the
// program.
void set_pace_divisor(int divisor);
int paced_period(int period_ms);

class PacedRun {
public:
    // arm starts (or restarts) the host's timer with a period; disarm stops it.
    PacedRun(std::function<void(int period_ms)> arm, std::function<void()> disarm);

    // False when a run (of any dialog) is already active.
    bool start(RunSteps steps, int period_ms);
    void tick();
    void cancel();
    bool running() const { return running_; }
    // The step the next tick performs; 0 when no run goes.
    int step() const { return step_; }

private:
    void end(RunEnd how);

    std::function<void(int)> arm_;
    std::function<void()> disarm_;
    RunSteps steps_;
    bool running_ = false;
    int step_ = 0;
    bool in_step_ = false;  // a box opened by a step runs a nested loop; ticks wait for it
};

}  // namespace velta
