// Any veltactl command line is refused with a message, or accepted as a
// usable set of options; what is accepted, written back as a plain command line, parses to
// the same options.
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "cli_options.h"
#include "core/wire/framing.h"
#include "fuzz_args.h"
#include "fuzz_check.h"

namespace {

using velta::fuzz::check;
using namespace veltactl;

auto fields(const Options& o)
{
    std::vector<std::tuple<std::string, int>> targets;
    for (const Target& t : o.targets) targets.emplace_back(t.host, t.port);
    return std::make_tuple(o.link, o.serial_path, targets, o.listen_port, o.count, o.rs485, o.fast,
                           o.timeout_ms, o.trace_path, o.quiet, o.keep_partial, o.help, o.command,
                           o.glyph_size, o.file, o.raw, o.csv_file, o.out_file);
}

const char* size_word(velta::GlyphSize size)
{
    return size == velta::GlyphSize::large    ? "large"
           : size == velta::GlyphSize::medium ? "medium"
                                              : "small";
}

// The options as the command line a person would type, values as separate arguments.
std::vector<std::string> command_line(const Options& o)
{
    velta::fuzz::CommandLine line;
    if (o.link == LinkMode::serial)
        line.add("--serial", o.serial_path);
    for (const Target& t : o.targets) line.add("--tcp", t.text());
    if (o.link == LinkMode::listen)
        line.add("--listen", std::to_string(o.listen_port));
    line.number("--count", o.count);
    if (o.rs485 == k_broadcast)
        line.add("--rs485", "FF");
    else if (o.rs485 >= 0)
        line.add("--rs485", line.two_digits(o.rs485));
    line.number("--timeout", o.timeout_ms);
    line.text("--trace", o.trace_path);
    line.flag(o.fast, "--fast");
    line.flag(o.quiet, "--quiet");
    line.flag(o.keep_partial, "--keep-partial");
    line.flag(o.help, "--help");
    if (o.command == Command::none)
        return line.args;
    std::vector<std::string>& args = line.args;
    args.emplace_back("--");
    args.emplace_back(command_name(o.command));
    if (o.command == Command::glyphs_set || o.command == Command::glyphs_read)
        args.emplace_back(size_word(o.glyph_size));
    for (const std::string* f : {&o.file, &o.csv_file, &o.out_file})
        if (!f->empty())
            args.push_back(*f);
    if (o.command == Command::send)
        args.push_back(o.raw.substr(0, o.raw.size() - 2));
    return args;
}

void check_usable(const Options& o)
{
    if (o.help)
        return;
    check(o.command != Command::none);
    check(o.link != LinkMode::none || o.command == Command::version || works_offline(o.command));
    check(!works_offline(o.command) || o.link == LinkMode::none);
    check(o.rs485 < 0 || o.link == LinkMode::serial);
    check(o.rs485 <= k_broadcast && (o.rs485 != k_broadcast || !command_reads(o.command)));
    check(o.count == 0 || o.link == LinkMode::listen);
    check(o.link != LinkMode::tcp || !o.targets.empty());
    for (const Target& t : o.targets) check(!t.host.empty() && t.port >= 1 && t.port <= 65535);
    if (o.command == Command::send) {
        check(o.raw.size() > 2 && o.raw.ends_with("\r\n") &&
              o.raw.size() + 2 <= velta::k_max_framed);
        for (std::size_t i = 0; i + 2 < o.raw.size(); ++i)
            check(o.raw[i] >= 0x20 && o.raw[i] <= 0x7E);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ParsedOptions parsed = parse_options(velta::fuzz::split_arguments(data, size));
    if (!parsed.ok) {
        check(!parsed.error.empty());
        return 0;
    }
    check(parsed.error.empty());
    check_usable(parsed.options);
    const ParsedOptions again = parse_options(command_line(parsed.options));
    check(again.ok && fields(again.options) == fields(parsed.options));
    return 0;
}
