#include "compare_run.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <utility>

#include "answer_judge.h"
#include "core/device/batch_steps.h"
#include "core/device/device_compare.h"
#include "core/model/settings_backup.h"
#include "core/wire/framing.h"

namespace veltactl {
namespace {

// The program is one run: no backup it makes is pruned by a later one of the same run.
const std::chrono::system_clock::time_point k_run_started = std::chrono::system_clock::now();

// Titles are in code page 932; every other value is shown as the dialogs show it.
std::string shown_value(const DisplayText& display, const velta::ConfigDifference& d,
                        const std::string& value)
{
    return d.key.starts_with("title.") ? display(value) : value;
}

std::string counted(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string without_line_end(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

bool runs_in_stages(const Options& o)
{
    return o.command == Command::diff || o.command == Command::sync ||
           (o.command == Command::set_all && o.verify);
}

std::string json_string(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (u < 0x20) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\u%04x", u);
            out += esc;
        } else {
            out += c;
        }
    }
    return out + '"';
}

CompareRun::CompareRun(const Options& o, DisplayText display, velta::DeviceContext& context)
    : o_(o), display_(std::move(display)), context_(context)
{
}

Operation job_operation(const velta::JobPhase& phase, std::string name)
{
    Operation op;
    op.name = std::move(name);
    op.steps = phase.steps;
    op.period_ms = velta::paced_period(phase.period_ms);
    op.stop_on_error = phase.stop_on_error;
    op.step = [perform = phase.perform, info = phase.info](int n) {
        const velta::JobStepInfo step = info(n);
        return Step{[perform, n](velta::DeviceContext& c) { return perform(c, n); },
                    step.query ? expect_reply_to(step.text) : expect_go()};
    };
    return op;
}

velta::PhaseEnd phase_end(const RunReport& report)
{
    return report.link_lost   ? velta::PhaseEnd::link_lost
           : report.all_ok()  ? velta::PhaseEnd::ok
           : report.completed ? velta::PhaseEnd::completed_with_failures
                              : velta::PhaseEnd::failed;
}

Operation CompareRun::operation(const velta::JobPhase& phase) const
{
    switch (phase.stage) {
        case velta::JobStage::read:
            return job_operation(phase, "read");
        case velta::JobStage::write:
            return job_operation(phase, o_.command == Command::set_all ? "set-all" : "sync");
        case velta::JobStage::verify:
            break;
    }
    return job_operation(phase, "verify");
}

Operation CompareRun::begin(std::string device)
{
    device_ = std::move(device);
    read_ok_ = sent_ = verified_ = false;
    items_sent_ = 0;
    differences_.clear();
    plan_.clear();
    plan_commands_.clear();
    left_.clear();
    backup_path_.clear();
    exit_code_ = k_exit_ok;
    error_.clear();

    velta::JobSpec spec;
    if (o_.command == Command::set_all) {
        spec.write = velta::JobWrite::set_all;
        spec.read_first = false;
    } else if (o_.command == Command::sync) {
        spec.write = velta::JobWrite::send_plan;
        // With --verify every step goes, and the read-back names each item the device did not
        // take.
        spec.write_through_errors = o_.verify;
        spec.plan_only = o_.dry_run;
    }
    if (o_.verify)
        spec.verify = velta::JobVerify::after_writes;
    if (!o_.backup_dir.empty() && o_.command == Command::sync) {
        spec.backup = [this](const velta::DeviceConfig& read) {
            velta::JobBackup b;
            b.path = velta::save_backup(o_.backup_dir, device_, read,
                                        std::chrono::system_clock::now(), &b.why, k_run_started);
            return b;
        };
    }
    job_ = std::make_unique<velta::DeviceJob>(context_, std::move(spec), context_.model.config);
    std::optional<velta::JobPhase> phase = job_->begin();
    take_results();
    if (!phase)  // every command's job starts with a phase; nothing to run otherwise
        return Operation{};
    return operation(*phase);
}

std::optional<Operation> CompareRun::next(const RunReport& report)
{
    std::optional<velta::JobPhase> phase = job_->next(phase_end(report), report.steps_done);
    take_results();
    if (!phase)
        return std::nullopt;
    return operation(*phase);
}

void CompareRun::take_results()
{
    const velta::DeviceJob& job = *job_;
    if (!read_ok_ && o_.command != Command::set_all && job.read_done()) {
        read_ok_ = true;
        differences_ = job.differences();
    }
    plan_ = job.plan();
    plan_commands_.clear();
    if (!job.refusal())
        for (const velta::PlanStep& s : plan_)
            plan_commands_.push_back(velta::plan_command(job.wanted(), s));
    backup_path_ = job.backup().path;
    sent_ = job.written();
    items_sent_ = job.written() ? job.items_sent() : 0;
    verified_ = job.judged() || (job.result() == velta::JobResult::no_differences && o_.verify);
    left_ = job.left();

    switch (job.result()) {
        case velta::JobResult::running:
            return;
        case velta::JobResult::done:
            exit_code_ =
                o_.command == Command::diff && !differences_.empty() ? k_exit_failed : k_exit_ok;
            return;
        case velta::JobResult::no_differences:
        case velta::JobResult::verified:
            exit_code_ = k_exit_ok;
            return;
        case velta::JobResult::stopped:
        case velta::JobResult::failed:
        case velta::JobResult::connection_lost:
            break;
    }
    exit_code_ = k_exit_failed;
    switch (job.failure()) {
        case velta::JobFailure::none:
        case velta::JobFailure::write:
            break;
        case velta::JobFailure::read:
            error_ = device_ + ": not compared: the device could not be read";
            break;
        case velta::JobFailure::refused: {
            const velta::SetAllRefusal& r = *job.refusal();
            exit_code_ = k_exit_file;
            error_ = o_.file + ": set-all step " + std::to_string(r.step) + ", " + r.item + ": " +
                     r.reason;
            break;
        }
        case velta::JobFailure::backup:
            exit_code_ = k_exit_file;
            error_ = device_ + ": nothing sent: the backup could not be written in " +
                     o_.backup_dir + ": " + job.backup().why;
            break;
        case velta::JobFailure::read_back:
            error_ = device_ + ": not verified: the device could not be read back";
            break;
        case velta::JobFailure::differs:
            error_ = device_ + ": verify failed: " + std::to_string(left_.size()) +
                     (left_.size() == 1 ? " item differs" : " items differ") + " from the file";
            break;
    }
}

std::string CompareRun::verify_text() const
{
    if (!o_.verify)
        return "-";
    if (!verified_)
        return "not done";
    return left_.empty() ? "ok" : counted(left_.size(), "item differs", "items differ");
}

Outcome CompareRun::finish() const
{
    Outcome out;
    out.exit_code = exit_code_;
    out.error = error_;
    out.report = o_.json ? json_report() : human_report();
    return out;
}

std::string CompareRun::human_report() const
{
    std::string r;
    const auto item_lines = [&](const std::vector<velta::ConfigDifference>& list,
                                const char* other) {
        for (const velta::ConfigDifference& d : list)
            r += "\n  " + d.label + ": file \"" + shown_value(display_, d, d.a_text) + "\", " +
                 other + " \"" + shown_value(display_, d, d.b_text) + "\"";
    };
    if (read_ok_) {
        r += device_ + ": " +
             (differences_.empty()
                  ? std::string("equals ") + o_.file
                  : std::to_string(differences_.size()) +
                        (differences_.size() == 1 ? " item differs" : " items differ") + " from " +
                        o_.file);
        item_lines(differences_, "device");
    }
    if (!backup_path_.empty())
        r += (r.empty() ? "" : "\n") + device_ + ": backup " + backup_path_;
    // A plan that cannot be built has no commands: its refusal is the error line.
    const bool planned = plan_commands_.size() == plan_.size();
    if (o_.command == Command::sync && read_ok_ && planned &&
        (o_.dry_run || sent_ || plan_.empty())) {
        r += "\n" + device_ + ": " +
             (plan_.empty() ? std::string("nothing to send")
                            : (o_.dry_run ? "would send " : "sent ") +
                                  counted(plan_.size(), "command", "commands"));
        if (o_.dry_run)
            for (std::size_t i = 0; i < plan_.size(); ++i)
                r += "\n  " + plan_[i].label + ": " + display_(without_line_end(plan_commands_[i]));
    }
    if (verified_) {
        r += (r.empty() ? "" : "\n") + device_ + ": verify " + (left_.empty() ? "ok" : "failed");
        item_lines(left_, "read back");
    }
    return r;
}

std::string CompareRun::json_report() const
{
    const auto items = [this](const std::vector<velta::ConfigDifference>& list) {
        std::string a = "[";
        for (const velta::ConfigDifference& d : list) {
            if (a.size() > 1)
                a += ",";
            a += "{\"key\":" + json_string(d.key) + ",\"label\":" + json_string(d.label) +
                 ",\"file\":" + json_string(shown_value(display_, d, d.a_text)) +
                 ",\"device\":" + json_string(shown_value(display_, d, d.b_text)) + "}";
        }
        return a + "]";
    };
    std::string j = "{\"device\":" + json_string(device_) +
                    ",\"command\":" + json_string(command_name(o_.command)) +
                    ",\"file\":" + json_string(o_.file) +
                    ",\"exit_code\":" + std::to_string(exit_code_);
    if (!error_.empty())
        j += ",\"error\":" + json_string(error_);
    if (read_ok_)
        j += ",\"equal\":" + std::string(differences_.empty() ? "true" : "false") +
             ",\"differences\":" + items(differences_);
    if (o_.command == Command::sync && read_ok_) {
        j += ",\"plan\":[";
        for (std::size_t i = 0; i < plan_commands_.size(); ++i) {
            if (i > 0)
                j += ",";
            std::string keys = "[";
            for (const std::string& k : plan_[i].keys)
                keys += (keys.size() > 1 ? "," : "") + json_string(k);
            j += "{\"label\":" + json_string(plan_[i].label) + ",\"keys\":" + keys + "]" +
                 ",\"command\":" + json_string(display_(plan_commands_[i])) + "}";
        }
        j += "],\"sent\":" + std::string(sent_ ? "true" : "false");
    }
    if (o_.command == Command::sync)
        j += ",\"backup\":" + (backup_path_.empty() ? "null" : json_string(backup_path_));
    if (o_.verify)
        j += ",\"verify\":" + (verified_
                                   ? "{\"ok\":" + std::string(left_.empty() ? "true" : "false") +
                                         ",\"differences\":" + items(left_) + "}"
                                   : std::string("null"));
    return j + "}";
}

}  // namespace veltactl
