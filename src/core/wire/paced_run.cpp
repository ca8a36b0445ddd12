#include "core/wire/paced_run.h"

#include <algorithm>
#include <utility>

#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/device_session.h"
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

int serial_wire_ms(long long bytes)
{
    return static_cast<int>((bytes * 11 * 1000 + 38399) / 38400);
}

PacedRun::PacedRun(std::function<void(int)> arm, std::function<void()> disarm)
    : arm_(std::move(arm)), disarm_(std::move(disarm))
{
}

PacedRun::~PacedRun()
{
    // A host that did not cancel its run: nothing of the run may outlive it.
    if (!running_)
        return;
    SessionScope scope(session_);
    set_active(false);
    if (pace_ == Pace::answered)
        set_outcome_observer(std::move(previous_observer_));
}

bool PacedRun::start(RunSteps steps, int period_ms, Pace pace)
{
    const bool refused = steps.kind == RunKind::glyph_list ? run_active() : settings_run_active();
    if (running_ || refused)
        return false;
    session_ = current_session();
    steps_ = std::move(steps);
    running_ = true;
    pace_ = pace;
    awaited_ = 0;
    answered_ = 0;
    // A failure left by an earlier single command is not this run's.
    link_status().reply_error = 0;
    set_active(true);
    step_ = 1;
    if (pace_ == Pace::answered) {
        previous_observer_ = set_outcome_observer([this](const Outcome& o) {
            if (previous_observer_)
                previous_observer_(o);
            outcome(o);
        });
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
    SessionScope scope(session_);
    if (stops_on_error() && link_status().reply_error != 0) {
        link_status().reply_error = 0;
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
    if (answer_outstanding())
        return;
    const int step = step_;
    const SendTally before = send_tally();
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
        link_status().reply_error = 0;
        end(RunEnd::ended_on_failure);
        return;
    }
    step_ = step + 1;
    if (!answered) {
        if (step >= steps_.last)
            end(RunEnd::completed);
        return;
    }
    const SendTally& after = send_tally();
    awaited_ = after.awaited - before.awaited;
    if (answered_ < awaited_) {
        disarm_();  // the outcome arms the next tick
        return;
    }
    if (step >= steps_.last && (!stops_on_error() || link_status().reply_error == 0)) {
        end(RunEnd::completed);
        return;
    }
    // Nothing to wait for: at once, or after the line has carried what nobody answers.
    arm_(serial_wire_ms(after.unanswered_bytes - before.unanswered_bytes));
}

void PacedRun::stop()
{
    if (running_) {
        SessionScope scope(session_);
        end(RunEnd::stopped);
    }
}

void PacedRun::cancel()
{
    if (running_) {
        SessionScope scope(session_);
        end(RunEnd::cancelled);
    }
}

void PacedRun::set_active(bool active)
{
    if (steps_.kind == RunKind::glyph_list)
        run_activity().glyph_run = active;
    else
        run_activity().settings_run = active;
}

void PacedRun::end(RunEnd how)
{
    running_ = false;
    step_ = 0;
    set_active(false);
    disarm_();
    if (pace_ == Pace::answered)
        set_outcome_observer(std::move(previous_observer_));
    pace_ = Pace::periodic;
    if (steps_.finished)
        steps_.finished(how);
}

}  // namespace velta
