#include "cli_options.h"

#include <charconv>
#include <cstddef>
#include <string_view>

#include "core/wire/framing.h"

namespace veltactl {
namespace {

bool to_int(std::string_view text, long lo, long hi, int& out)
{
    long v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi)
        return false;
    out = static_cast<int>(v);
    return true;
}

bool parse_target(std::string_view text, Target& out)
{
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    Target t;
    t.host.assign(text.substr(0, colon));
    if (!to_int(text.substr(colon + 1), 1, 65535, t.port))
        return false;
    out = std::move(t);
    return true;
}

// [ADDRESS:]PORT; an IPv6 address goes in brackets: [::1]:9004.
bool parse_listen(std::string_view text, std::string& address, int& port)
{
    std::string_view port_text = text;
    address.clear();
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close == 1 || close + 1 >= text.size() ||
            text[close + 1] != ':')
            return false;
        address.assign(text.substr(1, close - 1));
        port_text = text.substr(close + 2);
    } else if (const std::size_t colon = text.find(':'); colon != std::string_view::npos) {
        if (colon == 0 || text.find(':', colon + 1) != std::string_view::npos)
            return false;  // an IPv6 address without brackets, or no address
        address.assign(text.substr(0, colon));
        port_text = text.substr(colon + 1);
    }
    return to_int(port_text, 0, 65535, port);
}

bool parse_size(std::string_view text, velta::GlyphSize& out)
{
    if (text == "large")
        out = velta::GlyphSize::large;
    else if (text == "medium")
        out = velta::GlyphSize::medium;
    else if (text == "small")
        out = velta::GlyphSize::small;
    else
        return false;
    return true;
}

// The device takes printable ASCII only; CR LF is the command's end and is added here.
bool raw_command(std::string_view text, std::string& out, std::string& error)
{
    if (text.ends_with("\r\n"))
        text.remove_suffix(2);
    if (text.empty()) {
        error = "send: the command is empty";
        return false;
    }
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            error = "send: the command may hold printable ASCII characters only";
            return false;
        }
    }
    out.assign(text);
    out += "\r\n";
    if (out.size() + 2 > velta::k_max_framed) {  // room for an RS-485 address
        error = "send: the command is longer than the device takes";
        return false;
    }
    return true;
}

struct CommandWords {
    std::string_view word;
    Command command;
    std::size_t operands;
};

constexpr CommandWords k_commands[] = {
    {"set-all", Command::set_all, 1},
    {"read-all", Command::read_all, 1},
    {"diff", Command::diff, 1},
    {"sync", Command::sync, 1},
    {"glyphs-set", Command::glyphs_set, 2},
    {"glyphs-read", Command::glyphs_read, 2},
    {"send", Command::send, 1},
    {"time-sync", Command::time_sync, 0},
    {"version", Command::version, 0},
    {"pages-export", Command::pages_export, 2},
    {"pages-import", Command::pages_import, 3},
};

// What a command is missing when it is given too few operands.
std::string missing_operands(Command command)
{
    switch (command) {
        case Command::glyphs_set:
        case Command::glyphs_read:
            return "give the size (large, medium, small) and the file";
        case Command::send:
            return "give the command to send";
        case Command::pages_export:
            return "give the settings file and the CSV file to write";
        case Command::pages_import:
            return "give the settings file, the CSV file and the settings file to write";
        default:
            return "give the file";
    }
}

}  // namespace

const char* command_name(Command command)
{
    for (const CommandWords& c : k_commands)
        if (c.command == command)
            return c.word.data();
    return "";
}

bool works_offline(Command command)
{
    return command == Command::pages_export || command == Command::pages_import;
}

bool command_reads(Command command)
{
    return command == Command::read_all || command == Command::glyphs_read ||
           command == Command::version || command == Command::diff || command == Command::sync;
}

