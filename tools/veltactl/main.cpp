// veltactl: the configuration tool's batch operations from the command line. This file is the
// Qt host: it opens the links, owns the timers and the event loop, and feeds the step driver.

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "backup_stage.h"
#include "cli_options.h"
#include "compare_run.h"
#include "fleet_output.h"
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

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/pages/title_encoding.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"

#ifndef VELTA_VERSION_TEXT
#define VELTA_VERSION_TEXT "0.00"
#endif

namespace veltactl {
namespace {

constexpr int k_watchdog_period_ms = 300;  // the main window's timer drives the serial watchdog
constexpr int k_connect_timeout_ms = 5000;
constexpr int k_interrupt_poll_ms = 100;
// A server left to run until interrupted keeps this many rows for its end table.
constexpr std::size_t k_recent_rows = 200;
// A device's trace kept while others run is written out once it holds this much.
constexpr std::size_t k_trace_section_max = 1 << 20;

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int)
{
    g_interrupted = 1;
}

void error_line(const std::string& text)
{
    std::cerr << "veltactl: " << text << '\n' << std::flush;
}

// Whether the command changes the device (its steps are counted as sent).
bool writes_device(const Options& o)
{
    return o.command == Command::set_all || o.command == Command::glyphs_set ||
           o.command == Command::time_sync || o.command == Command::send ||
           (o.command == Command::sync && !o.dry_run);
}

// A device's result in the end table: "ok", the first failed step's reason, or the error line
// without the device's name in front.
std::string result_text(const RunReport& report, const Outcome& out)
{
    if (!report.failures.empty())
        return "failed: " + report.failures.front().reason;
    if (out.exit_code == k_exit_ok && report.all_ok())
        return "ok";
    if (out.error.empty())
        return "failed";
    const std::size_t named = out.error.find(": ");
    return "failed: " + (named == std::string::npos ? out.error : out.error.substr(named + 2));
}

void later(std::function<void()> fn)
{
    QTimer::singleShot(0, QCoreApplication::instance(), std::move(fn));
}

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

int Tool::running_jobs() const
{
    return static_cast<int>(std::count_if(jobs_.begin(), jobs_.end(), [](const auto& j) {
        return j.second->phase != Job::Phase::done;
    }));
}

Job* Tool::find(int id) const
{
    auto it = jobs_.find(id);
    return it == jobs_.end() ? nullptr : it->second.get();
}

Job& Tool::add_job(std::string device)
{
    const ProgressStyle style = board_ ? ProgressStyle::quiet : style_;
    auto owned = std::make_unique<Job>(++next_id_, std::move(device), std::cout, style);
    Job& job = *owned;
    jobs_[job.id] = std::move(owned);
    const int id = job.id;
    velta::DeviceContext& c = *job.context;
    c.model = input_;
    c.presenter = [this, id](const velta::Box& b) { return present(id, b); };
    c.line_tap = [this, id](std::string_view line) {
        trace(find(id), TraceDirection::received, line);
    };
    c.dropped_tap = [this, id](std::string_view bytes) {
        trace(find(id), TraceDirection::note, "dropped (line too long): " + printable(bytes));
    };
    job.driver = std::make_unique<StepDriver>(driver_host(id), c);
    job.compare = std::make_unique<CompareRun>(o_, display_, c);
    QObject::connect(&job.gate_timer, &QTimer::timeout, [this, id] {
        if (Job* j = find(id))
            j->driver->gate_open();
    });
    QObject::connect(&job.answer_timer, &QTimer::timeout, [this, id] {
        if (Job* j = find(id)) {
            j->context->status.answer_pending = 0;  // the watchdog must not report it too
            j->driver->answer_timed_out();
        }
    });
    QObject::connect(&job.connect_timer, &QTimer::timeout, [this, id] {
        if (Job* j = find(id))
            connect_failed(*j,
                           "no connection within " + std::to_string(k_connect_timeout_ms) + " ms");
    });
    return job;
}

DriverHost Tool::driver_host(int id)
{
    DriverHost h;
    h.arm_gate = [this, id](int ms) { find(id)->gate_timer.start(ms); };
    h.arm_answer_timer = [this, id](int ms) { find(id)->answer_timer.start(ms); };
    h.disarm_answer_timer = [this, id] { find(id)->answer_timer.stop(); };
    h.disarm_all = [this, id] {
        find(id)->gate_timer.stop();
        find(id)->answer_timer.stop();
    };
    h.defer = [this, id](std::function<void()> fn) {
        later([this, id, fn = std::move(fn)] {
            if (find(id))
                fn();
        });
    };
    h.progress = [this, id](int step, int) {
        Job* j = find(id);
        j->steps_done = step;
        if (board_)
            board_->set(id, j->progress.bar_text(step));
        else
            j->progress.step(step);
    };
    h.finished = [this, id](const RunReport& r) {
        // The next stage or device starts from the event loop, not inside the last answer's
        // dispatch.
        later([this, id, r] {
            Job* j = find(id);
            if (!j || j->phase != Job::Phase::running)
                return;
            if (o_.link == LinkMode::listen && !j->answered)
                job_done(*j, k_exit_failed, "no answer");  // told there, once
            else if (j->backup)
                backup_finished(*j, r);
            else if (runs_in_stages(o_))
                stage_finished(*j, r);
            else
                device_finished(*j, r);
        });
    };
    return h;
}

void Tool::trace(Job* job, TraceDirection direction, std::string_view bytes)
{
    if (!trace_.is_open())
        return;
    if (job && o_.jobs > 1) {
        job->trace += trace_.line(job->device, direction, bytes);
        if (job->trace.size() >= k_trace_section_max) {  // a flood must not fill the memory
            trace_.write_section(job->trace);
            job->trace.clear();
        }
    } else
        trace_.write(job ? job->device : std::string(), direction, bytes);
}

void Tool::print(Job* job, std::string_view text)
{
    if (style_ == ProgressStyle::quiet)
        return;
    if (board_)
        board_->line(text);
    else if (job)
        job->progress.line(text);
    else
        std::cout << text << '\n' << std::flush;
}

// The overall count: redrawn on the board; a line of its own when a device ends in plain lines
// with several devices at once.
void Tool::show_overall(bool device_ended)
{
    const bool as_line = style_ == ProgressStyle::lines && o_.jobs > 1 && device_ended;
    if (!board_ && !as_line)
        return;
    std::string text = "devices: " + std::to_string(running_jobs()) + " running, " +
                       std::to_string(devices_) + " done";
    if (devices_ > devices_ok_)
        text += " (" + std::to_string(devices_ - devices_ok_) + " failed)";
    if (o_.link == LinkMode::tcp)
        text += " of " + std::to_string(o_.targets.size());
    else if (o_.count > 0)
        text += " of " + std::to_string(o_.count);
    if (board_)
        board_->overall(text);
    else
        std::cout << text << '\n' << std::flush;
}

velta::BoxAnswer Tool::present(int id, const velta::Box& shown)
{
    // The program's own presenter hears the boxes of the link itself (the server's).
    Job* job = id != 0 ? find(id) : nullptr;
    trace(job, TraceDirection::note, shown.caption + ": " + shown.text);
    if ((job && job->driver->box(shown)) || shown.kind == velta::BoxKind::info)
        return velta::BoxAnswer::yes;
    std::string text = shown.text;
    if (!shown.detail.empty())
        text += " (" + shown.detail + ")";
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    if (!job)
        listen_note_ = text;
    else if (job->phase == Job::Phase::connecting ||
             (o_.link == LinkMode::listen && !job->answered))
        job->connect_note = text;  // told with the device's end, once
    else
        error_line(job->device + ": " + text);
    // The questions of the dialogs are the operator's "go ahead", given by running the tool.
    return shown.buttons == velta::BoxButtons::yes_no ? velta::BoxAnswer::yes
                                                      : velta::BoxAnswer::ok;
}

void Tool::install_hooks()
{
    velta::set_box_presenter([this](const velta::Box& b) { return present(0, b); });
    velta::set_title_text_reader(&velta::cp932_char_to_utf8);
    velta::register_device_replies();
    velta::register_page_replies();
    velta::register_glyph_replies();
}

// The links install the job's hooks when they open or lease its connection; these wrappers go
// around them so that every command is traced and its step knows what went on the wire.
void Tool::wrap_wire(Job& job)
{
    velta::WireHooks& hooks = job.context->hooks;
    const int id = job.id;
    auto wrap = [this, id](std::function<void(std::string_view)> inner) {
        return [this, id, inner = std::move(inner)](std::string_view bytes) {
            Job* j = find(id);
            trace(j, TraceDirection::sent, bytes);
            if (j)
                j->driver->command_sent(bytes);
            inner(bytes);
        };
    };
    if (hooks.serial_write)
        hooks.serial_write = wrap(std::move(hooks.serial_write));
    if (hooks.socket_send)
        hooks.socket_send = wrap(std::move(hooks.socket_send));
}

bool Tool::start()
{
    std::string why;
    if (!o_.trace_path.empty() && !trace_.open(o_.trace_path, &why)) {
        error_line(o_.trace_path + ": the trace file cannot be written: " + why);
        exit_code_ = k_exit_file;
        return false;
    }
    if (o_.command == Command::version)
        std::cout << "VELTA Version " VELTA_VERSION_TEXT << '\n' << std::flush;
    if (o_.link == LinkMode::none)
        return false;

    velta::reset_peer_table();
    install_hooks();

    const Outcome input = prepare_input(o_, now_, input_);
    if (!input.error.empty())
        error_line(input.error);
    if (input.exit_code != k_exit_ok) {
        exit_code_ = input.exit_code;
        return false;
    }
    if (!input.error.empty())
        error_line(input.error);  // a warning: the run goes on
    if (!o_.out_dir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(velta::path_from_utf8(o_.out_dir), ec);
        if (ec) {
            error_line(o_.out_dir + ": the folder cannot be made: " + ec.message());
            exit_code_ = k_exit_file;
            return false;
        }
    }
    if (o_.timeout_ms > 0)
        velta::set_answer_timeout_ms(o_.timeout_ms);

    std::signal(SIGINT, on_interrupt);
    std::signal(SIGTERM, on_interrupt);
    interrupt_timer_.start(k_interrupt_poll_ms);

    switch (o_.link) {
        case LinkMode::serial:
            return start_serial();
        case LinkMode::tcp:
            several_ = o_.targets.size() > 1;
            link_context_.presenter = [this](const velta::Box& b) { return present(0, b); };
            velta::install_tcp_hooks(link_context_);
            QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::contextLinkChanged,
                             [this](velta::DeviceContext* c) { on_context_link(c); });
            later([this] { fill_slots(); });
            return true;
        case LinkMode::listen:
            several_ = o_.count != 1;
            return start_listening();
        case LinkMode::none:
            break;
    }
    return false;
}

