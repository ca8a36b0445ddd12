#pragma once
// One device's job: read the device (its whole configuration, as a comparison reads it), keep a
// backup of what it held, write to it (set-all, or a send plan of only the differences), and
// read back what was written to verify it. The job decides what comes next and how the device
// ended; the host runs each phase's steps on its own engine (a PacedRun, veltactl's step
// driver) and tells the job how the phase ended. Every host turns the typed result into its own
// words.
//
// While a phase reads, the device's answers are decoded into the job's own configurations,
// never into the context's model.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device/batch_steps.h"
#include "core/device/config_diff.h"
#include "core/device/send_plan.h"
#include "core/model/settings_model.h"
#include "core/wire/paced_run.h"
#include "core/wire/reply_dispatcher.h"

namespace velta {

struct DeviceContext;

enum class JobWrite { none, set_all, send_plan };
// with_writes: each item sent is read back in the same phase, after the sends. after_writes: a
// phase of its own reads back what was written once the writes ended.
enum class JobVerify { none, with_writes, after_writes };

// What a backup came to: the path written, or empty with why; go_on tells whether to write to
// the device without one.
struct JobBackup {
    std::string path;
    std::string why;
    bool go_on = false;
};

struct JobSpec {
    JobWrite write = JobWrite::none;
    JobVerify verify = JobVerify::none;
    // False: the device is not read first; `known` is what it held (a comparison already read
    // it), or it is not needed (set-all).
    bool read_first = true;
    // The configuration a reading starts from: whatever its queries do not reach stays so.
    DeviceConfig read_from;
    std::optional<DeviceConfig> known;
    // A send plan that fails a step goes on to its end (and, verified after the writes, is read
    // back all the same); otherwise the first error answer stops the writes.
    bool write_through_errors = false;
    bool plan_only = false;  // stop once the plan is known and the backup kept
    // Called with the device as read before anything is written; none: no backup.
    std::function<JobBackup(const DeviceConfig& device)> backup;
};

enum class JobStage { read, write, verify };

// One step of a phase, for the host's messages and its answer checks: a query (its text, with
// its line end) or a command (what it sets: a plan step's label, set-all's item).
struct JobStepInfo {
    bool query = false;
    std::string text;
};

struct JobPhase {
    JobStage stage = JobStage::read;
    int steps = 0;
    int period_ms = 0;  // the period at the paced speed, before any pace divisor
    bool stop_on_error = true;
    // The phase's result is taken from its answers: a host whose run ends at its last command
    // waits for the last answer first.
    bool reads = false;
    std::function<StepResult(DeviceContext& context, int step)> perform;  // steps 1..steps
    std::function<JobStepInfo(int step)> info;
};

// How the host's run of a phase ended.
enum class PhaseEnd {
    ok,                       // every step done and answered as expected
    completed_with_failures,  // it reached its last step, some failed
    failed,                   // it stopped on a failure
    stopped,                  // the operator stopped it, or its host went away
    link_lost,
};

// A phase as the steps of a PacedRun on context: a phase that reads gets one more step that
// only waits for its last answer. The host adds progress and finished.
RunSteps paced_steps(DeviceContext& context, const JobPhase& phase);
// How a PacedRun of a phase ended, for the job.
PhaseEnd phase_end(RunEnd end, bool link_lost);

enum class JobResult { running, done, verified, no_differences, stopped, failed, connection_lost };
enum class JobFailure { none, read, refused, backup, write, read_back, differs };

class DeviceJob {
public:
    // wanted: what the device is compared with and brought to.
    DeviceJob(DeviceContext& context, JobSpec spec, DeviceConfig wanted);
    ~DeviceJob();
    DeviceJob(const DeviceJob&) = delete;
    DeviceJob& operator=(const DeviceJob&) = delete;

    // The first phase, or nothing when the job ended before any (see result()).
    std::optional<JobPhase> begin();
    // The next phase after one ended so, or nothing when the job is over.
    std::optional<JobPhase> next(PhaseEnd end, int steps_done);

    JobResult result() const { return result_; }
    JobFailure failure() const { return failure_; }
    // The stage the job is in, or ended in.
    JobStage stage() const { return stage_; }

    const DeviceConfig& wanted() const { return wanted_; }
    // Whether the device was read (or known) whole.
    bool read_done() const { return read_done_; }
    // The device as read before anything was written (or as it was known).
    const DeviceConfig& reading() const { return reading_; }
    const DeviceExtras& reading_extras() const { return extras_; }
    // wanted against the reading.
    std::vector<ConfigDifference> differences() const { return diff(wanted_, reading_); }
    const std::vector<PlanStep>& plan() const { return plan_; }
    const std::optional<SetAllRefusal>& refusal() const { return refusal_; }
    const JobBackup& backup() const { return backup_; }
    bool written() const { return written_; }  // the write phase ran to its end
    int items_sent() const { return items_sent_; }
    // The reading with what was read back over it (set-all: wanted with the records read back).
    const DeviceConfig& read_back() const { return read_back_; }
    // Whether what was read back was judged, and wanted against it (empty until then).
    bool judged() const { return judged_; }
    const std::vector<ConfigDifference>& left() const { return left_; }
    // Of the items sent, those the device does not hold as sent (set-all: of every record).
    int differing() const { return differing_; }
    // The difference keys the writes covered: the plan's.
    std::vector<std::string> sent_keys() const;

private:
    std::optional<JobPhase> read_phase();
    std::optional<JobPhase> after_read();
    std::optional<JobPhase> write_phase();
    std::optional<JobPhase> verify_phase();
    std::optional<JobPhase> judge();
    std::optional<JobPhase> end(JobResult result, JobFailure failure = JobFailure::none);
    std::optional<JobPhase> ended_early(PhaseEnd end, JobFailure failure);
    void decode_into(DeviceConfig& target);

    DeviceContext& context_;
    JobSpec spec_;
    DeviceConfig wanted_;
    DeviceConfig reading_;
    DeviceConfig read_back_;
    DeviceExtras extras_;
    DeviceExtras scratch_extras_;
    std::unique_ptr<DecodeInto> decode_;
    JobStage stage_ = JobStage::read;
    JobResult result_ = JobResult::running;
    JobFailure failure_ = JobFailure::none;
    std::vector<PlanStep> plan_;
    std::vector<std::string> reads_;
    std::optional<SetAllRefusal> refusal_;
    JobBackup backup_;
    bool written_ = false;
    bool write_failed_ = false;
    int items_sent_ = 0;
    std::vector<ConfigDifference> left_;
    int differing_ = 0;
    bool judged_ = false;
    bool read_done_ = false;
};

}  // namespace velta
