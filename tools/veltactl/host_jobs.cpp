// veltactl's host: one device's job, from its first stage (backup, operation, compare stages)
// to its result and its end.

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
#include "host.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "operations.h"
#include "progress_output.h"
#include "step_driver.h"
#include "wire_trace.h"

namespace veltactl {

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
    job.lease.release();
    if (job.peer_sock != 0)
        velta::close_peer(job.peer_sock);  // served: the device is let go
    if (serial_context_ == job.context.get()) {
        velta::forget_serial_context(*job.context);
        serial_context_ = nullptr;
    }
    jobs_.erase(it);
}

// The read commands' output file: --out-dir names one by the device's address, the same name
// once in a run; otherwise the file, with the device's name in it when several are read.
std::string Tool::output_file(const Job& job)
{
    if (o_.out_dir.empty())
        return output_path(o_.file, job.device, several_);
    return out_dir_path(o_.out_dir, job.device, out_names_);
}

}  // namespace veltactl
