#pragma once
// veltactl's Qt host: the Tool holds the options and the input every device starts from, owns
// the reporter (what is printed), the job runner (each device's job) and the scheduler (which
// devices are served, and when), wires them together, and keeps the run's life: its start, its
// interrupt, its end and its exit code.

#include <QTimer>
#include <csignal>
#include <ctime>

#include "cli_options.h"
#include "core/model/settings_model.h"
#include "job_runner.h"
#include "operations.h"
#include "reporter.h"
#include "scheduler.h"
#include "wire_trace.h"

namespace veltactl {

inline constexpr int k_interrupt_poll_ms = 100;

// Set by SIGINT and SIGTERM; the host looks at it on a timer.
extern volatile std::sig_atomic_t g_interrupted;
extern "C" void on_interrupt(int);

class Tool {
public:
    explicit Tool(Options o);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Sets everything up and starts the first devices; false when the program ends at once.
    bool start();
    int exit_code() const { return exit_code_; }

private:
    void check_end();
    void interrupted();
    void end(int code);

    Options o_;
    std::tm now_ = local_time(std::time(nullptr));
    velta::SettingsModel input_;  // what every device's context starts from
    Reporter reporter_;
    JobRunner runner_;
    Scheduler scheduler_;
    QTimer interrupt_timer_;
    int exit_code_ = k_exit_ok;
    bool ended_ = false;
};

}  // namespace veltactl
