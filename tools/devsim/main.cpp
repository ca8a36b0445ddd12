// velta-devsim: the superimposer device's side of the protocol, for demonstrations and tests
// without hardware.

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "device_link.h"
#include "device_session.h"
#include "link_schedule.h"
#include "options.h"
#include "state_text.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

void on_signal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop normally, so the state is still written.
void quit_on_signals(QObject* parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signal_pipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::exit(0); });
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

bool read_file(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return true;
}

// Written beside the target and renamed over it, so a reader never sees half a state.
bool write_file(const std::string& path, const std::string& text)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

int fail(const std::string& message, int code)
{
    std::fprintf(stderr, "velta-devsim: %s\n", message.c_str());
    return code;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace devsim;
    std::vector<std::string> args(argv + 1, argv + argc);
    Options options;
    std::string error;
    if (!parse_options(args, options, error)) {
        std::fprintf(stderr, "velta-devsim: %s\n\n%s", error.c_str(), usage_text().c_str());
        return 2;
    }
    if (options.help) {
        std::printf("%s", usage_text().c_str());
        return 0;
    }

    DeviceState state = factory_state();
    if (!options.state_in.empty()) {
        std::string text;
        if (!read_file(options.state_in, text))
            return fail("cannot read " + options.state_in, 2);
        if (!state_from_text(text, state, error))
            return fail(options.state_in + ": " + error, 2);
    }
    std::ofstream log;
    if (!options.log_file.empty()) {
        log.open(options.log_file, std::ios::binary | std::ios::trunc);
        if (!log)
            return fail("cannot write " + options.log_file, 2);
    }
    if (!options.state_out.empty() && !write_file(options.state_out, state_to_text(state)))
        return fail("cannot write " + options.state_out, 2);

    QCoreApplication app(argc, argv);
    DeviceSession session(state, options.rs485_address, options.faults);
    LinkSchedule schedule(session);
    DeviceLink link(options, schedule, log.is_open() ? &log : nullptr);
    quit_on_signals(&app);
    if (!link.start(error))
        return fail(error, 1);

    const int code = QCoreApplication::exec();
    if (!options.state_out.empty() && !write_file(options.state_out, state_to_text(state)))
        return fail("cannot write " + options.state_out, 1);
    return code;
}