bool Tool::start_serial()
{
    Job& job = add_job(o_.serial_path);
    velta::LinkSettings& l = job.context->link;
    l.interface = velta::Interface::serial;
    l.rs485 = o_.rs485 >= 0;
    l.slave_address = o_.rs485 >= 0 ? o_.rs485 : 0;
    serial_context_ = job.context.get();
    if (!velta::open_serial_device(*job.context, o_.serial_path)) {
        error_line(o_.serial_path + ": cannot be opened: " + job.connect_note);
        exit_code_ = k_exit_unreachable;
        return false;
    }
    wrap_wire(job);
    if (o_.timeout_ms == 0)
        watchdog_timer_.start(k_watchdog_period_ms);
    const int id = job.id;
    later([this, id] {
        if (Job* j = find(id))
            run_device(*j);
    });
    return true;
}

// Starts devices while fewer than --jobs run; ends the program when none is left.
void Tool::fill_slots()
{
    if (ended_)
        return;
    if (o_.link == LinkMode::tcp) {
        while (static_cast<int>(jobs_.size()) < o_.jobs && next_target_ < o_.targets.size())
            start_target(o_.targets[next_target_++]);
    } else if (o_.link == LinkMode::listen) {
        // Only devices that answered count: a port probe leaves room for the next device.
        while (static_cast<int>(jobs_.size()) < o_.jobs && !waiting_peers_.empty() &&
               (o_.count == 0 || devices_ + running_jobs() < o_.count)) {
            const Peer p = waiting_peers_.front();
            waiting_peers_.pop_front();
            const velta::PeerSlot& peer = velta::peer_table()[static_cast<std::size_t>(p.slot)];
            if (peer.in_use != 1 || peer.sock != p.sock)
                continue;  // it left before its turn
            Job& job = add_job(peer.address + " #" + std::to_string(p.number));
            velta::LinkSettings& l = job.context->link;
            l.interface = velta::Interface::tcp;
            l.tcp_role = velta::TcpRole::server;
            l.selected_host = p.slot;
            job.peer_sock = p.sock;
            job.endpoint = p.endpoint;
            if (!velta::bind_peer_to_context(p.slot, *job.context)) {
                jobs_.erase(job.id);
                continue;
            }
            wrap_wire(job);
            run_device(job);
        }
    }
    show_overall();
    check_end();
}

