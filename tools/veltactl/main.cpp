// veltactl: the configuration tool's batch operations from the command line. This file is the
// Qt host: it opens the links, owns the timers and the event loop, and feeds the step driver.

#include <QCoreApplication>
#include <QHostAddress>
#include <QHostInfo>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <deque>
#include <iostream>
#include <set>
#include <string>
#include <vector>

#include "cli_options.h"
#include "compare_run.h"
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

#include "core/common/message_boxes.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/pages/title_encoding.h"
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

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int)
{
    g_interrupted = 1;
}

void error_line(const std::string& text)
{
    std::cerr << "veltactl: " << text << '\n' << std::flush;
}

class Tool {
public:
    explicit Tool(Options o)
        : o_(std::move(o)),
          progress_(std::cout, o_.quiet || o_.json                  ? ProgressStyle::quiet
                               : VELTA_ISATTY(VELTA_FILENO(stdout)) ? ProgressStyle::terminal
                                                                    : ProgressStyle::lines),
          driver_(driver_host()),
          compare_(o_, [](std::string_view cp932) {
              return velta::from_cp932(cp932).toUtf8().toStdString();
          })
    {
        gate_timer_.setSingleShot(true);
        gate_timer_.setTimerType(Qt::PreciseTimer);  // a coarse timer may fire 5 % early
        answer_timer_.setSingleShot(true);
        connect_timer_.setSingleShot(true);
        QObject::connect(&gate_timer_, &QTimer::timeout, [this] { driver_.gate_open(); });
        QObject::connect(&answer_timer_, &QTimer::timeout, [this] {
            velta::link_status().answer_pending = 0;  // the watchdog must not report it too
            driver_.answer_timed_out();
        });
        QObject::connect(&connect_timer_, &QTimer::timeout, [this] {
            connect_failed("no connection within " + std::to_string(k_connect_timeout_ms) + " ms");
        });
        QObject::connect(&watchdog_timer_, &QTimer::timeout, [] { velta::watchdog_tick(); });
        QObject::connect(&interrupt_timer_, &QTimer::timeout, [this] {
            if (g_interrupted)
                interrupted();
        });
    }

    // Sets everything up and starts the first device; false when the program ends at once.
    bool start();
    int exit_code() const { return exit_code_; }

private:
    enum class Phase { idle, connecting, running, done };

    DriverHost driver_host();
    void install_hooks();
    void wrap_wire();
    velta::BoxAnswer present(const velta::Box& shown);

    bool start_serial();
    void next_target();
    void connect_failed(const std::string& why);
    void on_connected_changed();
    bool start_listening();
    void on_peers_changed();
    void next_peer();

    void run_device(std::string device);
    void start_operation(Operation op);
    void stage_finished(const RunReport& report);
    void device_finished(const RunReport& report);
    void after_device();
    void interrupted();
    void end(int code);

    Options o_;
    std::tm now_ = local_time(std::time(nullptr));
    ProgressOutput progress_;
    WireTrace trace_;
    StepDriver driver_;
    CompareRun compare_;
    QTimer gate_timer_;
    QTimer answer_timer_;
    QTimer connect_timer_;
    QTimer watchdog_timer_;
    QTimer interrupt_timer_;

    Phase phase_ = Phase::idle;
    std::string device_;
    std::string connect_note_;  // what the link said while connecting
    int exit_code_ = k_exit_ok;
    int devices_ = 0;
    int devices_ok_ = 0;

    std::size_t next_target_ = 0;
    bool several_ = false;
    bool connected_signal_ = false;

    struct Peer {
        int slot = 0;
        std::uintptr_t sock = 0;
        int number = 0;  // in the order of connection
    };
    std::set<std::uintptr_t> seen_peers_;  // the peers connected at the last change
    std::deque<Peer> waiting_peers_;
    Peer current_peer_;
    int peers_connected_ = 0;
};

DriverHost Tool::driver_host()
{
    DriverHost h;
    h.arm_gate = [this](int ms) { gate_timer_.start(ms); };
    h.arm_answer_timer = [this](int ms) { answer_timer_.start(ms); };
    h.disarm_answer_timer = [this] { answer_timer_.stop(); };
    h.disarm_all = [this] {
        gate_timer_.stop();
        answer_timer_.stop();
    };
    h.defer = [](std::function<void()> fn) {
        QTimer::singleShot(0, QCoreApplication::instance(), std::move(fn));
    };
    h.progress = [this](int step, int) { progress_.step(step); };
    h.finished = [this](const RunReport& r) {
        // The next device starts from the event loop, not inside the last answer's dispatch.
        QTimer::singleShot(0, QCoreApplication::instance(), [this, r] {
            if (runs_in_stages(o_))
                stage_finished(r);
            else
                device_finished(r);
        });
    };
    return h;
}