std::string usage_text()
{
    return "usage: veltactl [--serial PATH | --tcp HOST:PORT[,HOST:PORT...] |\n"
           "                 --listen [ADDRESS:]PORT]\n"
           "                [--rs485 NN|FF] [--paced | --fast] [--timeout MS] [--trace FILE]\n"
           "                [--quiet] [--keep-partial] [--count N] [--jobs N] [--json] COMMAND\n"
           "\n"
           "Commands:\n"
           "  set-all FILE.dat [--backup DIR]  send every setting of a settings file;\n"
           "                                   --backup saves the device's settings first\n"
           "  read-all FILE.dat                read every setting into a settings file\n"
           "  read-all --out-dir DIR           ... one file a device in DIR, named by address\n"
           "  set-all FILE.dat --verify        ... then read everything back and compare\n"
           "  diff FILE.dat                    read the device and list what differs from the\n"
           "                                   file (exit 0 equal, 1 different)\n"
           "  sync FILE.dat [--dry-run] [--verify] [--backup DIR]\n"
           "                                   read the device and send only what differs;\n"
           "                                   --dry-run prints the commands instead,\n"
           "                                   --verify reads back what was sent,\n"
           "                                   --backup saves the device's settings first\n"
           "  glyphs-set large|medium|small FILE    register every glyph of a glyph list file\n"
           "       [--blank-bad-records]       (a file with records that are no glyph is\n"
           "                                   refused; with this, they are sent blank)\n"
           "  glyphs-read large|medium|small FILE   read every glyph into a glyph list file\n"
           "  send 'RAW COMMAND'               send one command and print the answer\n"
           "  time-sync                        set the device clock from this computer's clock\n"
           "  version                          print the version (and the device's, when reached)\n"
           "  pages-export FILE.dat OUT.csv    write the titles and attributes of every page of a\n"
           "                                   settings file as a spreadsheet (CSV) file\n"
           "  pages-import FILE.dat IN.csv OUT.dat\n"
           "                                   write FILE.dat with the cells IN.csv names into\n"
           "                                   OUT.dat (FILE.dat stays as it is); a cell that\n"
           "                                   cannot go in refuses the whole file\n"
           "                                   (these two work on files alone: no link)\n"
           "\n"
           "Link (one of):\n"
           "  --serial PATH        a serial port, 38400 baud 8E1\n"
           "  --tcp HOST:PORT,...  one or more devices (the option may repeat)\n"
           "  --listen [ADDRESS:]PORT\n"
           "                       wait for devices to connect (0: any free port, printed) and\n"
           "                       serve each one that connects; on ADDRESS only when given\n"
           "                       (IPv6 in brackets: [::1]:9004), else every IPv4 address\n"
           "  --count N            with --listen: stop after N devices have been served\n"
           "                       (a device counts once it answered; default: until Ctrl+C)\n"
           "  --jobs N             with --tcp or --listen: serve up to N devices at once, each\n"
           "                       on its own connection (default 1: in turn); the end prints\n"
           "                       a table of the devices\n"
           "  --rs485 NN|FF        with --serial: RS-485 slave address 00..31, FF broadcast\n"
           "\n"
           "Pace and output:\n"
           "  --paced              keep the configuration tool's periods (default)\n"
           "  --fast               send each command as soon as the previous one is answered\n"
           "  --timeout MS         wait at most MS milliseconds for each answer\n"
           "  --trace FILE         write every byte sent and received, with time stamps (an\n"
           "                       answer line too long to be one is marked as dropped)\n"
           "  --quiet              print errors only\n"
           "  --keep-partial       write read-all / glyphs-read output even when a step failed\n"
           "  --json               diff, sync, set-all: one JSON object per device on stdout\n"
           "                       (differences, plan, verify result, backup path); with\n"
           "                       several devices the end table as one JSON object too\n"
           "\n"
           "diff and sync always pace by the answers (as --fast).\n"
           "\n"
           "Exit status: 0 every command answered as expected (diff: the device equals the file;\n"
           "--verify: everything read back equals the file); 1 a command failed or was not\n"
           "answered, diff found differences, or --verify found an item that differs; 2 usage\n"
           "error; 3 a device or port could not be reached; 4 a file could not be read or\n"
           "written (also the --backup file, a file whose plan cannot be built, or a CSV\n"
           "file pages-import refuses); 130 interrupted. With several devices the highest\n"
           "wins.\n";
}

