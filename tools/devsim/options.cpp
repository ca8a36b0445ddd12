#include "options.h"

#include <charconv>
#include <functional>
#include <map>

namespace devsim {

namespace {

bool to_long(const std::string& text, long lo, long hi, long& out)
{
    long v = 0;
    const char* end = text.data() + text.size();
    auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < lo || v > hi)
        return false;
    out = v;
    return true;
}

bool host_port(const std::string& text, long lowest_port, std::string& host, int& port)
{
    const std::size_t colon = text.rfind(':');
    long p = 0;
    if (colon == std::string::npos || colon == 0 ||
        !to_long(text.substr(colon + 1), lowest_port, 65535, p))
        return false;
    host = text.substr(0, colon);
    port = static_cast<int>(p);
    return true;
}

}  // namespace

std::string usage_text()
{
    return "usage: velta-devsim TRANSPORT [OPTIONS]\n"
           "Simulates one title superimposer device on a link.\n"
           "\n"
           "Transport (exactly one):\n"
           "  --listen HOST:PORT     accept a TCP connection (the tool is the client);\n"
           "                         port 0 takes a free port; prints HOST:PORT on stdout\n"
           "  --connect HOST:PORT    connect to the tool (the tool is the server)\n"
           "  --serial PATH          serve a serial device, e.g. one end of a pty pair\n"
           "  --pty                  create a pseudo-terminal and print its path on stdout\n"
           "\n"
           "Device:\n"
           "  --rs485 NN             RS-485 with slave address NN (00..31); default RS-232C\n"
           "  --state-in FILE        start from the state in FILE\n"
           "  --state-out FILE       write the state to FILE at exit (also on SIGINT/SIGTERM)\n"
           "  --log FILE             log every command and answer with time stamps\n"
           "\n"
           "Faults (commands are numbered from 1 as this device takes them):\n"
           "  --no-answer            never answer (commands are still carried out)\n"
           "  --no-answer-at N       no answer to command N (repeatable)\n"
           "  --error-at N:STATUS    answer STATUS (E0..E3, MENU, GN) to command N instead of\n"
           "                         carrying it out (repeatable)\n"
           "  --garbage-at N         write a garbage line before the answer to command N\n"
           "  --store-wrong-at N     carry out set command N but store a different value,\n"
           "                         answering GO (repeatable)\n"
           "  --delay MS             wait MS milliseconds before each answer\n"
           "  --split                write each answer in two parts\n"
           "  --merge                write two answers in one write\n"
           "  --throttle             pace both directions at 38400 baud 8E1 (~3490 chars/s)\n"
           "  --close-after N        close the link after command N\n"
           "  --help                 this text\n";
}

bool parse_options(const std::vector<std::string>& args, Options& out, std::string& error)
{
    Options o;
    auto fail = [&error](const std::string& message) {
        error = message;
        return false;
    };
    auto set_transport = [&o](Transport t) {
        o.transport = t;
        return true;
    };

    using Flag = std::function<bool()>;
    using Valued = std::function<bool(const std::string&)>;
    const std::map<std::string, Flag> flags = {
        {"--pty", [&] { return set_transport(Transport::pty); }},
        {"--no-answer", [&] { return o.faults.no_answer = true; }},
        {"--split", [&] { return o.faults.split = true; }},
        {"--merge", [&] { return o.faults.merge = true; }},
        {"--throttle", [&] { return o.faults.throttle = true; }},
        {"--help", [&] { return o.help = true; }},
    };
    auto count_into = [](auto& set) {
        return [&set](const std::string& v) {
            long n = 0;
            return to_long(v, 1, 1'000'000'000, n) && (set.insert(n), true);
        };
    };
    const std::map<std::string, Valued> valued = {
        {"--listen",
         [&](const std::string& v) {
             return set_transport(Transport::listen) && host_port(v, 0, o.host, o.port);
         }},
        {"--connect",
         [&](const std::string& v) {
             return set_transport(Transport::connect) && host_port(v, 1, o.host, o.port);
         }},
        {"--serial",
         [&](const std::string& v) {
             o.path = v;
             return set_transport(Transport::serial) && !v.empty();
         }},
        {"--rs485",
         [&](const std::string& v) {
             long n = 0;
             return v.size() == 2 && to_long(v, 0, 31, n) &&
                    (o.rs485_address = static_cast<int>(n), true);
         }},
        {"--no-answer-at", count_into(o.faults.no_answer_at)},
        {"--garbage-at", count_into(o.faults.garbage_at)},
        {"--store-wrong-at", count_into(o.faults.store_wrong_at)},
        {"--error-at",
         [&](const std::string& v) {
             const std::size_t colon = v.find(':');
             long n = 0;
             if (colon == std::string::npos || !to_long(v.substr(0, colon), 1, 1'000'000'000, n))
                 return false;
             const std::string status = v.substr(colon + 1);
             return valid_forced_status(status) && (o.faults.error_at[n] = status, true);
         }},
        {"--delay",
         [&](const std::string& v) {
             long n = 0;
             return to_long(v, 0, 600'000, n) && (o.faults.delay_ms = static_cast<int>(n), true);
         }},
        {"--close-after",
         [&](const std::string& v) { return to_long(v, 1, 1'000'000'000, o.faults.close_after); }},
        {"--log", [&](const std::string& v) { return (o.log_file = v, !v.empty()); }},
        {"--state-in", [&](const std::string& v) { return (o.state_in = v, !v.empty()); }},
        {"--state-out", [&](const std::string& v) { return (o.state_out = v, !v.empty()); }},
    };

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool transport =
            a == "--listen" || a == "--connect" || a == "--serial" || a == "--pty";
        if (transport && o.transport != Transport::none)
            return fail(a + ": only one transport may be given");
        if (auto f = flags.find(a); f != flags.end()) {
            f->second();
            continue;
        }
        auto v = valued.find(a);
        if (v == valued.end())
            return fail("unknown argument: " + a);
        if (i + 1 >= args.size())
            return fail(a + ": a value is missing");
        const std::string& value = args[++i];
        if (!v->second(value))
            return fail(a + ": invalid value '" + value + "'");
    }
    if (!o.help && o.transport == Transport::none)
        return fail("no transport: give one of --listen, --connect, --serial, --pty");
    out = std::move(o);
    return true;
}

}  // namespace devsim