velta::BoxAnswer Tool::present(const velta::Box& shown)
{
    if (trace_.is_open())
        trace_.write(device_, TraceDirection::note, shown.caption + ": " + shown.text);
    if (driver_.box(shown) || shown.kind == velta::BoxKind::info)
        return velta::BoxAnswer::yes;
    std::string text = shown.text;
    if (!shown.detail.empty())
        text += " (" + shown.detail + ")";
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    if (phase_ == Phase::connecting) {
        connect_note_ = text;
    } else {
        error_line((device_.empty() ? std::string() : device_ + ": ") + text);
    }
    // The questions of the dialogs are the operator's "go ahead", given by running the tool.
    return shown.buttons == velta::BoxButtons::yes_no ? velta::BoxAnswer::yes
                                                      : velta::BoxAnswer::ok;
}

void Tool::install_hooks()
{
    velta::set_box_presenter([this](const velta::Box& b) { return present(b); });
    velta::set_title_text_reader(&velta::cp932_char_to_utf8);
    velta::register_page_replies();
    velta::register_glyph_replies();
    velta::set_outcome_observer([this](const velta::Outcome& o) { driver_.outcome(o); });
    velta::set_reply_observer([this](std::string_view line) { driver_.answer(line); });
    velta::set_line_tap([this](std::string_view line) {
        if (trace_.is_open())
            trace_.write(device_, TraceDirection::received, line);
    });
}

// The links install their own hooks when they open; these wrappers go around them so that
// every command is traced and its step knows what went on the wire.
void Tool::wrap_wire()
{
    velta::WireHooks hooks = velta::set_wire_hooks({});
    if (hooks.serial_write) {
        hooks.serial_write = [this, inner = hooks.serial_write](std::string_view framed) {
            if (trace_.is_open())
                trace_.write(device_, TraceDirection::sent, framed);
            driver_.command_sent(framed);
            inner(framed);
        };
    }
    if (hooks.socket_send) {
        hooks.socket_send = [this, inner = hooks.socket_send](std::string_view command) {
            if (trace_.is_open())
                trace_.write(device_, TraceDirection::sent, command);
            driver_.command_sent(command);
            inner(command);
        };
    }
    velta::set_wire_hooks(std::move(hooks));
}

bool Tool::start()
{
    if (!o_.trace_path.empty() && !trace_.open(o_.trace_path)) {
        error_line(o_.trace_path + ": the trace file cannot be written");
        exit_code_ = k_exit_file;
        return false;
    }
    if (o_.command == Command::version)
        std::cout << "VELTA Version " VELTA_VERSION_TEXT << '\n' << std::flush;
    if (o_.link == LinkMode::none)
        return false;

    velta::reset_peer_table();
    velta::reset_settings_model();
    velta::clear_answer_flags();
    install_hooks();

    const Outcome input = prepare_input(o_, now_);
    if (input.exit_code != k_exit_ok) {
        error_line(input.error);
        exit_code_ = input.exit_code;
        return false;
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
            QTimer::singleShot(0, QCoreApplication::instance(), [this] { next_target(); });
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
    velta::LinkSettings& l = velta::link_settings();
    l.interface = velta::Interface::serial;
    l.rs485 = o_.rs485 >= 0;
    l.slave_address = o_.rs485 >= 0 ? o_.rs485 : 0;
    device_ = o_.serial_path;
    phase_ = Phase::connecting;
    if (!velta::open_serial_device(o_.serial_path)) {
        error_line(o_.serial_path + ": cannot be opened: " + connect_note_);
        exit_code_ = k_exit_unreachable;
        return false;
    }
    wrap_wire();
    if (o_.timeout_ms == 0)
        watchdog_timer_.start(k_watchdog_period_ms);
    QTimer::singleShot(0, QCoreApplication::instance(), [this] { run_device(o_.serial_path); });
    return true;
}

void Tool::next_target()
{
    if (next_target_ >= o_.targets.size()) {
        end(exit_code_);
        return;
    }
    const Target& t = o_.targets[next_target_++];
    device_ = t.text();
    connect_note_.clear();

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
            phase_ = Phase::connecting;
            connect_failed("no IPv4 address for " + t.host);
            return;
        }
    }
    const quint32 ip = address.toIPv4Address();
    velta::LinkSettings& l = velta::link_settings();
    l.interface = velta::Interface::tcp;
    l.tcp_role = velta::TcpRole::client;
    l.host_list = {
        velta::IpAddress{static_cast<std::uint8_t>(ip >> 24), static_cast<std::uint8_t>(ip >> 16),
                         static_cast<std::uint8_t>(ip >> 8), static_cast<std::uint8_t>(ip)}};
    l.host_count = 1;
    l.selected_host = 0;
    velta::model().extras.port_number = std::to_string(t.port);

    phase_ = Phase::connecting;
    if (!connected_signal_) {
        connected_signal_ = true;
        QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::connectedChanged,
                         [this] { on_connected_changed(); });
    }
    if (velta::tcp_client_connect() == 0) {
        connect_failed("cannot connect");
        return;
    }
    wrap_wire();
    connect_timer_.start(k_connect_timeout_ms);
}