void Tool::start_target(const Target& t)
{
    Job& job = add_job(t.text());
    job.context->link.interface = velta::Interface::tcp;
    job.context->link.tcp_role = velta::TcpRole::client;

    QHostAddress address(QString::fromStdString(t.host));
    if (address.isNull() || address.protocol() != QAbstractSocket::IPv4Protocol) {
        // A name is looked up once, before its connection; the device speaks IPv4 only.
        address = QHostAddress();
        const QHostInfo info = QHostInfo::fromName(QString::fromStdString(t.host));
        for (const QHostAddress& a : info.addresses()) {
            if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                address = a;
                break;
            }
        }
        if (address.isNull()) {
            connect_failed(job, "no IPv4 address for " + t.host);
            return;
        }
    }
    velta::tcp_context_connect(*job.context, address.toString().toStdString(),
                               static_cast<std::uint16_t>(t.port));
    wrap_wire(job);
    if (Job* j = find(job.id); j && j->phase == Job::Phase::connecting)
        j->connect_timer.start(k_connect_timeout_ms);
}

void Tool::on_context_link(velta::DeviceContext* context)
{
    Job* job = nullptr;
    for (const auto& [id, j] : jobs_)
        if (j->context.get() == context)
            job = j.get();
    if (!job)
        return;
    const velta::ContextLinkState state = velta::context_link_state(*context);
    if (job->phase == Job::Phase::connecting) {
        if (state == velta::ContextLinkState::connected) {
            job->connect_timer.stop();
            const int id = job->id;
            later([this, id] {
                if (Job* j = find(id); j && j->phase == Job::Phase::connecting)
                    run_device(*j);
            });
        } else if (state != velta::ContextLinkState::connecting) {
            connect_failed(*job, "cannot connect");
        }
        return;
    }
    if (job->phase == Job::Phase::running && state != velta::ContextLinkState::connected)
        job->driver->link_lost("the device closed the connection");
}

