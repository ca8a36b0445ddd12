#include "core/device/device_job.h"

#include <algorithm>
#include <set>
#include <utility>

#include "core/device/device_compare.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"

namespace velta {
namespace {

StepResult send_query(DeviceContext& context, const std::string& query)
{
    send_command(context, query);
    return StepResult::sent;
}

JobPhase query_phase(JobStage stage, std::vector<std::string> queries)
{
    JobPhase phase;
    phase.stage = stage;
    phase.steps = static_cast<int>(queries.size());
    phase.period_ms = k_read_all_period_ms;
    phase.reads = true;
    auto shared = std::make_shared<const std::vector<std::string>>(std::move(queries));
    phase.perform = [shared](DeviceContext& c, int step) {
        return send_query(c, (*shared)[static_cast<std::size_t>(step - 1)]);
    };
    phase.info = [shared](int step) {
        return JobStepInfo{true, (*shared)[static_cast<std::size_t>(step - 1)]};
    };
    return phase;
}

}  // namespace

RunSteps paced_steps(DeviceContext& context, const JobPhase& phase)
{
    auto perform = [&context, perform = phase.perform](int step) { return perform(context, step); };
    if (phase.reads)
        return steps_with_quiet_end(phase.steps, std::move(perform));
    RunSteps steps;
    steps.last = phase.steps;
    steps.perform = std::move(perform);
    return steps;
}

PhaseEnd phase_end(RunEnd end, bool link_lost)
{
    if (end == RunEnd::completed)
        return PhaseEnd::ok;
    if (end == RunEnd::stopped || end == RunEnd::cancelled)
        return PhaseEnd::stopped;
    return link_lost ? PhaseEnd::link_lost : PhaseEnd::failed;
}

DeviceJob::DeviceJob(DeviceContext& context, JobSpec spec, DeviceConfig wanted)
    : context_(context), spec_(std::move(spec)), wanted_(std::move(wanted))
{
}

DeviceJob::~DeviceJob() = default;

std::vector<std::string> DeviceJob::sent_keys() const
{
    std::vector<std::string> keys;
    for (const PlanStep& s : plan_) keys.insert(keys.end(), s.keys.begin(), s.keys.end());
    return keys;
}

void DeviceJob::decode_into(DeviceConfig& target)
{
    decode_.reset();
    scratch_extras_ = context_.model.extras;
    decode_ = std::make_unique<DecodeInto>(context_, target,
                                           &target == &reading_ ? extras_ : scratch_extras_);
}

std::optional<JobPhase> DeviceJob::end(JobResult result, JobFailure failure)
{
    decode_.reset();
    result_ = result;
    failure_ = failure;
    return std::nullopt;
}

std::optional<JobPhase> DeviceJob::ended_early(PhaseEnd end_how, JobFailure failure)
{
    if (end_how == PhaseEnd::stopped)
        return end(JobResult::stopped);
    if (end_how == PhaseEnd::link_lost)
        return end(JobResult::connection_lost, failure);
    return end(JobResult::failed, failure);
}

std::optional<JobPhase> DeviceJob::begin()
{
    result_ = JobResult::running;
    failure_ = JobFailure::none;
    extras_ = context_.model.extras;
    if (spec_.read_first)
        return read_phase();
    reading_ = spec_.known ? *spec_.known : wanted_;
    return after_read();
}

std::optional<JobPhase> DeviceJob::read_phase()
{
    stage_ = JobStage::read;
    reading_ = spec_.read_from;
    decode_into(reading_);
    return query_phase(JobStage::read, compare_read_queries());
}

std::optional<JobPhase> DeviceJob::next(PhaseEnd end_how, int steps_done)
{
    decode_.reset();
    if (result_ != JobResult::running)
        return std::nullopt;
    switch (stage_) {
        case JobStage::read:
            if (end_how != PhaseEnd::ok)
                return ended_early(end_how, JobFailure::read);
            return after_read();
        case JobStage::write: {
            items_sent_ = steps_done;
            const bool read_back_anyway = spec_.verify == JobVerify::after_writes &&
                                          end_how == PhaseEnd::completed_with_failures;
            if (end_how != PhaseEnd::ok && !read_back_anyway)
                return ended_early(end_how, JobFailure::write);
            written_ = true;
            write_failed_ = end_how != PhaseEnd::ok;
            if (spec_.verify == JobVerify::after_writes)
                return verify_phase();
            if (spec_.verify == JobVerify::with_writes)
                return judge();
            return end(JobResult::done);
        }
        case JobStage::verify:
            if (end_how != PhaseEnd::ok)
                return ended_early(end_how, JobFailure::read_back);
            return judge();
    }
    return std::nullopt;
}

std::optional<JobPhase> DeviceJob::after_read()
{
    read_done_ = true;
    if (spec_.write == JobWrite::none)
        return end(JobResult::done);
    if (spec_.write == JobWrite::send_plan) {
        plan_ = send_plan(reading_, wanted_);
        reads_ = read_plan(sent_keys());
        refusal_ = plan_refusal(wanted_, plan_);
        if (refusal_)
            return end(JobResult::failed, JobFailure::refused);
    }
    if (spec_.backup) {
        backup_ = spec_.backup(reading_);
        if (backup_.path.empty() && !backup_.go_on)
            return end(JobResult::failed, JobFailure::backup);
    }
    if (spec_.plan_only)
        return end(JobResult::done);
    if (spec_.write == JobWrite::send_plan && plan_.empty())
        return end(JobResult::no_differences);
    return write_phase();
}

std::optional<JobPhase> DeviceJob::write_phase()
{
    stage_ = JobStage::write;
    JobPhase phase;
    phase.stage = JobStage::write;
    phase.period_ms = k_set_all_period_ms;
    phase.stop_on_error = !spec_.write_through_errors;
    auto wanted = std::make_shared<const DeviceConfig>(wanted_);
    if (spec_.write == JobWrite::set_all) {
        phase.steps = k_set_all_steps;
        phase.perform = [wanted](DeviceContext& c, int step) {
            return perform_set_all_step(c, *wanted, step);
        };
        phase.info = [](int step) { return JobStepInfo{false, std::string(set_all_head(step))}; };
        return phase;
    }
    // A send plan; verified with the writes, its read-back queries follow it.
    auto plan = std::make_shared<const std::vector<PlanStep>>(plan_);
    auto reads = std::make_shared<const std::vector<std::string>>(
        spec_.verify == JobVerify::with_writes ? reads_ : std::vector<std::string>{});
    const int sends = static_cast<int>(plan->size());
    phase.steps = sends + static_cast<int>(reads->size());
    phase.reads = !reads->empty();
    phase.perform = [wanted, plan, reads, sends](DeviceContext& c, int step) {
        if (step <= sends)
            return perform_plan_step(c, *wanted, (*plan)[static_cast<std::size_t>(step - 1)]);
        return send_query(c, (*reads)[static_cast<std::size_t>(step - sends - 1)]);
    };
    phase.info = [plan, reads, sends](int step) {
        if (step <= sends)
            return JobStepInfo{false, (*plan)[static_cast<std::size_t>(step - 1)].label};
        return JobStepInfo{true, (*reads)[static_cast<std::size_t>(step - sends - 1)]};
    };
    // What is not read back stays as the device held it.
    read_back_ = reading_;
    if (phase.reads)
        decode_into(read_back_);
    return phase;
}

std::optional<JobPhase> DeviceJob::verify_phase()
{
    stage_ = JobStage::verify;
    std::vector<std::string> queries;
    if (spec_.write == JobWrite::set_all) {
        // set-all sends every record that read-all reads; the rest is wanted's, not compared.
        read_back_ = wanted_;
        for (int step = 1; step <= k_read_all_steps; ++step)
            if (std::string q = read_all_query(step); !q.empty())
                queries.push_back(std::move(q));
    } else {
        read_back_ = reading_;
        queries = reads_;
    }
    decode_into(read_back_);
    return query_phase(JobStage::verify, std::move(queries));
}

std::optional<JobPhase> DeviceJob::judge()
{
    judged_ = true;
    left_ = diff(wanted_, read_back_);
    differing_ = static_cast<int>(left_.size());
    if (spec_.write == JobWrite::send_plan) {
        // Only what was sent is judged: the rest was not read back.
        const std::vector<std::string> keys = sent_keys();
        const std::set<std::string> sent(keys.begin(), keys.end());
        differing_ = static_cast<int>(
            std::count_if(left_.begin(), left_.end(),
                          [&](const ConfigDifference& d) { return sent.count(d.key) > 0; }));
    }
    if (differing_ > 0)
        return end(JobResult::failed, JobFailure::differs);
    if (write_failed_)
        return end(JobResult::failed, JobFailure::write);
    return end(JobResult::verified);
}

}  // namespace velta