void Tool::connect_failed(const std::string& why)
{
    if (phase_ != Phase::connecting)
        return;
    connect_timer_.stop();
    phase_ = Phase::idle;
    error_line(device_ + ": " + why + (connect_note_.empty() ? "" : " (" + connect_note_ + ")"));
    exit_code_ = combine_exit(exit_code_, k_exit_unreachable);
    ++devices_;
    velta::disconnect_all();
    QTimer::singleShot(0, QCoreApplication::instance(), [this] { next_target(); });
}

void Tool::on_connected_changed()
{
    const velta::ClientState state = velta::tcp_client_state();
    if (phase_ == Phase::connecting) {
        if (state == velta::ClientState::connected) {
            connect_timer_.stop();
            phase_ = Phase::idle;
            QTimer::singleShot(0, QCoreApplication::instance(), [this] { run_device(device_); });
        } else if (state == velta::ClientState::none) {
            connect_failed("cannot connect");
        }
        return;
    }
    if (phase_ == Phase::running && state != velta::ClientState::connected)
        driver_.link_lost("the device closed the connection");
}

bool Tool::start_listening()
{
    velta::LinkSettings& l = velta::link_settings();
    l.interface = velta::Interface::tcp;
    l.tcp_role = velta::TcpRole::server;
    l.selected_host = -1;
    velta::model().extras.port_number = std::to_string(o_.listen_port);
    QObject::connect(&velta::TcpLink::instance(), &velta::TcpLink::peersChanged,
                     [this] { on_peers_changed(); });
    phase_ = Phase::connecting;
    if (velta::tcp_server_start() == 0) {
        error_line("cannot listen on port " + std::to_string(o_.listen_port) +
                   (connect_note_.empty() ? "" : " (" + connect_note_ + ")"));
        exit_code_ = k_exit_unreachable;
        return false;
    }
    phase_ = Phase::idle;
    wrap_wire();
    // The port is told even with --quiet when it was chosen here: nobody could connect otherwise.
    if (!o_.quiet || o_.listen_port == 0)
        std::cout << "listening on port " << velta::tcp_listen_port() << '\n' << std::flush;
    return true;
}

void Tool::on_peers_changed()
{
    // Handles are never reused, so only the peers connected now need remembering.
    std::set<std::uintptr_t> now_connected;
    for (const int slot : velta::used_peer_slots()) {
        const velta::PeerSlot& peer =
            velta::peer_table()[static_cast<std::size_t>(slot)];
        now_connected.insert(peer.sock);
        if (!seen_peers_.contains(peer.sock))
            waiting_peers_.push_back(Peer{slot, peer.sock, ++peers_connected_});
    }
    seen_peers_ = std::move(now_connected);
    std::erase_if(waiting_peers_, [this](const Peer& p) { return !seen_peers_.contains(p.sock); });
    if (phase_ == Phase::running) {
        const velta::PeerSlot& peer =
            velta::peer_table()[static_cast<std::size_t>(current_peer_.slot)];
        if (peer.in_use != 1 || peer.sock != current_peer_.sock)
            driver_.link_lost("the device closed the connection");
        return;
    }
    if (phase_ == Phase::idle)
        QTimer::singleShot(0, QCoreApplication::instance(), [this] { next_peer(); });
}

void Tool::next_peer()
{
    if (phase_ != Phase::idle)
        return;
    while (!waiting_peers_.empty()) {
        const Peer p = waiting_peers_.front();
        waiting_peers_.pop_front();
        const velta::PeerSlot& peer =
            velta::peer_table()[static_cast<std::size_t>(p.slot)];
        if (peer.in_use != 1 || peer.sock != p.sock)
            continue;  // it left before its turn
        current_peer_ = p;
        velta::link_settings().selected_host = p.slot;
        velta::link_status().socket_connected = 1;
        run_device(peer.address + " #" + std::to_string(p.number));
        return;
    }
}