bool Tool::start_listening()
{
    // A usage fault, told before anything is opened, like the other faults of the command line.
    if (!velta::listen_address_valid(o_.listen_address)) {
        error_line("--listen: '" + o_.listen_address + "' is not an IPv4 or IPv6 address");
        exit_code_ = k_exit_usage;
        return false;
    }
    velta::LinkSettings& l = link_context_.link;
    l.interface = velta::Interface::tcp;
    l.tcp_role = velta::TcpRole::server;
    l.selected_host = -1;
    link_context_.model.extras.port_number = std::to_string(o_.listen_port);
    link_context_.presenter = [this](const velta::Box& b) { return present(0, b); };
    velta::set_listen_address(o_.listen_address);
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::peersChanged,
                     [this] { on_peers_changed(); });
    QObject::connect(
        &velta::TcpLink::instance(), &velta::TcpLink::peerRefused, [](const QString& from) {
            error_line(from.toStdString() + ": refused: " + std::to_string(velta::k_max_peers) +
                       " devices are connected already");
        });
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::contextLinkChanged,
                     [this](velta::DeviceContext* c) { on_context_link(c); });
    const std::string where = o_.listen_address.empty() ? std::string() : o_.listen_address + ", ";
    if (velta::tcp_server_start(link_context_) == 0) {
        error_line("cannot listen on " + where + "port " + std::to_string(o_.listen_port) +
                   (listen_note_.empty() ? "" : " (" + listen_note_ + ")"));
        exit_code_ = k_exit_unreachable;
        return false;
    }
    // The port is told even with --quiet when it was chosen here: nobody could connect otherwise.
    if (!o_.quiet || o_.listen_port == 0)
        std::cout << "listening on " << where << "port " << velta::tcp_listen_port() << '\n'
                  << std::flush;
    return true;
}

