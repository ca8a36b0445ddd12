#pragma once
// diff, sync and set-all --verify: a device's job (read into a configuration of its own, never
// the one loaded from the file; compared with the file; brought to it with only the commands of
// the send plan; read back). Each phase of the job is an Operation for the step driver; the
// host runs them in turn and prints the result at the end.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "core/device/config_diff.h"
#include "core/device/device_job.h"
#include "core/device/send_plan.h"
#include "core/model/settings_model.h"
#include "core/wire/reply_dispatcher.h"
#include "operations.h"
#include "step_driver.h"

namespace veltactl {

// Whether the command runs in stages through a CompareRun.
bool runs_in_stages(const Options& o);

// Titles are compared in code page 932; the host turns them into UTF-8 for the output.
using DisplayText = std::function<std::string(std::string_view cp932)>;

class CompareRun {
public:
    // The run compares against, sends from and reads through context, the device's.
    CompareRun(const Options& o, DisplayText display, velta::DeviceContext& context);
    CompareRun(const CompareRun&) = delete;
    CompareRun& operator=(const CompareRun&) = delete;

    // The first stage on a device; the model's configuration holds the file's.
    Operation begin(std::string device);
    // The next stage after one ended with this report, or nothing when the device is done.
    std::optional<Operation> next(const RunReport& report);
    // The device's result: exit code, error line and the human or JSON report.
    Outcome finish() const;
    // For the end table: the steps that went to the device to change it, and how the read-back
    // ended ("-" without --verify).
    int items_sent() const { return items_sent_; }
    std::string verify_text() const;

private:
    Operation operation(const velta::JobPhase& phase) const;
    // Takes what the job knows after a phase into the report, and the exit code and error
    // line once it is over.
    void take_results();
    std::string human_report() const;
    std::string json_report() const;

    Options o_;
    DisplayText display_;
    velta::DeviceContext& context_;
    std::string device_;
    std::unique_ptr<velta::DeviceJob> job_;

    bool read_ok_ = false;
    std::vector<velta::ConfigDifference> differences_;  // file against device
    std::vector<velta::PlanStep> plan_;
    std::vector<std::string> plan_commands_;
    bool sent_ = false;
    bool verified_ = false;
    int items_sent_ = 0;
    std::vector<velta::ConfigDifference> left_;  // file against the device read back
    std::string backup_path_;
    int exit_code_ = k_exit_ok;
    std::string error_;
};

// A phase of a device's job as an Operation of the step driver: a query step expects the
// query's reply, a command step "GO".
Operation job_operation(const velta::JobPhase& phase, std::string name);
// How a stage's run ended, for the job.
velta::PhaseEnd phase_end(const RunReport& report);

// A JSON string literal of UTF-8 text.
std::string json_string(std::string_view text);

}  // namespace veltactl
