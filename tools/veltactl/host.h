#pragma once
// veltactl's Qt host: it opens the links, owns the timers and the event loop, and feeds each
// device's step driver. host.cpp holds the output and the run's life, host_links.cpp which
// devices are served and how they are reached, host_jobs.cpp one device's job from its first
// stage to its end.

#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <deque>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "backup_stage.h"
#include "cli_options.h"
#include "compare_run.h"
#include "core/common/message_boxes.h"
#include "core/wire/device_context.h"
#include "core/wire/watchdog.h"
#include "fleet_output.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "operations.h"
#include "progress_output.h"
#include "step_driver.h"
#include "wire_trace.h"

#ifdef _WIN32
#include <io.h>
#define VELTA_ISATTY _isatty
#define VELTA_FILENO _fileno
#else
#include <unistd.h>
#define VELTA_ISATTY isatty
#define VELTA_FILENO fileno
#endif

namespace veltactl {

inline constexpr int k_watchdog_period_ms =
    300;  // the main window's timer drives the serial watchdog
inline constexpr int k_connect_timeout_ms = 5000;
inline constexpr int k_interrupt_poll_ms = 100;
// A server left to run until interrupted keeps this many rows for its end table.
inline constexpr std::size_t k_recent_rows = 200;
// A device's trace kept while others run is written out once it holds this much.
inline constexpr std::size_t k_trace_section_max = 1 << 20;

// Set by SIGINT and SIGTERM; the host looks at it on a timer.
extern volatile std::sig_atomic_t g_interrupted;
extern "C" void on_interrupt(int);

void error_line(const std::string& text);
// Whether the command changes the device (its steps are counted as sent).
bool writes_device(const Options& o);
// A device's result in the end table: "ok", the first failed step's reason, or the error line
// without the device's name in front.
std::string result_text(const RunReport& report, const Outcome& out);
// Runs fn from the event loop, soon.
void later(std::function<void()> fn);

// One device being served: its own device context (a copy of the input, its link settings and
// status, its answers, boxes and trace), its step driver and timers, and what is printed about
// it.
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

class Tool {
public:
    explicit Tool(Options o)
        : o_(std::move(o)),
          style_(o_.quiet || o_.json                  ? ProgressStyle::quiet
                 : VELTA_ISATTY(VELTA_FILENO(stdout)) ? ProgressStyle::terminal
                                                      : ProgressStyle::lines),
          display_([](std::string_view cp932) {
              return velta::from_cp932(cp932).toUtf8().toStdString();
          }),
          rows_(o_.link == LinkMode::listen && o_.count == 0 ? k_recent_rows : 0)
    {
        if (style_ == ProgressStyle::terminal && o_.jobs > 1)
            board_ = std::make_unique<FleetBoard>(std::cout);
        QObject::connect(&watchdog_timer_, &QTimer::timeout, [this] {
            if (serial_context_)
                velta::watchdog_tick(*serial_context_);
        });
        QObject::connect(&interrupt_timer_, &QTimer::timeout, [this] {
            if (g_interrupted)
                interrupted();
        });
    }

    // Sets everything up and starts the first devices; false when the program ends at once.
    bool start();
    int exit_code() const { return exit_code_; }

private:
    struct Peer {
        int slot = 0;
        std::uintptr_t sock = 0;
        int number = 0;  // in the order of connection
        std::string endpoint;
    };

    Job* find(int id) const;
    Job& add_job(std::string device);
    DriverHost driver_host(int id);
    void install_hooks();
    void wrap_wire(Job& job);
    velta::BoxAnswer present(int id, const velta::Box& shown);
    void trace(Job* job, TraceDirection direction, std::string_view bytes);
    void print(Job* job, std::string_view text);
    void show_overall(bool device_ended = false);

    bool start_serial();
    void fill_slots();
    void start_target(const Target& t);
    void on_context_link(velta::DeviceContext* context);
    bool start_listening();
    void on_peers_changed();

    void run_device(Job& job);
    void start_device_operation(Job& job);
    void backup_finished(Job& job, const RunReport& report);
    void stage_ended(Job& job, const RunReport& report);
    void start_operation(Job& job, Operation op);
    void stage_finished(Job& job, const RunReport& report);
    void device_finished(Job& job, const RunReport& report);
    void connect_failed(Job& job, const std::string& why);
    void job_done(Job& job, int exit_code, std::string result);
    void remove_job(int id);
    void check_end();
    void interrupted();
    void end(int code);
    std::string output_file(const Job& job);

    Options o_;
    ProgressStyle style_;
    DisplayText display_;
    std::tm now_ = local_time(std::time(nullptr));
    std::unique_ptr<FleetBoard> board_;  // several devices at once on a terminal
    WireTrace trace_;
    QTimer watchdog_timer_;
    velta::SettingsModel input_;  // what every device's context starts from
    // The link's own party: the server, and the peers not yet served by a job.
    velta::DeviceContext link_context_;
    velta::DeviceContext* serial_context_ = nullptr;  // the serial job's, for the watchdog
    QTimer interrupt_timer_;

    std::map<int, std::unique_ptr<Job>> jobs_;  // the devices being served, by number
    DeviceHistory rows_;                        // the devices served, by number
    int next_id_ = 0;
    int exit_code_ = k_exit_ok;
    int devices_ = 0;
    int devices_ok_ = 0;
    bool several_ = false;
    bool ended_ = false;
    std::string listen_note_;
    std::set<std::string> out_names_;  // --out-dir names given out

    std::size_t next_target_ = 0;
    std::set<std::uintptr_t> seen_peers_;  // the peers connected at the last change
    std::deque<Peer> waiting_peers_;
    int peers_connected_ = 0;
    int running_jobs() const;
};

}  // namespace veltactl
