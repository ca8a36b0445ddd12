#include "step_driver.h"

#include <utility>

#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"

namespace veltactl {

StepDriver::StepDriver(DriverHost host, velta::DeviceContext& context)
    : host_(std::move(host)), context_(context)
{
}

void StepDriver::start(Operation op, Pace pace)
{
    op_ = std::move(op);
    pace_ = pace;
    ++run_;
    report_ = RunReport{};
    report_.operation = op_.name;
    report_.steps = op_.steps;
    stopping_ = false;
    step_ = 1;
    if (op_.steps <= 0) {
        report_.completed = true;
        finish();
        return;
    }
    send_step();
}

void StepDriver::send_step()
{
    const Step step = op_.step(step_);
    expect_ = step.expect;
    wire_.clear();
    notes_.clear();
    sent_ = false;
    has_early_answer_ = false;
    gate_ = pace_.fast && pace_.answers;
    if (!pace_.fast)
        host_.arm_gate(op_.period_ms);

    context_.status.reply_error = 0;
    context_.activity.settings_run = true;  // silences the per-command success notices
    phase_ = Phase::sending;
    const velta::StepResult result = step.send ? step.send(context_) : velta::StepResult::sent;
    if (phase_ != Phase::sending)
        return;  // the link went away while the step was sent

    if (result == velta::StepResult::end_now) {
        fail(notes_.empty() ? "the step could not be carried out" : "not sent");
        stopping_ = true;
        complete_step();
        return;
    }
    if (!sent_) {
        // A step may send nothing (the completion step of read-all); one that said why not
        // has failed.
        if (!notes_.empty())
            fail("not sent");
        complete_step();
        return;
    }
    if (!pace_.answers) {
        if (pace_.fast)
            host_.arm_gate(velta::serial_wire_ms(static_cast<long long>(wire_.size())));
        complete_step();
        return;
    }
    phase_ = Phase::awaiting;
    if (has_early_answer_) {
        process_answer(early_answer_, early_flagged_);
        return;
    }
    if (pace_.answer_timeout_ms > 0 && host_.arm_answer_timer)
        host_.arm_answer_timer(pace_.answer_timeout_ms);
}

void StepDriver::command_sent(std::string_view wire_text)
{
    if (phase_ != Phase::sending)
        return;
    sent_ = true;
    wire_.assign(wire_text);
}

void StepDriver::answer(std::string_view line)
{
    // The line has just been decoded: reply_error also marks a data reply that did not decode.
    const bool flagged = context_.status.reply_error != 0;
    if (phase_ == Phase::sending && sent_ && !has_early_answer_) {
        has_early_answer_ = true;
        early_answer_.assign(line);
        early_flagged_ = flagged;
        return;
    }
    if (phase_ != Phase::awaiting)
        return;  // late or unasked: not the answer to anything outstanding
    process_answer(line, flagged);
}

void StepDriver::process_answer(std::string_view line, bool flagged)
{
    if (host_.disarm_answer_timer)
        host_.disarm_answer_timer();
    report_.last_answer.assign(line);
    Verdict v = judge_answer(expect_, line);
    if (v.ok && flagged) {
        v.ok = false;
        v.stop = true;
        v.reason = "the reply does not decode";
    }
    if (!v.ok) {
        fail(v.reason, std::string(line));
        if (v.stop && op_.stop_on_error)
            stopping_ = true;
    }
    complete_step();
}

void StepDriver::outcome(const velta::Outcome& o)
{
    using velta::OutcomeKind;
    if (!running())
        return;
    switch (o.kind) {
        case OutcomeKind::timed_out:
        case OutcomeKind::no_answer:
            outcome_box_due_ = true;
            answer_timed_out();
            break;
        case OutcomeKind::send_failed:
        case OutcomeKind::not_connected:
            outcome_box_due_ = true;
            link_lost(velta::outcome_message(o));
            break;
        default:
            break;
    }
}

bool StepDriver::box(const velta::Box& shown)
{
    if (std::exchange(outcome_box_due_, false))
        return true;
    if (!running())
        return false;
    if (shown.kind == velta::BoxKind::error || shown.kind == velta::BoxKind::warning ||
        shown.kind == velta::BoxKind::plain) {
        notes_.push_back(shown.detail.empty() ? shown.text
                                              : shown.text + " (" + shown.detail + ")");
        return true;
    }
    return shown.kind == velta::BoxKind::info;  // success notices say nothing the run does not
}

void StepDriver::gate_open()
{
    if (!running())
        return;
    gate_ = true;
    if (phase_ == Phase::between) {
        const int run = run_;
        host_.defer([this, run] {
            if (run == run_ && phase_ == Phase::between)
                send_step();
        });
    }
}

void StepDriver::answer_timed_out()
{
    if (phase_ != Phase::awaiting)
        return;
    std::string reason = "no answer";
    if (pace_.answer_timeout_ms > 0)
        reason += " within " + std::to_string(pace_.answer_timeout_ms) + " ms";
    fail(reason);
    stopping_ = true;
    complete_step();
}

void StepDriver::link_lost(std::string_view why)
{
    if (!running())
        return;
    // Between steps the counter already names the next step, the one that could not leave;
    // the previous step's command is not the one lost.
    if (phase_ == Phase::between)
        wire_.clear();
    notes_.emplace_back(why);
    fail("the connection was lost");
    report_.link_lost = true;
    finish();
}

void StepDriver::complete_step()
{
    phase_ = Phase::between;
    ++report_.steps_done;
    if (host_.progress)
        host_.progress(step_, op_.steps);
    if (stopping_) {
        finish();
        return;
    }
    if (step_ >= op_.steps) {
        report_.completed = true;
        finish();
        return;
    }
    ++step_;
    if (gate_) {
        const int run = run_;
        host_.defer([this, run] {
            if (run == run_ && phase_ == Phase::between)
                send_step();
        });
    }
}

std::string StepDriver::notes() const
{
    std::string text;
    for (const std::string& n : notes_) text += (text.empty() ? "" : "; ") + n;
    return text;
}

void StepDriver::fail(std::string reason, std::string answer)
{
    Failure f;
    f.step = step_;
    f.steps = op_.steps;
    f.command = wire_;
    f.answer = std::move(answer);
    f.reason = std::move(reason);
    f.message = notes();
    report_.failures.push_back(std::move(f));
}

void StepDriver::finish()
{
    phase_ = Phase::finished;
    ++run_;
    context_.activity.settings_run = false;
    context_.status.reply_error = 0;
    if (host_.disarm_all)
        host_.disarm_all();
    if (host_.finished)
        host_.finished(report_);
}

std::string failure_line(std::string_view device, const Failure& f)
{
    std::string line(device);
    line += ": step " + std::to_string(f.step) + " of " + std::to_string(f.steps) + ": ";
    if (f.command.empty())
        line += "nothing sent";
    else
        line += "sent \"" + printable(f.command, 40) + "\"";
    if (!f.answer.empty())
        line += ", answered \"" + printable(f.answer, 40) + "\"";
    line += ": " + f.reason;
    if (!f.message.empty())
        line += " (" + f.message + ")";
    return line;
}

}  // namespace veltactl
