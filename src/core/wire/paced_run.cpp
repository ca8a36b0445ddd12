#include "core/wire/paced_run.h"

#include <algorithm>
#include <utility>

#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"

namespace velta {
namespace {
int& divisor()
{
    static int d = 1;
    return d;
}
}  // namespace

void set_pace_divisor(int d)
{
    divisor() = std::max(1, d);
}

int paced_period(int period_ms)
{
    return std::max(1, period_ms / divisor());
}

PacedRun::PacedRun(std::function<void(int)> arm, std::function<void()> disarm)
    : arm_(std::move(arm)), disarm_(std::move(disarm))
{
}

bool PacedRun::start(RunSteps steps, int period_ms)
{
    if (running_ || settings_run_active())
        return false;
    steps_ = std::move(steps);
    running_ = true;
    // A failure left by an earlier single command is not this run's.
    link_status().reply_error = 0;
    run_activity().settings_run = true;
    step_ = 1;
    arm_(paced_period(period_ms));
    return true;
}

void PacedRun::tick()
{
    if (!running_ || in_step_)
        return;
    if (link_status().reply_error != 0) {
        link_status().reply_error = 0;
        end(RunEnd::stopped_on_error);
        return;
    }
    // On TCP/IP a slow device is never outrun: the step waits for the previous answer.
    if (answer_outstanding())
        return;
    const int step = step_;
    in_step_ = true;
    const StepResult result = steps_.perform ? steps_.perform(step) : StepResult::sent;
    in_step_ = false;
    if (steps_.progress)
        steps_.progress(step);
    if (result == StepResult::end_now) {
        link_status().reply_error = 0;
        end(RunEnd::ended_on_failure);
        return;
    }
    step_ = step + 1;
    if (step >= steps_.last)
        end(RunEnd::completed);
}

void PacedRun::cancel()
{
    if (running_)
        end(RunEnd::cancelled);
}

void PacedRun::end(RunEnd how)
{
    running_ = false;
    step_ = 0;
    run_activity().settings_run = false;
    disarm_();
    if (steps_.finished)
        steps_.finished(how);
}

}  // namespace velta
