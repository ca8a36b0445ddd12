#pragma once
// What each command does on a device: its steps, taken from the program's own step tables and
// command builders, and the files read before and written after.

#include <ctime>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "cli_options.h"
#include "core/model/settings_file.h"
#include "step_driver.h"

namespace veltactl {

enum ExitCode {
    k_exit_ok = 0,
    k_exit_failed = 1,  // a command failed or was not answered
    k_exit_usage = 2,
    k_exit_unreachable = 3,  // a device or port could not be reached
    k_exit_file = 4,         // a file could not be read or written
    k_exit_interrupted = 130,
};

// With several devices the most serious outcome is the program's.
int combine_exit(int a, int b);

struct Outcome {
    int exit_code = k_exit_ok;
    std::string error;   // for stderr, one line; empty when none
    std::string report;  // for stdout; empty when none
};

// Why a settings file could not be loaded: "FILE: cannot be read: REASON", or what is wrong in
// it.
std::string settings_load_error(const std::string& path, const velta::FileResult& loaded);
// "line 4022 holds a value no command can carry" (or "lines …, … hold values …").
std::string defaulted_lines_note(const std::vector<std::size_t>& lines);

// Reads the command's input (settings file, glyph list) into input before any device is
// reached; every device's context starts from a copy of it.
Outcome prepare_input(const Options& o, const std::tm& now, velta::SettingsModel& input);

// Sets the device's context up: the read commands start from the defaults, so that every file
// they write comes from the device alone.
void begin_device(const Options& o, velta::DeviceContext& context);

Operation make_operation(const Options& o, const std::tm& now);

// Whether to pace by the answers alone: --fast, and always for time-sync, whose fields must
// leave close together, and for diff and sync.
bool answer_paced(const Options& o);

// Writes the output of a read command (atomically; refused when a step failed, unless
// --keep-partial) from the device's context and tells the outcome of the device.
Outcome finish_device(const Options& o, velta::DeviceContext& context, const RunReport& report,
                      std::string_view device, const std::string& output_path);

// The output file of a device: the file itself, or with several devices the file with the
// device's name before the extension ("all.dat" -> "all-10.0.0.5-9004.dat").
std::string output_path(const std::string& file, std::string_view device, bool several);
// read-all --out-dir: the device's file in dir, named by its address ("10.0.0.5-9004.dat"; a
// --listen peer's number left out), with "-2", "-3"... for a name already taken in this run.
std::string out_dir_path(const std::string& dir, std::string_view device,
                         std::set<std::string>& taken);

}  // namespace veltactl
