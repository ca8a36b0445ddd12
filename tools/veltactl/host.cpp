// veltactl's host: the output (trace, lines, the board, boxes) and the life of the run (start,
// interrupt, end).

#include "host.h"

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
#include "fleet_output.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "operations.h"
#include "page_files.h"
#include "progress_output.h"
#include "step_driver.h"
#include "wire_trace.h"

#ifndef VELTA_VERSION_TEXT
#define VELTA_VERSION_TEXT "0.00"
#endif

namespace veltactl {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int)
{
    g_interrupted = 1;
}

void error_line(const std::string& text)
{
    std::cerr << "veltactl: " << text << '\n' << std::flush;
}

bool writes_device(const Options& o)
{
    return o.command == Command::set_all || o.command == Command::glyphs_set ||
           o.command == Command::time_sync || o.command == Command::send ||
           (o.command == Command::sync && !o.dry_run);
}

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
    if (works_offline(o_.command)) {
        const Outcome out = run_page_file_command(o_, velta::cp932_title_text());
        if (!out.error.empty())
            error_line(out.error);
        if (!out.report.empty() && !o_.quiet)
            std::cout << out.report << '\n' << std::flush;
        exit_code_ = out.exit_code;
        return false;
    }
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

}  // namespace veltactl
