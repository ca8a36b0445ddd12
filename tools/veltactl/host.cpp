// veltactl's host: the life of the run (start, interrupt, end) and the wiring of the scheduler,
// the job runner and the reporter.

#include "host.h"

#include <QCoreApplication>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "core/common/file_io.h"
#include "core/wire/peer_table.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "page_files.h"

#ifndef VELTA_VERSION_TEXT
#define VELTA_VERSION_TEXT "0.00"
#endif

namespace veltactl {

volatile std::sig_atomic_t g_interrupted = 0;

extern "C" void on_interrupt(int)
{
    g_interrupted = 1;
}

Tool::Tool(Options o)
    : o_(std::move(o)),
      reporter_(o_),
      runner_(o_, input_, reporter_,
              JobRunner::Events{
                  .counted = [this](int code) { exit_code_ = combine_exit(exit_code_, code); },
                  .let_go = [this](Job& job) { scheduler_.let_go(job); },
                  .slot_freed = [this] { scheduler_.fill_slots(); },
              }),
      scheduler_(o_, runner_, reporter_, [this] { check_end(); })
{
    QObject::connect(&interrupt_timer_, &QTimer::timeout, [this] {
        if (g_interrupted)
            interrupted();
    });
}

bool Tool::start()
{
    if (works_offline(o_.command)) {
        const Outcome out = run_page_file_command(o_, velta::cp932_title_text());
        if (!out.error.empty())
            error_line(out.error);
        if (!out.report.empty() && !o_.quiet)
            reporter_.line(out.report);
        exit_code_ = out.exit_code;
        return false;
    }
    std::string why;
    if (!o_.trace_path.empty() && !reporter_.open_trace(o_.trace_path, &why)) {
        error_line(o_.trace_path + ": the trace file cannot be written: " + why);
        exit_code_ = k_exit_file;
        return false;
    }
    if (o_.command == Command::version)
        reporter_.line("VELTA Version " VELTA_VERSION_TEXT);
    if (o_.link == LinkMode::none)
        return false;

    velta::reset_peer_table();
    runner_.install_hooks();

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
    return scheduler_.start(exit_code_);
}

void Tool::check_end()
{
    if (ended_ || runner_.jobs() != 0)
        return;
    if (scheduler_.exhausted())
        end(exit_code_);
}

void Tool::interrupted()
{
    interrupt_timer_.stop();
    // A server waiting for the next device is ended this way: the devices served so far decide.
    if (runner_.jobs() == 0 && o_.link == LinkMode::listen) {
        end(exit_code_);
        return;
    }
    if (runner_.jobs() == 0)
        error_line("interrupted");
    runner_.interrupt_all();
    scheduler_.not_started();
    end(k_exit_interrupted);
}

void Tool::end(int code)
{
    if (ended_)
        return;
    ended_ = true;
    scheduler_.stop();
    exit_code_ = code;
    reporter_.end_table(runner_.history(), code, runner_.tally());
    QTimer::singleShot(0, QCoreApplication::instance(), [code] { QCoreApplication::exit(code); });
}

}  // namespace veltactl
