#pragma once
// One device veltactl's host serves: its own device context, its step driver and stages, its
// timers, and what is printed about it. The scheduler reaches the device (link settings, lease,
// peer, connect timer), the job runner drives it, the reporter prints its progress and trace.

#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <utility>

#include "backup_stage.h"
#include "compare_run.h"
#include "core/wire/device_context.h"
#include "fleet_output.h"
#include "link/tcp_link.h"
#include "progress_output.h"
#include "step_driver.h"

namespace veltactl {

inline constexpr int k_connect_timeout_ms = 5000;

// Runs fn from the event loop, soon.
inline void later(std::function<void()> fn)
{
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(fn));
}

// A device's context (a copy of the input, its link settings and status, its answers, boxes and
// trace) lives as long as its job; the stages and the driver refer to it.
struct Job {
    Job(int number, std::string name, std::ostream& out, ProgressStyle style)
        : id(number), device(std::move(name)), progress(out, style)
    {
        gate_timer.setSingleShot(true);
        gate_timer.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % early
        answer_timer.setSingleShot(true);
        connect_timer.setSingleShot(true);
        row.device = device;
    }

    enum class Phase { connecting, running, done };

    int id = 0;
    std::string device;
    std::unique_ptr<velta::DeviceContext> context = std::make_unique<velta::DeviceContext>();
    velta::ContextLease lease;  // its connection, while it lasts (TCP/IP)
    std::unique_ptr<StepDriver> driver;
    std::unique_ptr<CompareRun> compare;
    std::unique_ptr<BackupStage> backup;  // set-all --backup: the read before anything is sent
    QTimer gate_timer;
    QTimer answer_timer;
    QTimer connect_timer;
    Phase phase = Phase::connecting;
    std::string connect_note;  // what the link said while connecting
    ProgressOutput progress;
    std::string trace;  // its trace section, while devices run side by side
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::uintptr_t peer_sock = 0;  // --listen: the peer it serves
    int steps_done = 0;            // of the operation going now
    bool writing = false;          // the operation going now changes the device
    bool answered = false;         // the device has answered a command
    std::string endpoint;          // --listen: the peer's host:port
    DeviceRow row;
};

// The devices of the run: those being served and those whose result is in.
struct Tally {
    int running = 0;  // jobs not done
    int done = 0;
    int ok = 0;
};

}  // namespace veltactl