ParsedOptions parse_options(const std::vector<std::string>& args)
{
    ParsedOptions result;
    Options& o = result.options;
    auto fail = [&result](std::string message) {
        result.ok = false;
        result.error = std::move(message);
        return result;
    };
    bool paced_given = false;
    bool count_given = false;
    bool jobs_given = false;
    std::vector<std::string> words;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (arg == "--") {
            words.insert(words.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                         args.end());
            break;
        }
        if (!arg.starts_with("--")) {
            words.push_back(arg);
            continue;
        }
        std::string value;
        bool has_value = false;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
            has_value = true;
        }
        auto take_value = [&](std::string& out) {
            if (has_value) {
                out = value;
                return true;
            }
            if (i + 1 >= args.size())
                return false;
            out = args[++i];
            return true;
        };
        auto set_link = [&](LinkMode mode) {
            if (o.link != LinkMode::none && o.link != mode)
                return false;
            o.link = mode;
            return true;
        };
        auto flag = [&](bool& field) {
            if (has_value)
                return false;
            field = true;
            return true;
        };

        if (arg == "--help" || arg == "--quiet" || arg == "--keep-partial" || arg == "--fast" ||
            arg == "--paced" || arg == "--verify" || arg == "--dry-run" || arg == "--json" ||
            arg == "--blank-bad-records") {
            bool dummy = false;
            bool& field = arg == "--help"                ? o.help
                          : arg == "--quiet"             ? o.quiet
                          : arg == "--keep-partial"      ? o.keep_partial
                          : arg == "--fast"              ? o.fast
                          : arg == "--verify"            ? o.verify
                          : arg == "--dry-run"           ? o.dry_run
                          : arg == "--json"              ? o.json
                          : arg == "--blank-bad-records" ? o.blank_bad_records
                                                         : dummy;
            if (!flag(field))
                return fail(arg + ": takes no value");
            if (arg == "--paced")
                paced_given = true;
            continue;
        }
        if (arg != "--serial" && arg != "--tcp" && arg != "--listen" && arg != "--rs485" &&
            arg != "--timeout" && arg != "--trace" && arg != "--count" && arg != "--backup" &&
            arg != "--jobs" && arg != "--out-dir")
            return fail("unknown option: " + arg);
        std::string v;
        if (!take_value(v))
            return fail(arg + ": a value is missing");

        if (arg == "--serial") {
            if (!set_link(LinkMode::serial))
                return fail("--serial: only one of --serial, --tcp, --listen may be given");
            if (v.empty())
                return fail("--serial: the port path is empty");
            o.serial_path = v;
        } else if (arg == "--tcp") {
            if (!set_link(LinkMode::tcp))
                return fail("--tcp: only one of --serial, --tcp, --listen may be given");
            std::size_t from = 0;
            while (from <= v.size()) {
                const std::size_t comma = std::min(v.find(',', from), v.size());
                Target t;
                if (!parse_target(std::string_view(v).substr(from, comma - from), t))
                    return fail("--tcp: '" + v.substr(from, comma - from) +
                                "' is not HOST:PORT (port 1..65535)");
                o.targets.push_back(std::move(t));
                from = comma + 1;
            }
        } else if (arg == "--listen") {
            if (!set_link(LinkMode::listen))
                return fail("--listen: only one of --serial, --tcp, --listen may be given");
            if (!parse_listen(v, o.listen_address, o.listen_port))
                return fail("--listen: '" + v +
                            "' is not [ADDRESS:]PORT (port 0..65535; IPv6 as [::1]:9004)");
        } else if (arg == "--rs485") {
            if (v == "FF" || v == "ff")
                o.rs485 = k_broadcast;
            else if (v.size() != 2 || !to_int(v, 0, 31, o.rs485))
                return fail("--rs485: '" + v + "' is not an address 00..31 or FF");
        } else if (arg == "--timeout") {
            if (!to_int(v, 1, 600000, o.timeout_ms))
                return fail("--timeout: '" + v + "' is not a time in milliseconds (1..600000)");
        } else if (arg == "--backup") {
            if (v.empty())
                return fail("--backup: the folder name is empty");
            o.backup_dir = v;
        } else if (arg == "--jobs") {
            if (!to_int(v, 1, k_max_jobs, o.jobs))
                return fail("--jobs: '" + v + "' is not a number of devices (1.." +
                            std::to_string(k_max_jobs) + ")");
            jobs_given = true;
        } else if (arg == "--out-dir") {
            if (v.empty())
                return fail("--out-dir: the folder name is empty");
            o.out_dir = v;
        } else if (arg == "--trace") {
            if (v.empty())
                return fail("--trace: the file name is empty");
            o.trace_path = v;
        } else {  // --count
            if (!to_int(v, 1, 1000000, o.count))
                return fail("--count: '" + v + "' is not a number of devices (1 or more)");
            count_given = true;
        }
    }

    if (o.help) {
        result.ok = true;
        return result;
    }
    if (paced_given && o.fast)
        return fail("--paced and --fast exclude each other");
    if (o.rs485 >= 0 && o.link != LinkMode::serial)
        return fail("--rs485: only with --serial");
    if (count_given && o.link != LinkMode::listen)
        return fail("--count: only with --listen");
    if (jobs_given && o.link != LinkMode::tcp && o.link != LinkMode::listen)
        return fail("--jobs: only with --tcp or --listen");

    if (words.empty())
        return fail(
            "no command given (set-all, read-all, diff, sync, glyphs-set, glyphs-read, send, "
            "time-sync, version, pages-export, pages-import)");
    const CommandWords* found = nullptr;
    for (const CommandWords& c : k_commands)
        if (c.word == words.front())
            found = &c;
    if (!found)
        return fail("unknown command: " + words.front());
    o.command = found->command;
    const std::string name(found->word);
    // read-all --out-dir names its files itself.
    const std::size_t operands =
        o.command == Command::read_all && !o.out_dir.empty() ? 0 : found->operands;
    if (words.size() - 1 < operands)
        return fail(name + ": " + missing_operands(o.command));
    if (words.size() - 1 > operands)
        return fail(name + ": unexpected argument '" + words[operands + 1] + "'");

    switch (o.command) {
        case Command::read_all:
            if (o.out_dir.empty())
                o.file = words[1];
            break;
        case Command::set_all:
        case Command::diff:
        case Command::sync:
            o.file = words[1];
            break;
        case Command::glyphs_set:
        case Command::glyphs_read:
            if (!parse_size(words[1], o.glyph_size))
                return fail(name + ": '" + words[1] + "' is not a size (large, medium, small)");
            o.file = words[2];
            break;
        case Command::pages_import:
            o.out_file = words[3];
            [[fallthrough]];
        case Command::pages_export:
            o.file = words[1];
            o.csv_file = words[2];
            if (o.file.empty() || o.csv_file.empty() ||
                (o.command == Command::pages_import && o.out_file.empty()))
                return fail(name + ": a file name is empty");
            break;
        case Command::send: {
            std::string error;
            if (!raw_command(words[1], o.raw, error))
                return fail(error);
            break;
        }
        default:
            break;
    }
    if (!o.out_dir.empty() && o.command != Command::read_all)
        return fail("--out-dir: only with read-all");
    if (o.file.empty() && o.out_dir.empty() &&
        (o.command == Command::set_all || o.command == Command::read_all ||
         o.command == Command::diff || o.command == Command::sync ||
         o.command == Command::glyphs_set || o.command == Command::glyphs_read))
        return fail(name + ": the file name is empty");

    if (works_offline(o.command) && o.link != LinkMode::none)
        return fail(name + ": works on files alone; give no --serial, --tcp or --listen");
    if (o.link == LinkMode::none && o.command != Command::version && !works_offline(o.command))
        return fail(name + ": give a link: --serial PATH, --tcp HOST:PORT or --listen PORT");
    if (o.verify && o.command != Command::set_all && o.command != Command::sync)
        return fail("--verify: only with set-all or sync");
    if (o.dry_run && o.command != Command::sync)
        return fail("--dry-run: only with sync");
    if (o.dry_run && o.verify)
        return fail("--dry-run sends nothing to verify");
    if (!o.backup_dir.empty() && o.command != Command::sync && o.command != Command::set_all)
        return fail("--backup: only with sync or set-all");
    if (o.blank_bad_records && o.command != Command::glyphs_set)
        return fail("--blank-bad-records: only with glyphs-set");
    if (o.rs485 == k_broadcast && (command_reads(o.command) || o.verify))
        return fail(name + ": nothing answers a broadcast (--rs485 FF); give an address");
    if (o.keep_partial && o.command != Command::read_all && o.command != Command::glyphs_read)
        return fail("--keep-partial: only with read-all or glyphs-read");
    result.ok = true;
    return result;
}

}  // namespace veltactl