void Tool::on_peers_changed()
{
    // Handles are never reused, so only the peers connected now need remembering.
    std::set<std::uintptr_t> now_connected;
    for (const int slot : velta::used_peer_slots()) {
        const velta::PeerSlot& peer = velta::peer_table()[static_cast<std::size_t>(slot)];
        now_connected.insert(peer.sock);
        if (!seen_peers_.contains(peer.sock))
            waiting_peers_.push_back(
                Peer{slot, peer.sock, ++peers_connected_, velta::peer_endpoint(slot)});
    }
    seen_peers_ = std::move(now_connected);
    std::erase_if(waiting_peers_, [this](const Peer& p) {
        if (seen_peers_.contains(p.sock))
            return false;
        error_line(p.endpoint + ": left before it was served; not counted");
        return true;
    });
    later([this] { fill_slots(); });
}

void Tool::run_device(Job& job)
{
    job.phase = Job::Phase::running;
    job.started = std::chrono::steady_clock::now();
    const int id = job.id;
    velta::DeviceContext& c = *job.context;
    c.outcome_observer = [this, id](const velta::Outcome& o) {
        if (Job* j = find(id))
            j->driver->outcome(o);
    };
    c.reply_observer = [this, id](std::string_view line) {
        if (Job* j = find(id)) {
            j->answered = true;
            j->driver->answer(line);
        }
    };
    begin_device(o_, c);
    if (o_.command == Command::set_all && !o_.backup_dir.empty()) {
        job.backup = std::make_unique<BackupStage>(c);
        start_operation(job, job.backup->read());
        return;
    }
    start_device_operation(job);
}

void Tool::backup_finished(Job& job, const RunReport& report)
{
    stage_ended(job, report);
    const Outcome out = job.backup->save(o_.backup_dir, job.device, report);
    job.backup.reset();
    if (out.exit_code != k_exit_ok) {
        error_line(out.error);
        job_done(job, out.exit_code, result_text(report, out));
        return;
    }
    print(&job, out.report);
    start_device_operation(job);
}

void Tool::start_device_operation(Job& job)
{
    if (runs_in_stages(o_)) {
        start_operation(job, job.compare->begin(job.device));
        return;
    }
    // Each device gets the clock of its own turn (time-sync), not the program's start.
    start_operation(job, make_operation(o_, local_time(std::time(nullptr))));
}

void Tool::start_operation(Job& job, Operation op)
{
    Pace pace;
    pace.fast = answer_paced(o_);
    pace.answers = o_.rs485 != k_broadcast;
    // The TCP/IP link keeps its own time-out; the serial one is the watchdog's unless given.
    pace.answer_timeout_ms = o_.link == LinkMode::serial ? o_.timeout_ms : 0;
    trace(&job, TraceDirection::note, "start " + op.name);
    job.steps_done = 0;
    // The stages of diff and sync that read the device change nothing.
    job.writing = writes_device(o_) && op.name != "read" && op.name != "verify";
    job.progress.begin(job.device, op.name, op.steps);
    if (board_)
        board_->set(job.id, job.progress.bar_text(0));
    job.driver->start(std::move(op), pace);
}

// A stage that is not the device's last ended: its failures, its progress line and its trace note.
void Tool::stage_ended(Job& job, const RunReport& report)
{
    for (const Failure& f : report.failures) error_line(failure_line(job.device, f));
    if (board_)
        board_->remove(job.id);
    else
        job.progress.end(report.all_ok(), report.steps_done);
    trace(&job, TraceDirection::note,
          std::string(report.all_ok() ? "end ok " : "end failed ") + report.operation);
}

