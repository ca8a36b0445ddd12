#pragma once
// The command line of veltactl: which link, how to pace, and what to do.

#include <string>
#include <vector>

#include "core/glyphs/glyph_sizes.h"

namespace veltactl {

enum class LinkMode { none, serial, tcp, listen };
enum class Command {
    none,
    set_all,
    read_all,
    diff,
    sync,
    glyphs_set,
    glyphs_read,
    send,
    time_sync,
    version,
    pages_export,
    pages_import
};

struct Target {
    std::string host;
    int port = 0;
    std::string text() const { return host + ":" + std::to_string(port); }
};

inline constexpr int k_broadcast = 32;  // --rs485 FF
inline constexpr int k_max_jobs = 96;   // as many devices as the server role holds

struct Options {
    LinkMode link = LinkMode::none;
    std::string serial_path;
    std::vector<Target> targets;  // --tcp, in the order given
    std::string listen_address;   // --listen ADDRESS:PORT; empty: every local IPv4 address
    int listen_port = 0;          // 0: any free port (it is printed)
    int count = 0;                // --listen: devices to serve; 0 until interrupted
    int jobs = 1;                 // --tcp, --listen: devices served at once
    int rs485 = -1;               // -1 RS-232C; 0..31 an address; k_broadcast for FF
    bool fast = false;
    int timeout_ms = 0;  // 0: the link's own time-out
    std::string trace_path;
    bool quiet = false;
    bool keep_partial = false;
    bool help = false;
    bool verify = false;     // set-all, sync: read back what was sent and compare it
    bool dry_run = false;    // sync: print the plan, send nothing
    bool json = false;       // JSON on stdout: diff, sync, set-all's object a device; the table
    std::string out_dir;     // read-all: one file a device in this folder, named by address
    std::string backup_dir;  // sync, set-all: save the device's configuration here first
    bool blank_bad_records = false;  // glyphs-set: send records that are no glyph as blank

    Command command = Command::none;
    velta::GlyphSize glyph_size = velta::GlyphSize::large;
    std::string file;
    std::string raw;       // send: the command text, CR LF added when missing
    std::string csv_file;  // pages-export: written; pages-import: read
    std::string out_file;  // pages-import: the settings file written
};

struct ParsedOptions {
    bool ok = false;
    std::string error;  // one line naming the offending argument
    Options options;
};

ParsedOptions parse_options(const std::vector<std::string>& args);
std::string usage_text();

// True when the command waits for data from the device (nothing answers a broadcast).
bool command_reads(Command command);
// True when the command works on files alone and reaches no device.
bool works_offline(Command command);
const char* command_name(Command command);

}  // namespace veltactl
