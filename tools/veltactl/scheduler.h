#pragma once
// veltactl's scheduler: which devices are served and how they are reached (the serial port, the
// --tcp targets, the --listen peers), how many jobs go at once (--jobs), and their connections
// coming and going. It fills the free job slots and hands each reached device to the job
// runner.

#include <QTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <set>
#include <string>

#include "cli_options.h"
#include "core/wire/device_context.h"
#include "job.h"
#include "job_runner.h"
#include "reporter.h"

namespace veltactl {

inline constexpr int k_watchdog_period_ms =
    300;  // the main window's timer drives the serial watchdog

class Scheduler {
public:
    // filled: called after the free slots were filled, when the run may be over.
    Scheduler(const Options& o, JobRunner& runner, Reporter& reporter,
              std::function<void()> filled);
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Opens the link and starts the first devices; false, with the exit code, when the program
    // ends at once.
    bool start(int& exit_code);
    // Starts devices while fewer than --jobs run.
    void fill_slots();
    // The run has ended: no device starts any more.
    void stop() { stopped_ = true; }
    // No device is left to serve.
    bool exhausted() const;
    // A job goes: its connection is let go.
    void let_go(Job& job);
    // Interrupted: the targets not reached go in the end table as not started.
    void not_started();

private:
    struct Peer {
        int slot = 0;
        std::uintptr_t sock = 0;
        int number = 0;  // in the order of connection
        std::string endpoint;
    };

    bool start_serial(int& exit_code);
    void start_target(const Target& t);
    void on_context_link(velta::DeviceContext* context);
    bool start_listening(int& exit_code);
    void on_peers_changed();

    const Options& o_;
    JobRunner& runner_;
    Reporter& reporter_;
    std::function<void()> filled_;
    bool stopped_ = false;
    QTimer watchdog_timer_;
    QObject receiver_;  // the link's notices reach the scheduler while it lives
    // The link's own party: the server, and the peers not yet served by a job.
    velta::DeviceContext link_context_;
    velta::DeviceContext* serial_context_ = nullptr;  // the serial job's, for the watchdog

    std::size_t next_target_ = 0;
    std::set<std::uintptr_t> seen_peers_;  // the peers connected at the last change
    std::deque<Peer> waiting_peers_;
    int peers_connected_ = 0;
};

}  // namespace veltactl
