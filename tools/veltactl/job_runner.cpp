// veltactl's job runner: one device's job, from its first stage (backup, operation, compare
// stages) to its result and its end, and the hooks that tie its driver to the event loop, its
// wire and its boxes.

#include "job_runner.h"

#include <QObject>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup_stage.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/pages/page_replies.h"
#include "core/pages/title_encoding.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "wire_trace.h"

namespace veltactl {
namespace {

// Whether the command changes the device (its steps are counted as sent).
bool writes_device(const Options& o)
{
    return o.command == Command::set_all || o.command == Command::glyphs_set ||
           o.command == Command::time_sync || o.command == Command::send ||
           (o.command == Command::sync && !o.dry_run);
}

}  // namespace

JobRunner::JobRunner(const Options& o, const velta::SettingsModel& input, Reporter& reporter,
                     Events events)
    : o_(o),
      input_(input),
      reporter_(reporter),
      events_(std::move(events)),
      display_(
          [](std::string_view cp932) { return velta::from_cp932(cp932).toUtf8().toStdString(); }),
      several_(o_.link == LinkMode::tcp      ? o_.targets.size() > 1
               : o_.link == LinkMode::listen ? o_.count != 1
                                             : false),
      rows_(o_.link == LinkMode::listen && o_.count == 0 ? k_recent_rows : 0)
{
}

void JobRunner::install_hooks()
{
    velta::set_box_presenter([this](const velta::Box& b) { return present(0, b); });
    velta::set_title_text_reader(&velta::cp932_char_to_utf8);
    velta::register_device_replies();
    velta::register_page_replies();
    velta::register_glyph_replies();
}

velta::BoxAnswer JobRunner::present(int id, const velta::Box& shown)
{
    // The program's own presenter hears the boxes of the link itself (the server's).
    Job* job = id != 0 ? find(id) : nullptr;
    reporter_.trace(job, TraceDirection::note, shown.caption + ": " + shown.text);
    if ((job && job->driver->box(shown)) || shown.kind == velta::BoxKind::info)
        return velta::BoxAnswer::yes;
    std::string text = box_text(shown);
    if (!job)
        reporter_.keep_link_note(std::move(text));
    else if (job->phase == Job::Phase::connecting ||
             (o_.link == LinkMode::listen && !job->answered))
        job->connect_note = std::move(text);  // told with the device's end, once
    else
        error_line(job->device + ": " + text);
    // The questions of the dialogs are the operator's "go ahead", given by running the tool.
    return shown.buttons == velta::BoxButtons::yes_no ? velta::BoxAnswer::yes
                                                      : velta::BoxAnswer::ok;
}

Job* JobRunner::find(int id) const
{
    auto it = jobs_.find(id);
    return it == jobs_.end() ? nullptr : it->second.get();
}

Job* JobRunner::find(const velta::DeviceContext* context) const
{
    Job* job = nullptr;
    for (const auto& [id, j] : jobs_)
        if (j->context.get() == context)
            job = j.get();
    return job;
}

Tally JobRunner::tally() const
{
    Tally t;
    t.running = static_cast<int>(std::count_if(jobs_.begin(), jobs_.end(), [](const auto& j) {
        return j.second->phase != Job::Phase::done;
    }));
    t.done = devices_;
    t.ok = devices_ok_;
    return t;
}

Job& JobRunner::add(std::string device)
{
    auto owned =
        std::make_unique<Job>(++next_id_, std::move(device), std::cout, reporter_.job_style());
    Job& job = *owned;
    jobs_[job.id] = std::move(owned);
    const int id = job.id;
    velta::DeviceContext& c = *job.context;
    c.model = input_;
    c.presenter = [this, id](const velta::Box& b) { return present(id, b); };
    c.line_tap = [this, id](std::string_view line) {
        reporter_.trace(find(id), TraceDirection::received, line);
    };
    c.dropped_tap = [this, id](std::string_view bytes) {
        reporter_.trace(find(id), TraceDirection::note,
                        "dropped (line too long): " + printable(bytes));
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

void JobRunner::discard(int id)
{
    jobs_.erase(id);
}

DriverHost JobRunner::driver_host(int id)
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
        reporter_.progress(*j, step);
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

// Every command is traced and its step knows what went on the wire.
void JobRunner::wrap_wire(Job& job)
{
    velta::WireHooks& hooks = job.context->hooks;
    const int id = job.id;
    auto wrap = [this, id](std::function<void(std::string_view)> inner) {
        return [this, id, inner = std::move(inner)](std::string_view bytes) {
            Job* j = find(id);
            reporter_.trace(j, TraceDirection::sent, bytes);
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

void JobRunner::run(Job& job)
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

void JobRunner::backup_finished(Job& job, const RunReport& report)
{
    stage_ended(job, report);
    const Outcome out = job.backup->save(o_.backup_dir, job.device, report);
    job.backup.reset();
    if (out.exit_code != k_exit_ok) {
        error_line(out.error);
        job_done(job, out.exit_code, result_text(report, out));
        return;
    }
    reporter_.print(&job, out.report);
    start_device_operation(job);
}

void JobRunner::start_device_operation(Job& job)
{
    if (runs_in_stages(o_)) {
        start_operation(job, job.compare->begin(job.device));
        return;
    }
    // Each device gets the clock of its own turn (time-sync), not the program's start.
    start_operation(job, make_operation(o_, local_time(std::time(nullptr))));
}

void JobRunner::start_operation(Job& job, Operation op)
{
    Pace pace;
    pace.fast = answer_paced(o_);
    pace.answers = o_.rs485 != k_broadcast;
    // The TCP/IP link keeps its own time-out; the serial one is the watchdog's unless given.
    pace.answer_timeout_ms = o_.link == LinkMode::serial ? o_.timeout_ms : 0;
    reporter_.trace(&job, TraceDirection::note, "start " + op.name);
    job.steps_done = 0;
    // The stages of diff and sync that read the device change nothing.
    job.writing = writes_device(o_) && op.name != "read" && op.name != "verify";
    reporter_.operation_started(job, op.name, op.steps);
    job.driver->start(std::move(op), pace);
}

// A stage that is not the device's last ended: its failures, its progress line and its trace note.
void JobRunner::stage_ended(Job& job, const RunReport& report)
{
    reporter_.failures(job, report);
    reporter_.stage_ended(job, report.all_ok(), report.steps_done);
    reporter_.trace_end(job, report);
}

// One stage of diff, sync or set-all --verify ended: the next one starts, or the device's
// result is printed.
void JobRunner::stage_finished(Job& job, const RunReport& report)
{
    stage_ended(job, report);
    if (std::optional<Operation> op = job.compare->next(report)) {
        start_operation(job, std::move(*op));
        return;
    }
    const Outcome out = job.compare->finish();
    if (!out.report.empty())  // the result, printed even with --quiet
        reporter_.result(out.report);
    if (!out.error.empty())
        error_line(out.error);
    job.row.sent = o_.command == Command::diff || o_.dry_run ? -1 : job.compare->items_sent();
    job.row.verify = job.compare->verify_text();
    const bool differs =
        o_.command == Command::diff && out.exit_code == k_exit_failed && report.all_ok();
    job_done(job, out.exit_code, differs ? "differs" : result_text(report, out));
}

void JobRunner::device_finished(Job& job, const RunReport& report)
{
    reporter_.failures(job, report);
    const Outcome out = finish_device(o_, *job.context, report, job.device, output_file(job));
    reporter_.device_ended(job, report.all_ok() && out.exit_code == k_exit_ok, report.steps_done);
    if (!out.error.empty())
        error_line(out.error);
    if (!out.report.empty()) {
        if (o_.command == Command::version || o_.command == Command::send)
            reporter_.line(out.report);  // the answer is the result
        else
            reporter_.print(&job, out.report);
    }
    job.row.sent = writes_device(o_) ? report.steps_done : -1;
    reporter_.trace_end(job, report);
    job_done(job, out.exit_code, result_text(report, out));
}

void JobRunner::connect_failed(Job& job, const std::string& why)
{
    if (job.phase != Job::Phase::connecting)
        return;
    job.connect_timer.stop();
    error_line(job.device + ": " + why +
               (job.connect_note.empty() ? "" : " (" + job.connect_note + ")"));
    job_done(job, k_exit_unreachable, "unreachable: " + why);
}

void JobRunner::link_lost(Job& job, std::string_view why)
{
    job.driver->link_lost(why);
}

// The device's result is in; the job goes from the event loop and the next device starts.
void JobRunner::job_done(Job& job, int exit_code, std::string result)
{
    job.phase = Job::Phase::done;
    job.connect_timer.stop();
    job.gate_timer.stop();
    job.answer_timer.stop();
    reporter_.write_trace_section(job);
    if (o_.link == LinkMode::listen && !job.answered && exit_code != k_exit_interrupted) {
        // A port probe or a peer that is no device: told once, and it leaves --count alone.
        error_line(job.endpoint + ": not counted: no answer before it " +
                   (velta::context_link_state(*job.context) == velta::ContextLinkState::connected
                        ? "failed"
                        : "left") +
                   (job.connect_note.empty() ? "" : " (" + job.connect_note + ")"));
        const int id = job.id;
        later([this, id] {
            remove(id);
            events_.slot_freed();
        });
        return;
    }
    ++devices_;
    if (exit_code == k_exit_ok)
        ++devices_ok_;
    events_.counted(exit_code);
    job.row.result = std::move(result);
    job.row.exit_code = exit_code;
    job.row.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - job.started).count();
    rows_.set(job.id, job.row);
    reporter_.show_overall(tally(), true);
    const int id = job.id;
    later([this, id] {
        remove(id);
        events_.slot_freed();
    });
}

void JobRunner::remove(int id)
{
    auto it = jobs_.find(id);
    if (it == jobs_.end())
        return;
    Job& job = *it->second;
    reporter_.job_removed(id);
    // What the job's driver and stages hold refers to its context: they go first.
    job.backup.reset();
    job.compare.reset();
    job.driver.reset();
    events_.let_go(job);
    jobs_.erase(it);
}

void JobRunner::interrupt_all()
{
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
        remove(id);
    }
}

void JobRunner::not_started(std::string device)
{
    DeviceRow row;
    row.device = std::move(device);
    row.result = "not started";
    row.exit_code = k_exit_interrupted;
    rows_.set(++next_id_, row);
}

// The read commands' output file: --out-dir names one by the device's address, the same name
// once in a run; otherwise the file, with the device's name in it when several are read.
std::string JobRunner::output_file(const Job& job)
{
    if (o_.out_dir.empty())
        return output_path(o_.file, job.device, several_);
    return out_dir_path(o_.out_dir, job.device, out_names_);
}

}  // namespace veltactl
