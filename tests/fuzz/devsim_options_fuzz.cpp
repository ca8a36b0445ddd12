// Any velta-devsim command line is refused with a message and the options left alone, or
// accepted as a usable set of options; what is accepted, written back as a plain command
// line, parses to the same options.
#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz_args.h"
#include "fuzz_check.h"
#include "options.h"

namespace {

using velta::fuzz::check;
using namespace devsim;

auto fields(const Options& o)
{
    const FaultPlan& f = o.faults;
    return std::make_tuple(o.transport, o.host, o.port, o.path, o.rs485_address, o.log_file,
                           o.state_in, o.state_out, o.help, f.no_answer, f.no_answer_at, f.error_at,
                           f.garbage_at, f.store_wrong_at, f.close_after, f.delay_ms, f.split,
                           f.merge, f.throttle);
}

// The options as the command line a person would type.
std::vector<std::string> command_line(const Options& o)
{
    velta::fuzz::CommandLine line;
    const std::string host_port = o.host + ":" + std::to_string(o.port);
    switch (o.transport) {
        case Transport::listen:
            line.add("--listen", host_port);
            break;
        case Transport::connect:
            line.add("--connect", host_port);
            break;
        case Transport::serial:
            line.add("--serial", o.path);
            break;
        case Transport::pty:
            line.flag(true, "--pty");
            break;
        case Transport::none:
            break;
    }
    if (o.rs485_address >= 0)
        line.add("--rs485", line.two_digits(o.rs485_address));
    const FaultPlan& f = o.faults;
    for (long n : f.no_answer_at) line.add("--no-answer-at", std::to_string(n));
    for (long n : f.garbage_at) line.add("--garbage-at", std::to_string(n));
    for (long n : f.store_wrong_at) line.add("--store-wrong-at", std::to_string(n));
    for (const auto& [n, status] : f.error_at)
        line.add("--error-at", std::to_string(n) + ":" + status);
    line.number("--close-after", f.close_after);
    line.number("--delay", f.delay_ms);
    line.text("--log", o.log_file);
    line.text("--state-in", o.state_in);
    line.text("--state-out", o.state_out);
    line.flag(f.no_answer, "--no-answer");
    line.flag(f.split, "--split");
    line.flag(f.merge, "--merge");
    line.flag(f.throttle, "--throttle");
    line.flag(o.help, "--help");
    return line.args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Options parsed;
    parsed.log_file = "untouched";
    std::string error;
    if (!parse_options(velta::fuzz::split_arguments(data, size), parsed, error)) {
        check(!error.empty() && parsed.log_file == "untouched");
        return 0;
    }
    check(error.empty());
    check(parsed.help || parsed.transport != Transport::none);
    check(parsed.rs485_address >= -1 && parsed.rs485_address <= 31);
    check(parsed.port >= 0 && parsed.port <= 65535);
    check(parsed.transport != Transport::connect || parsed.port >= 1);
    check(parsed.transport != Transport::serial || !parsed.path.empty());
    Options again;
    check(parse_options(command_line(parsed), again, error) && fields(again) == fields(parsed));
    return 0;
}
