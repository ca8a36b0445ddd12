// veltactl's reporter: the progress lines and bars, the board, the results, the end table and
// the wire trace.

#include "reporter.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

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

void error_line(const std::string& text)
{
    std::cerr << "veltactl: " << text << '\n' << std::flush;
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

std::string box_text(const velta::Box& shown)
{
    std::string text = shown.text;
    if (!shown.detail.empty())
        text += " (" + shown.detail + ")";
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    return text;
}

Reporter::Reporter(const Options& o)
    : o_(o),
      style_(o_.quiet || o_.json                  ? ProgressStyle::quiet
             : VELTA_ISATTY(VELTA_FILENO(stdout)) ? ProgressStyle::terminal
                                                  : ProgressStyle::lines)
{
    if (style_ == ProgressStyle::terminal && o_.jobs > 1)
        board_ = std::make_unique<FleetBoard>(std::cout);
}

ProgressStyle Reporter::job_style() const
{
    return board_ ? ProgressStyle::quiet : style_;
}

bool Reporter::open_trace(const std::string& path, std::string* why)
{
    return trace_.open(path, why);
}

void Reporter::trace(Job* job, TraceDirection direction, std::string_view bytes)
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

void Reporter::write_trace_section(Job& job)
{
    if (!job.trace.empty()) {
        trace_.write_section(job.trace);
        job.trace.clear();
    }
}

void Reporter::trace_end(Job& job, const RunReport& report)
{
    trace(&job, TraceDirection::note,
          std::string(report.all_ok() ? "end ok " : "end failed ") + report.operation);
}

void Reporter::line(std::string_view text)
{
    std::cout << text << '\n' << std::flush;
}

void Reporter::print(Job* job, std::string_view text)
{
    if (style_ == ProgressStyle::quiet)
        return;
    if (board_)
        board_->line(text);
    else if (job)
        job->progress.line(text);
    else
        line(text);
}

void Reporter::result(std::string_view text)
{
    if (board_)
        board_->line(text);
    else
        line(text);
}

void Reporter::failures(const Job& job, const RunReport& report)
{
    for (const Failure& f : report.failures) error_line(failure_line(job.device, f));
}

void Reporter::operation_started(Job& job, std::string_view operation, int steps)
{
    job.progress.begin(job.device, operation, steps);
    if (board_)
        board_->set(job.id, job.progress.bar_text(0));
}

void Reporter::progress(Job& job, int step)
{
    if (board_)
        board_->set(job.id, job.progress.bar_text(step));
    else
        job.progress.step(step);
}

void Reporter::stage_ended(Job& job, bool ok, int steps_done)
{
    if (board_)
        board_->remove(job.id);
    else
        job.progress.end(ok, steps_done);
}

void Reporter::device_ended(Job& job, bool ok, int steps_done)
{
    if (board_) {
        board_->remove(job.id);
        board_->line(job.progress.end_text(ok, steps_done));
    } else {
        job.progress.end(ok, steps_done);
    }
}

void Reporter::job_removed(int id)
{
    if (board_)
        board_->remove(id);
}

void Reporter::show_overall(const Tally& tally, bool device_ended)
{
    const bool as_line = style_ == ProgressStyle::lines && o_.jobs > 1 && device_ended;
    if (!board_ && !as_line)
        return;
    std::string text = "devices: " + std::to_string(tally.running) + " running, " +
                       std::to_string(tally.done) + " done";
    if (tally.done > tally.ok)
        text += " (" + std::to_string(tally.done - tally.ok) + " failed)";
    if (o_.link == LinkMode::tcp)
        text += " of " + std::to_string(o_.targets.size());
    else if (o_.count > 0)
        text += " of " + std::to_string(o_.count);
    if (board_)
        board_->overall(text);
    else
        line(text);
}

void Reporter::end_table(const DeviceHistory& history, int exit_code, const Tally& tally)
{
    if (board_)
        board_->clear();
    if (history.size() + history.not_listed() > 1) {
        const std::vector<DeviceRow> rows = history.rows();
        if (o_.json) {
            std::cout << table_json(rows, exit_code, history.not_listed()) << '\n';
        } else if (!o_.quiet) {
            std::cout << table_text(rows, history.not_listed());
            std::cout << tally.done << " devices: " << tally.ok << " ok, " << tally.done - tally.ok
                      << " failed\n";
        }
        std::cout << std::flush;
    }
}

}  // namespace veltactl
