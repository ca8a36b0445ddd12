#pragma once
// veltactl's reporter: everything the host prints. The progress of each device (a bar or plain
// lines, or its line on the board when several devices run at once on a terminal), the overall
// count, the results, the end table as text or JSON, and the wire trace (a section a device when
// devices run side by side). Error lines go to stderr.

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "cli_options.h"
#include "core/common/message_boxes.h"
#include "fleet_output.h"
#include "job.h"
#include "operations.h"
#include "progress_output.h"
#include "step_driver.h"
#include "wire_trace.h"

namespace veltactl {

// A device's trace kept while others run is written out once it holds this much.
inline constexpr std::size_t k_trace_section_max = 1 << 20;

void error_line(const std::string& text);
// A device's result in the end table: "ok", the first failed step's reason, or the error line
// without the device's name in front.
std::string result_text(const RunReport& report, const Outcome& out);
// A box's text and detail on one line, as an error line or a note tells it.
std::string box_text(const velta::Box& shown);

class Reporter {
public:
    explicit Reporter(const Options& o);
    Reporter(const Reporter&) = delete;
    Reporter& operator=(const Reporter&) = delete;

    // How a job's own progress output prints: nothing of its own when the board shows it.
    ProgressStyle job_style() const;

    bool open_trace(const std::string& path, std::string* why);
    // A line of the trace; job is null for the link's own notes.
    void trace(Job* job, TraceDirection direction, std::string_view bytes);
    // The job's trace section, kept while others ran, goes to the file.
    void write_trace_section(Job& job);
    // A note in the job's trace: how a stage ended.
    void trace_end(Job& job, const RunReport& report);

    // A line of stdout, printed whatever the style (the caller has decided it is due).
    void line(std::string_view text);
    // A line about a device (or the run), unless --quiet.
    void print(Job* job, std::string_view text);
    // A device's result, printed even with --quiet: above the board when there is one.
    void result(std::string_view text);
    // The failures of a stage, a line each on stderr.
    void failures(const Job& job, const RunReport& report);

    void operation_started(Job& job, std::string_view operation, int steps);
    void progress(Job& job, int step);
    // A stage that is not the device's last ended: its bar goes.
    void stage_ended(Job& job, bool ok, int steps_done);
    // The device's last stage ended: its bar goes and its result line stays.
    void device_ended(Job& job, bool ok, int steps_done);
    // The job has gone: its line leaves the board.
    void job_removed(int id);

    // The overall count: redrawn on the board; a line of its own when a device ends in plain
    // lines with several devices at once.
    void show_overall(const Tally& tally, bool device_ended = false);
    // The board goes and, with several devices, the end table and its count are printed.
    void end_table(const DeviceHistory& history, int exit_code, const Tally& tally);

    // What the link itself said last in a box (the server's), told when it cannot listen.
    void keep_link_note(std::string text) { link_note_ = std::move(text); }
    const std::string& link_note() const { return link_note_; }

private:
    const Options& o_;
    ProgressStyle style_;
    std::unique_ptr<FleetBoard> board_;  // several devices at once on a terminal
    WireTrace trace_;
    std::string link_note_;
};

}  // namespace veltactl