// One stage of diff, sync or set-all --verify ended: the next one starts, or the device's
// result is printed.
void Tool::stage_finished(Job& job, const RunReport& report)
{
    stage_ended(job, report);
    if (std::optional<Operation> op = job.compare->next(report)) {
        start_operation(job, std::move(*op));
        return;
    }
    const Outcome out = job.compare->finish();
    if (!out.report.empty()) {  // the result, printed even with --quiet
        if (board_)
            board_->line(out.report);
        else
            std::cout << out.report << '\n' << std::flush;
    }
    if (!out.error.empty())
        error_line(out.error);
    job.row.sent = o_.command == Command::diff || o_.dry_run ? -1 : job.compare->items_sent();
    job.row.verify = job.compare->verify_text();
    const bool differs =
        o_.command == Command::diff && out.exit_code == k_exit_failed && report.all_ok();
    job_done(job, out.exit_code, differs ? "differs" : result_text(report, out));
}

void Tool::device_finished(Job& job, const RunReport& report)
{
    for (const Failure& f : report.failures) error_line(failure_line(job.device, f));
    const Outcome out = finish_device(o_, *job.context, report, job.device, output_file(job));
    if (board_) {
        board_->remove(job.id);
        board_->line(job.progress.end_text(report.all_ok() && out.exit_code == k_exit_ok,
                                           report.steps_done));
    } else {
        job.progress.end(report.all_ok() && out.exit_code == k_exit_ok, report.steps_done);
    }
    if (!out.error.empty())
        error_line(out.error);
    if (!out.report.empty()) {
        if (o_.command == Command::version || o_.command == Command::send)
            std::cout << out.report << '\n' << std::flush;  // the answer is the result
        else
            print(&job, out.report);
    }
    job.row.sent = writes_device(o_) ? report.steps_done : -1;
    trace(&job, TraceDirection::note,
          std::string(report.all_ok() ? "end ok " : "end failed ") + report.operation);
    job_done(job, out.exit_code, result_text(report, out));
}

void Tool::connect_failed(Job& job, const std::string& why)
{
    if (job.phase != Job::Phase::connecting)
        return;
    job.connect_timer.stop();
    error_line(job.device + ": " + why +
               (job.connect_note.empty() ? "" : " (" + job.connect_note + ")"));
    job_done(job, k_exit_unreachable, "unreachable: " + why);
}

// The device's result is in; the job goes from the event loop and the next device starts.
void Tool::job_done(Job& job, int exit_code, std::string result)
{
    job.phase = Job::Phase::done;
    job.connect_timer.stop();
    job.gate_timer.stop();
    job.answer_timer.stop();
    if (!job.trace.empty()) {
        trace_.write_section(job.trace);
        job.trace.clear();
    }
    if (o_.link == LinkMode::listen && !job.answered && exit_code != k_exit_interrupted) {
        // A port probe or a peer that is no device: told once, and it leaves --count alone.
        error_line(job.endpoint + ": not counted: no answer before it " +
                   (velta::context_link_state(*job.context) == velta::ContextLinkState::connected
                        ? "failed"
                        : "left") +
                   (job.connect_note.empty() ? "" : " (" + job.connect_note + ")"));
        const int id = job.id;
        later([this, id] {
            remove_job(id);
            fill_slots();
        });
        return;
    }
    ++devices_;
    if (exit_code == k_exit_ok)
        ++devices_ok_;
    exit_code_ = combine_exit(exit_code_, exit_code);
    job.row.result = std::move(result);
    job.row.exit_code = exit_code;
    job.row.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - job.started).count();
    rows_.set(job.id, job.row);
    show_overall(true);
    const int id = job.id;
    later([this, id] {
        remove_job(id);
        fill_slots();
    });
}

