#pragma once
// veltactl's job runner: the devices' jobs, each from its first stage (backup, operation,
// compare stages) to its result and its end; each job's step driver host, the hooks around its
// wire and its boxes, and the results of the jobs that ended (the end table's rows).

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "cli_options.h"
#include "compare_run.h"
#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "fleet_output.h"
#include "job.h"
#include "operations.h"
#include "reporter.h"
#include "step_driver.h"

namespace veltactl {

// A server left to run until interrupted keeps this many rows for its end table.
inline constexpr std::size_t k_recent_rows = 200;

class JobRunner {
public:
    // What the runner tells its host.
    struct Events {
        std::function<void(int exit_code)> counted;  // a device's result is in
        std::function<void(Job&)> let_go;            // the job goes: its connection first
        std::function<void()> slot_freed;            // a job has gone: another may start
    };

    // Every device's context starts from input.
    JobRunner(const Options& o, const velta::SettingsModel& input, Reporter& reporter,
              Events events);
    JobRunner(const JobRunner&) = delete;
    JobRunner& operator=(const JobRunner&) = delete;

    // The process-wide hooks: the program's box presenter, the title text, the reply rows.
    void install_hooks();
    // The boxes of job id; 0 for the link's own (the server's).
    velta::BoxAnswer present(int id, const velta::Box& shown);

    Job& add(std::string device);
    // A job that never ran goes at once.
    void discard(int id);
    Job* find(int id) const;
    Job* find(const velta::DeviceContext* context) const;
    // The links install the job's hooks when they open or lease its connection; this goes
    // around them.
    void wrap_wire(Job& job);

    // The device is reached: its first stage starts.
    void run(Job& job);
    void connect_failed(Job& job, const std::string& why);
    void link_lost(Job& job, std::string_view why);
    // Every job not done yet ends as interrupted and goes.
    void interrupt_all();
    // A device the run did not reach before it was interrupted: a row of the end table.
    void not_started(std::string device);

    // The jobs held: running, or done and about to go.
    std::size_t jobs() const { return jobs_.size(); }
    Tally tally() const;
    const DeviceHistory& history() const { return rows_; }

private:
    DriverHost driver_host(int id);
    void start_device_operation(Job& job);
    void backup_finished(Job& job, const RunReport& report);
    void stage_ended(Job& job, const RunReport& report);
    void start_operation(Job& job, Operation op);
    void stage_finished(Job& job, const RunReport& report);
    void device_finished(Job& job, const RunReport& report);
    void job_done(Job& job, int exit_code, std::string result);
    void remove(int id);
    std::string output_file(const Job& job);

    const Options& o_;
    const velta::SettingsModel& input_;
    Reporter& reporter_;
    Events events_;
    DisplayText display_;
    bool several_ = false;  // several devices: each read writes a file of its own

    std::map<int, std::unique_ptr<Job>> jobs_;  // the devices being served, by number
    DeviceHistory rows_;                        // the devices served, by number
    int next_id_ = 0;
    int devices_ = 0;
    int devices_ok_ = 0;
    std::set<std::string> out_names_;  // --out-dir names given out
};

}  // namespace veltactl
