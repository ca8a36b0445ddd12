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

Operation query_operation(std::string name, std::vector<std::string> queries)
{
    Operation op;
    op.name = std::move(name);
    op.steps = static_cast<int>(queries.size());
    op.period_ms = velta::paced_period(velta::k_read_all_period_ms);
    op.step = [queries = std::move(queries)](int n) {
        const std::string& q = queries[static_cast<std::size_t>(n - 1)];
        return Step{[q](velta::DeviceContext& c) {
                        velta::send_command(c, q);
                        return velta::StepResult::sent;
                    },
                    expect_reply_to(q)};
    };
    return op;
}

std::vector<std::string> plan_keys(const std::vector<velta::PlanStep>& plan)
{
    std::vector<std::string> keys;
    for (const velta::PlanStep& s : plan) keys.insert(keys.end(), s.keys.begin(), s.keys.end());
    return keys;
}

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

Operation CompareRun::into(Operation op, velta::DeviceConfig& target)
{
    decode_.reset();
    scratch_extras_ = context_.model.extras;
    decode_ = std::make_unique<velta::DecodeInto>(context_, target, scratch_extras_);
    return op;
}

Operation CompareRun::read_device_operation()
{
    device_config_ = velta::DeviceConfig{};
    return into(query_operation("read", velta::compare_read_queries()), device_config_);
}

Operation CompareRun::plan_operation()
{
    Operation op;
    op.name = "sync";
    op.steps = static_cast<int>(plan_.size());
    op.period_ms = velta::paced_period(velta::k_set_all_period_ms);
    // With --verify every step goes, and the read-back names each item the device did not take.
    op.stop_on_error = !o_.verify;
    op.step = [plan = plan_, wanted = std::make_shared<const velta::DeviceConfig>(file_)](int n) {
        const velta::PlanStep step = plan[static_cast<std::size_t>(n - 1)];
        return Step{[step, wanted](velta::DeviceContext& c) {
                        return velta::perform_plan_step(c, *wanted, step);
                    },
                    expect_go()};
    };
    return op;
}

Operation CompareRun::read_back_operation()
{
    read_back_ = device_config_;  // what is not read back stays as the device held it
    return into(query_operation("verify", velta::read_plan(plan_keys(plan_))), read_back_);
}

Operation CompareRun::read_all_back_operation()
{
    // set-all sends every record that read-all reads; the rest is the file's, not compared.
    read_back_ = file_;
    std::vector<std::string> queries;
    for (int step = 1; step <= velta::k_read_all_steps; ++step)
        if (std::string q = velta::read_all_query(step); !q.empty())
            queries.push_back(std::move(q));
    return into(query_operation("verify", std::move(queries)), read_back_);
}

Operation CompareRun::begin(std::string device)
{
    decode_.reset();
    device_ = std::move(device);
    file_ = context_.model.config;
    read_ok_ = sent_ = verified_ = false;
    items_sent_ = 0;
    differences_.clear();
    plan_.clear();
    plan_commands_.clear();
    left_.clear();
    backup_path_.clear();
    exit_code_ = k_exit_ok;
    error_.clear();
    if (o_.command == Command::set_all) {
        stage_ = Stage::send_plan;
        return make_operation(o_, std::tm{});
    }
    stage_ = Stage::read_device;
    return read_device_operation();
}

std::optional<Operation> CompareRun::next(const RunReport& report)
{
    decode_.reset();
    const Stage ended = std::exchange(stage_, Stage::done);
    const bool read_back_anyway =
        ended == Stage::send_plan && o_.verify && report.completed && !report.link_lost;
    if (!report.all_ok() && !read_back_anyway) {
        exit_code_ = k_exit_failed;
        if (ended == Stage::read_device)
            error_ = device_ + ": not compared: the device could not be read";
        else if (ended == Stage::read_back)
            error_ = device_ + ": not verified: the device could not be read back";
        return std::nullopt;
    }
    switch (ended) {
        case Stage::read_device: {
            read_ok_ = true;
            differences_ = velta::diff(file_, device_config_);
            if (o_.command == Command::diff) {
                exit_code_ = differences_.empty() ? k_exit_ok : k_exit_failed;
                return std::nullopt;
            }
            if (!o_.backup_dir.empty()) {
                std::string why;
                backup_path_ =
                    velta::save_backup(o_.backup_dir, device_, device_config_,
                                       std::chrono::system_clock::now(), &why, k_run_started);
                if (backup_path_.empty()) {
                    exit_code_ = k_exit_file;
                    error_ = device_ + ": nothing sent: the backup could not be written in " +
                             o_.backup_dir + ": " + why;
                    return std::nullopt;
                }
            }
            plan_ = velta::send_plan(device_config_, file_);
            if (const auto refusal = velta::plan_refusal(file_, plan_)) {
                exit_code_ = k_exit_file;
                error_ = o_.file + ": set-all step " + std::to_string(refusal->step) + ", " +
                         refusal->item + ": " + refusal->reason;
                return std::nullopt;
            }
            for (const velta::PlanStep& s : plan_)
                plan_commands_.push_back(velta::plan_command(file_, s));
            if (o_.dry_run)
                return std::nullopt;
            if (plan_.empty()) {
                verified_ = o_.verify;
                return std::nullopt;
            }
            stage_ = Stage::send_plan;
            return plan_operation();
        }
        case Stage::send_plan:
            sent_ = true;
            items_sent_ = report.steps_done;
            if (!report.all_ok())
                exit_code_ = k_exit_failed;
            if (!o_.verify)
                return std::nullopt;
            stage_ = Stage::read_back;
            if (o_.command == Command::set_all)
                return read_all_back_operation();
            return read_back_operation();
        case Stage::read_back:
            verified_ = true;
            left_ = velta::diff(file_, read_back_);
            if (!left_.empty()) {
                exit_code_ = k_exit_failed;
                error_ = device_ + ": verify failed: " + std::to_string(left_.size()) +
                         (left_.size() == 1 ? " item differs" : " items differ") + " from the file";
            }
            return std::nullopt;
        case Stage::done:
            break;
    }
    return std::nullopt;
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