void Tool::remove_job(int id)
{
    auto it = jobs_.find(id);
    if (it == jobs_.end())
        return;
    Job& job = *it->second;
    if (board_)
        board_->remove(id);
    // What the job's driver and stages hold refers to its context: they go first.
    job.backup.reset();
    job.compare.reset();
    job.driver.reset();
    velta::release_context(*job.context);
    if (job.peer_sock != 0)
        velta::close_peer(job.peer_sock);  // served: the device is let go
    if (serial_context_ == job.context.get()) {
        velta::forget_serial_context(*job.context);
        serial_context_ = nullptr;
    }
    jobs_.erase(it);
}

void Tool::check_end()
{
    if (ended_ || !jobs_.empty())
        return;
    switch (o_.link) {
        case LinkMode::serial:
            end(exit_code_);
            break;
        case LinkMode::tcp:
            if (next_target_ >= o_.targets.size())
                end(exit_code_);
            break;
        case LinkMode::listen:
            if (o_.count > 0 && devices_ >= o_.count)
                end(exit_code_);
            break;
        case LinkMode::none:
            break;
    }
}

void Tool::interrupted()
{
    interrupt_timer_.stop();
    // A server waiting for the next device is ended this way: the devices served so far decide.
    if (jobs_.empty() && o_.link == LinkMode::listen) {
        end(exit_code_);
        return;
    }
    if (jobs_.empty())
        error_line("interrupted");
    std::vector<int> running;
    for (const auto& [id, job] : jobs_) running.push_back(id);
    for (const int id : running) {
        Job& job = *find(id);
        if (job.phase == Job::Phase::done)
            continue;
        if (job.writing && job.phase == Job::Phase::running) {
            error_line(job.device + ": interrupted after " + std::to_string(job.steps_done) +
                       " steps; the device holds part of what was to be sent");
            job.row.sent = job.steps_done;
        } else {
            error_line(job.device + ": interrupted; nothing written");
        }
        job_done(job, k_exit_interrupted, "interrupted");
        remove_job(id);
    }
    for (; next_target_ < o_.targets.size() && o_.link == LinkMode::tcp; ++next_target_) {
        DeviceRow row;
        row.device = o_.targets[next_target_].text();
        row.result = "not started";
        row.exit_code = k_exit_interrupted;
        rows_.set(++next_id_, row);
    }
    end(k_exit_interrupted);
}

void Tool::end(int code)
{
    if (ended_)
        return;
    ended_ = true;
    exit_code_ = code;
    if (board_)
        board_->clear();
    if (rows_.size() + rows_.not_listed() > 1) {
        const std::vector<DeviceRow> rows = rows_.rows();
        if (o_.json) {
            std::cout << table_json(rows, code, rows_.not_listed()) << '\n';
        } else if (!o_.quiet) {
            std::cout << table_text(rows, rows_.not_listed());
            std::cout << devices_ << " devices: " << devices_ok_ << " ok, "
                      << devices_ - devices_ok_ << " failed\n";
        }
        std::cout << std::flush;
    }
    QTimer::singleShot(0, QCoreApplication::instance(), [code] { QCoreApplication::exit(code); });
}

// The read commands' output file: --out-dir names one by the device's address, the same name
// once in a run; otherwise the file, with the device's name in it when several are read.
std::string Tool::output_file(const Job& job)
{
    if (o_.out_dir.empty())
        return output_path(o_.file, job.device, several_);
    return out_dir_path(o_.out_dir, job.device, out_names_);
}

}  // namespace
}  // namespace veltactl

int main(int argc, char** argv)
{
    using namespace veltactl;
    QCoreApplication app(argc, argv);
    // File names as UTF-8 on every platform: argv is in the ANSI code page on Windows.
    std::vector<std::string> args;
    for (const QString& a : QCoreApplication::arguments().mid(1)) args.push_back(a.toStdString());
    const ParsedOptions parsed = parse_options(args);
    if (!parsed.ok) {
        error_line(parsed.error);
        std::cerr << "Try 'veltactl --help'.\n";
        return k_exit_usage;
    }
    if (parsed.options.help) {
        std::cout << usage_text();
        return k_exit_ok;
    }
    Tool tool(parsed.options);
    if (!tool.start())
        return tool.exit_code();
    return QCoreApplication::exec();
}
