#include "core/wire/paced_run.h"

#include <algorithm>
#include <utility>

#include "core/common/run_activity.h"
#include "core/wire/device_context.h"

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

int serial_wire_ms(long long bytes)
{
    return static_cast<int>((bytes * 11 * 1000 + 38399) / 38400);
}

PacedRun::PacedRun(DeviceContext& context, std::function<void(int)> arm,
                   std::function<void()> disarm)
    : context_(context), arm_(std::move(arm)), disarm_(std::move(disarm))
{
}

PacedRun::~PacedRun()
{
    // A host that did not cancel its run: nothing of the run may outlive it.
    if (!running_)
        return;
    set_active(false);
    if (pace_ == Pace::answered)
        hear_outcomes(false);
}

bool PacedRun::start(RunSteps steps, int period_ms, Pace pace)
{
    const RunActivity& activity = context_.activity;
    const bool refused =
        steps.kind == RunKind::glyph_list ? run_active(activity) : settings_run_active(activity);
    if (running_ || refused)
        return false;
    steps_ = std::move(steps);
    running_ = true;
    pace_ = pace;
    awaited_ = 0;
    answered_ = 0;
    // A failure left by an earlier single command is not this run's.
    context_.status.reply_error = 0;
    set_active(true);
    step_ = 1;
    if (pace_ == Pace::answered) {
        hear_outcomes(true);
        arm_(0);
    } else {
        arm_(paced_period(period_ms));
    }
    return true;
}

void PacedRun::outcome(const Outcome& o)
{
    if (!running_ || o.late)
        return;
    ++answered_;
    // Within a step (a link that fails at once) the step itself decides when it is over.
    if (!in_step_ && answered_ >= awaited_)
        arm_(0);
}

void PacedRun::tick()
{
    if (!running_ || in_step_)
        return;
    LinkStatus& status = context_.status;
    if (stops_on_error() && status.reply_error != 0) {
        status.reply_error = 0;
        end(RunEnd::stopped_on_error);
        return;
    }
    const bool answered = pace_ == Pace::answered;
    if (answered && answered_ < awaited_)
        return;  // the outcome of the last command has not come yet
    if (answered && step_ > steps_.last) {
        end(RunEnd::completed);  // the last step is answered
        return;
    }
    // On TCP/IP a slow device is never outrun: the step waits for the previous answer.
    if (answer_outstanding(context_))
        return;
    const int step = step_;
    const SendTally before = context_.tally;
    answered_ = 0;
    awaited_ = 0;
    in_step_ = true;
    const StepResult result = steps_.perform ? steps_.perform(step) : StepResult::sent;
    in_step_ = false;
    if (!running_)
        return;  // stopped from a box the step opened
    if (steps_.progress)
        steps_.progress(step);
    if (result == StepResult::end_now) {
        status.reply_error = 0;
        end(RunEnd::ended_on_failure);
        return;
    }
    if (result == StepResult::last)
        steps_.last = step;  // an answer-paced run then ends once this step is answered
    step_ = step + 1;
    const bool last = step >= steps_.last;
    if (!answered) {
        if (last)
            end(RunEnd::completed);
        return;
    }
    const SendTally& after = context_.tally;
    awaited_ = after.awaited - before.awaited;
    if (answered_ < awaited_) {
        disarm_();  // the outcome arms the next tick
        return;
    }
    if (last && (!stops_on_error() || status.reply_error == 0)) {
        end(RunEnd::completed);
        return;
    }
    // Nothing to wait for: at once, or after the line has carried what nobody answers.
    arm_(serial_wire_ms(after.unanswered_bytes - before.unanswered_bytes));
}

void PacedRun::stop()
{
    if (running_)
        end(RunEnd::stopped);
}

void PacedRun::cancel()
{
    if (running_)
        end(RunEnd::cancelled);
}

void PacedRun::set_active(bool active)
{
    if (steps_.kind == RunKind::glyph_list)
        context_.activity.glyph_run = active;
    else
        context_.activity.settings_run = active;
}

// An answer-paced run hears every outcome of its context, after whoever listened before it.
void PacedRun::hear_outcomes(bool on)
{
    if (!on) {
        context_.outcome_observer = std::move(previous_observer_);
        return;
    }
    previous_observer_ = std::exchange(context_.outcome_observer, [this](const Outcome& o) {
        if (previous_observer_)
            previous_observer_(o);
        outcome(o);
    });
}

void PacedRun::end(RunEnd how)
{
    running_ = false;
    step_ = 0;
    set_active(false);
    disarm_();
    if (pace_ == Pace::answered)
        hear_outcomes(false);
    pace_ = Pace::periodic;
    if (steps_.finished)
        steps_.finished(how);
}

}  // namespace velta