void Tool::run_device(std::string device)
{
    device_ = std::move(device);
    phase_ = Phase::running;
    begin_device(o_);
    if (runs_in_stages(o_)) {
        start_operation(compare_.begin(device_));
        return;
    }
    // Each device gets the clock of its own turn (time-sync), not the program's start.
    start_operation(make_operation(o_, local_time(std::time(nullptr))));
}

void Tool::start_operation(Operation op)
{
    Pace pace;
    pace.fast = answer_paced(o_);
    pace.answers = o_.rs485 != k_broadcast;
    // The TCP/IP link keeps its own time-out; the serial one is the watchdog's unless given.
    pace.answer_timeout_ms = o_.link == LinkMode::serial ? o_.timeout_ms : 0;
    if (trace_.is_open())
        trace_.write(device_, TraceDirection::note, "start " + op.name);
    progress_.begin(device_, op.name, op.steps);
    driver_.start(std::move(op), pace);
}

// One stage of diff, sync or set-all --verify ended: the next one starts, or the device's
// result is printed.
void Tool::stage_finished(const RunReport& report)
{
    for (const Failure& f : report.failures) error_line(failure_line(device_, f));
    progress_.end(report.all_ok(), report.steps_done);
    if (trace_.is_open())
        trace_.write(device_, TraceDirection::note,
                     std::string(report.all_ok() ? "end ok " : "end failed ") + report.operation);
    if (std::optional<Operation> op = compare_.next(report)) {
        start_operation(std::move(*op));
        return;
    }
    ++devices_;
    const Outcome out = compare_.finish();
    if (!out.report.empty())  // the result, printed even with --quiet
        std::cout << out.report << '\n' << std::flush;
    if (!out.error.empty())
        error_line(out.error);
    exit_code_ = combine_exit(exit_code_, out.exit_code);
    if (out.exit_code == k_exit_ok)
        ++devices_ok_;
    after_device();
}

void Tool::device_finished(const RunReport& report)
{
    ++devices_;
    for (const Failure& f : report.failures) error_line(failure_line(device_, f));
    const Outcome out = finish_device(o_, report, device_, output_path(o_.file, device_, several_));
    progress_.end(report.all_ok() && out.exit_code == k_exit_ok, report.steps_done);
    if (!out.error.empty())
        error_line(out.error);
    if (!out.report.empty()) {
        if (o_.command == Command::version || o_.command == Command::send)
            std::cout << out.report << '\n' << std::flush;  // the answer is the result
        else
            progress_.line(out.report);
    }
    exit_code_ = combine_exit(exit_code_, out.exit_code);
    if (out.exit_code == k_exit_ok)
        ++devices_ok_;
    if (trace_.is_open())
        trace_.write(device_, TraceDirection::note,
                     std::string(report.all_ok() ? "end ok " : "end failed ") + report.operation);
    after_device();
}

void Tool::after_device()
{
    phase_ = Phase::idle;
    switch (o_.link) {
        case LinkMode::serial:
            end(exit_code_);
            break;
        case LinkMode::tcp:
            velta::disconnect_all();
            QTimer::singleShot(0, QCoreApplication::instance(), [this] { next_target(); });
            break;
        case LinkMode::listen:
            velta::close_peer(current_peer_.sock);
            velta::link_status().socket_connected = 0;
            if (o_.count > 0 && devices_ >= o_.count) {
                end(exit_code_);
                return;
            }
            QTimer::singleShot(0, QCoreApplication::instance(), [this] { next_peer(); });
            break;
        case LinkMode::none:
            break;
    }
}

void Tool::interrupted()
{
    interrupt_timer_.stop();
    // A server waiting for the next device is ended this way: the devices served so far decide.
    if (o_.link == LinkMode::listen && phase_ != Phase::running) {
        end(exit_code_);
        return;
    }
    error_line(phase_ == Phase::running ? device_ + ": interrupted; nothing written"
                                        : std::string("interrupted"));
    end(k_exit_interrupted);
}

void Tool::end(int code)
{
    if (phase_ == Phase::done)
        return;
    phase_ = Phase::done;
    exit_code_ = code;
    if (devices_ > 1)
        progress_.line(std::to_string(devices_) + " devices: " + std::to_string(devices_ok_) +
                       " ok, " + std::to_string(devices_ - devices_ok_) + " failed");
    QTimer::singleShot(0, QCoreApplication::instance(), [code] { QCoreApplication::exit(code); });
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
