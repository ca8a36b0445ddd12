#include "operations.h"

#include <algorithm>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "core/common/file_io.h"
#include "core/common/named_lines.h"
#include "core/common/run_activity.h"
#include "core/device/batch_steps.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_run.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/glyphs/glyph_transfer.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/pages/page_commands.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"

namespace veltactl {
namespace {

constexpr int k_first_year = 2000;
constexpr int k_last_year = 2099;

Operation set_all_operation()
{
    Operation op;
    op.name = "set-all";
    op.steps = velta::k_set_all_steps;
    op.period_ms = velta::paced_period(velta::k_set_all_period_ms);
    op.step = [](int n) {
        return Step{[n](velta::DeviceContext& c) {
                        return velta::perform_set_all_step(c, c.model.config, n);
                    },
                    expect_go()};
    };
    return op;
}

Operation read_all_operation()
{
    Operation op;
    op.name = "read-all";
    op.steps = velta::k_read_all_steps;
    op.period_ms = velta::paced_period(velta::k_read_all_period_ms);
    op.step = [](int n) {
        const std::string query = velta::read_all_query(n);
        return Step{[n](velta::DeviceContext& c) { return velta::perform_read_all_step(c, n); },
                    query.empty() ? expect_go() : expect_reply_to(query)};
    };
    return op;
}

// A list run over every slot of a size; like the dialogs' runs it goes on through error answers.
Operation glyph_operation(std::string name, velta::GlyphSize size, int period_ms)
{
    Operation op;
    op.name = std::move(name);
    op.steps = velta::glyph_size_info(size).slot_count;
    op.period_ms = velta::paced_period(period_ms);
    op.stop_on_error = false;
    return op;
}

Operation glyphs_set_operation(velta::GlyphSize size)
{
    Operation op = glyph_operation("glyphs-set", size, velta::k_glyph_register_period_ms);
    const auto digits = static_cast<std::size_t>(velta::glyph_size_info(size).glyph_digits);
    op.step = [size, digits](int n) {
        return Step{[size, digits, n](velta::DeviceContext& c) {
                        const std::span<char> slot = velta::glyph_slot(c.model.glyphs, size, n - 1);
                        velta::send_glyph_register(c, size, n - 1,
                                                   std::string_view(slot.data(), digits));
                        return velta::StepResult::sent;
                    },
                    expect_go()};
    };
    return op;
}

Operation glyphs_read_operation(velta::GlyphSize size)
{
    Operation op = glyph_operation("glyphs-read", size, velta::k_glyph_read_period_ms);
    const auto digits = static_cast<std::size_t>(velta::glyph_size_info(size).glyph_digits);
    op.step = [size, digits](int n) {
        const unsigned code = velta::glyph_code(n - 1);
        Expect e = expect_reply_to(velta::glyph_read_query(size, code));
        e.hex_at = 8;  // after the reply head and the four characters the program skips
        e.hex_count = digits;
        e.min_length = e.hex_at + digits;
        return Step{[size, code, n](velta::DeviceContext& c) {
                        // The reply is stored in the slot the index names; one read at a time.
                        c.model.glyphs.glyph_transfer_index = n - 1;
                        c.status.read_pending = 0;
                        velta::send_glyph_read(c, size, code);
                        return velta::StepResult::sent;
                    },
                    e};
    };
    return op;
}

Operation time_sync_operation(const std::tm& now)
{
    using Build = std::string (*)(int);
    struct Field {
        Build build;
        int index;
    };
    const Field fields[] = {
        {velta::date_year_command, now.tm_year + 1900 - k_first_year},
        {velta::date_month_command, now.tm_mon},
        {velta::date_day_command, now.tm_mday - 1},
        {velta::time_hour_command, now.tm_hour},
        {velta::time_minute_command, now.tm_min},
        {velta::time_second_command, std::min(now.tm_sec, 59)},  // a leap second is no list item
    };
    Operation op;
    op.name = "time-sync";
    op.steps = 6;
    op.step = [f = std::vector<Field>(std::begin(fields), std::end(fields))](int n) {
        const Field field = f[static_cast<std::size_t>(n - 1)];
        return Step{[field](velta::DeviceContext& c) {
                        velta::send_command(c, field.build(field.index));
                        return velta::StepResult::sent;
                    },
                    expect_go()};
    };
    return op;
}

Operation one_command_operation(std::string name, std::string command, Expect expect)
{
    Operation op;
    op.name = std::move(name);
    op.steps = 1;
    op.step = [command = std::move(command), expect = std::move(expect)](int) {
        return Step{[command](velta::DeviceContext& c) {
                        velta::send_command(c, command);
                        return velta::StepResult::sent;
                    },
                    expect};
    };
    return op;
}

// A device's name as a part of a file name ("10.0.0.5:9004" -> "10.0.0.5-9004").
std::string file_tag(std::string_view device)
{
    std::string tag(device);
    for (char& c : tag)
        if (c == ':' || c == '/' || c == '\\' || c == ' ')
            c = '-';
    return tag;
}

std::string cannot_read(const std::string& reason)
{
    return "cannot be read: " + reason;
}

std::string_view line_body(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

// The files a read will write whose names are known before a device is reached: the file, or
// the file of each --tcp device (--out-dir and --listen names come with the devices).
std::vector<std::string> known_outputs(const Options& o)
{
    if ((o.command != Command::read_all && o.command != Command::glyphs_read) ||
        !o.out_dir.empty() || o.file.empty())
        return {};
    if (o.link == LinkMode::tcp && o.targets.size() > 1) {
        std::vector<std::string> paths;
        for (const Target& t : o.targets) paths.push_back(output_path(o.file, t.text(), true));
        return paths;
    }
    if (o.link == LinkMode::listen && o.count != 1)
        return {};
    return {o.file};
}

// Which records of the glyph list are no glyph, by line.
std::string bad_records_text(const Options& o)
{
    const std::optional<std::string> bytes =
        velta::read_file_bytes(o.file, velta::k_glyph_file_max_bytes);
    const velta::GlyphListParse parsed = velta::parse_glyph_list(o.glyph_size, bytes.value_or(""));
    const std::string lines = velta::named_lines(parsed.bad_lines, [](std::size_t more) {
        return " and " + std::to_string(more) + " more";
    });
    return (parsed.bad_lines.size() == 1 ? "line " : "lines ") + lines +
           (parsed.bad_lines.size() == 1 ? " holds" : " hold") + " no glyph record";
}

}  // namespace

int combine_exit(int a, int b)
{
    return std::max(a, b);
}

std::string settings_load_error(const std::string& path, const velta::FileResult& r)
{
    return path + ": " +
           (r.status == velta::FileStatus::cannot_open ? cannot_read(r.reason) : r.message);
}

std::string defaulted_lines_note(const std::vector<std::size_t>& lines)
{
    const std::size_t n = lines.size();
    return (n == 1 ? "line " : "lines ") + velta::named_lines(lines) +
           (n == 1 ? " holds a value" : " hold values") + " no command can carry";
}

Outcome prepare_input(const Options& o, const std::tm& now, velta::SettingsModel& input)
{
    Outcome out;
    // A save puts a file in the place of what is there: a FIFO or a device (as root, /dev/null)
    // would be replaced. Refused before anything is sent.
    for (const std::string& path : known_outputs(o)) {
        std::string why;
        if (!velta::can_replace(path, &why)) {
            out.exit_code = k_exit_file;
            out.error = path + ": cannot be written: " + why + "; nothing was sent";
            return out;
        }
    }
    if (o.command == Command::set_all || o.command == Command::diff || o.command == Command::sync) {
        const velta::FileResult r = velta::load_settings_file(o.file);
        if (r.status != velta::FileStatus::ok) {
            out.exit_code = k_exit_file;
            out.error = settings_load_error(o.file, r);
            return out;
        }
        input.config = r.config;
        if (!r.defaulted_lines.empty()) {
            const std::string which = defaulted_lines_note(r.defaulted_lines);
            if (o.command != Command::diff) {
                // Unattended, a default is never sent in place of what the file says.
                out.exit_code = k_exit_file;
                out.error = o.file + ": nothing sent: " + which;
                return out;
            }
            out.error = o.file + ": " + which + "; compared as their defaults";
        }
        // sync checks only the steps of its plan, once the device has been read.
        if (const auto refusal = o.command == Command::set_all
                                     ? velta::set_all_refusal(input.config)
                                     : std::nullopt) {
            // Refused before any device is reached, so none is left half-configured.
            out.exit_code = k_exit_file;
            out.error = o.file + ": set-all step " + std::to_string(refusal->step) + ", " +
                        refusal->item + ": " + refusal->reason;
        }
    } else if (o.command == Command::glyphs_set) {
        std::string why;
        const velta::GlyphReadResult r =
            velta::read_glyph_list(input.glyphs, o.glyph_size, o.file, &why);
        if (r == velta::GlyphReadResult::read_with_blanks && o.blank_bad_records) {
            out.error = o.file + ": " + why;  // a warning: they go blank, as the message says
        } else if (r == velta::GlyphReadResult::read_with_blanks) {
            out.exit_code = k_exit_file;
            out.error = o.file + ": nothing was sent: " + bad_records_text(o) +
                        " (--blank-bad-records sends them as blank glyphs)";
        } else if (r != velta::GlyphReadResult::read) {
            out.exit_code = k_exit_file;
            out.error =
                o.file + ": " + (r == velta::GlyphReadResult::cannot_open ? cannot_read(why) : why);
        }
    } else if (o.command == Command::time_sync) {
        const int year = now.tm_year + 1900;
        if (year < k_first_year || year > k_last_year) {
            out.exit_code = k_exit_usage;
            out.error =
                "time-sync: the device takes the years 2000 to 2099; this computer's "
                "clock says " +
                std::to_string(year);
        }
    }
    return out;
}

void begin_device(const Options& o, velta::DeviceContext& c)
{
    velta::SettingsModel& m = c.model;
    if (o.command == Command::read_all || o.command == Command::version) {
        const int connected = c.status.socket_connected;
        velta::reset_settings_model(m);
        c.status = velta::LinkStatus{};
        c.status.socket_connected = connected;
    }
    if (o.command == Command::glyphs_read) {
        const velta::GlyphSizeInfo& info = velta::glyph_size_info(o.glyph_size);
        for (int slot = 0; slot < info.slot_count; ++slot) {
            const std::span<char> bytes = velta::glyph_slot(m.glyphs, o.glyph_size, slot);
            std::fill(bytes.begin(), bytes.end(), '0');
        }
        m.glyphs.glyph_transfer_index = 0;
        c.activity.glyph_run = true;  // each reply then goes on to the next slot quietly
    }
    if (o.command == Command::glyphs_set)
        c.activity.glyph_run = true;
    c.status.read_pending = 0;
}

Operation make_operation(const Options& o, const std::tm& now)
{
    switch (o.command) {
        case Command::set_all:
            return set_all_operation();
        case Command::read_all:
            return read_all_operation();
        case Command::glyphs_set:
            return glyphs_set_operation(o.glyph_size);
        case Command::glyphs_read:
            return glyphs_read_operation(o.glyph_size);
        case Command::time_sync:
            return time_sync_operation(now);
        case Command::version:
            return one_command_operation("version", "RVN\r\n", expect_reply_to("RVN\r\n"));
        case Command::send:
            return one_command_operation("send", o.raw, expect_any());
        case Command::diff:  // these run in stages (CompareRun)
        case Command::sync:
        case Command::pages_export:  // these reach no device
        case Command::pages_import:
        case Command::none:
            break;
    }
    return Operation{};
}

bool answer_paced(const Options& o)
{
    return o.fast || o.command == Command::time_sync || o.command == Command::diff ||
           o.command == Command::sync;
}

Outcome finish_device(const Options& o, velta::DeviceContext& c, const RunReport& report,
                      std::string_view device, const std::string& path)
{
    velta::SettingsModel& m = c.model;
    c.activity.glyph_run = false;
    m.glyphs.glyph_transfer_index = 0;
    c.status.read_pending = 0;

    Outcome out;
    const std::string name(device);
    if (!report.all_ok())
        out.exit_code = k_exit_failed;

    const bool writes = o.command == Command::read_all || o.command == Command::glyphs_read;
    if (writes) {
        if (!report.all_ok() && !o.keep_partial) {
            out.error = name + ": " + path +
                        " not written: a step failed (--keep-partial "
                        "writes what was read)";
            return out;
        }
        std::string why;
        const bool ok = o.command == Command::read_all
                            ? velta::save_settings_file(path, m.config, &why)
                            : velta::write_glyph_list(m.glyphs, o.glyph_size, path, &why);
        if (!ok) {
            out.exit_code = combine_exit(out.exit_code, k_exit_file);
            out.error = name + ": " + path + " could not be written: " + why;
            return out;
        }
        out.report = name + ": " + (report.all_ok() ? "wrote " : "wrote partial ") + path;
        return out;
    }
    if (!report.all_ok())
        return out;
    if (o.command == Command::version)
        out.report = name + ": firmware version " + m.extras.firmware_version;
    else if (o.command == Command::send)
        out.report = name + ": " + std::string(line_body(report.last_answer));
    return out;
}

std::string output_path(const std::string& file, std::string_view device, bool several)
{
    if (!several)
        return file;
    const std::string tag = file_tag(device);
    const std::size_t slash = file.find_last_of("/\\");
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = file.rfind('.');
    const bool has_ext = dot != std::string::npos && dot > name;  // ".dat" alone is a name
    if (!has_ext)
        return file + "-" + tag;
    return file.substr(0, dot) + "-" + tag + file.substr(dot);
}

std::string out_dir_path(const std::string& dir, std::string_view device,
                         std::set<std::string>& taken)
{
    const std::string name = file_tag(device.substr(0, device.find(" #")));
    std::string unique = name;
    for (int n = 2; taken.contains(unique); ++n) unique = name + "-" + std::to_string(n);
    taken.insert(unique);
    const bool ends_in_separator = dir.ends_with('/') || dir.ends_with('\\');
    return dir + (ends_in_separator ? "" : "/") + unique + ".dat";
}

}  // namespace veltactl
