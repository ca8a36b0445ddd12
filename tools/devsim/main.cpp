// velta-devsim: the superimposer device's side of the protocol, for demonstrations and tests
// without hardware.

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/common/file_io.h"
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

// A state that cannot be read refuses the start: starting from the factory state instead would
// let a test pass against the wrong device. Only a regular file is opened, so a FIFO cannot
// hang the start and a folder is not taken for an empty file.
bool read_file(const std::string& path, std::string& text, std::string& why)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) {
        why = ec.message();
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        why = std::filesystem::is_directory(status)
                  ? std::make_error_code(std::errc::is_a_directory).message()
                  : "not a regular file";
        return false;
    }
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = std::generic_category().message(errno);
        return false;
    }
    char buffer[4096];
    // read() turns a failing read into badbit instead of letting it escape.
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0)
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (in.bad()) {
        why = errno != 0 ? std::generic_category().message(errno) : "read error";
        return false;
    }
    return true;
}

// The tool's own save: a temporary file of an unpredictable name, never through a link, renamed
// over the target, so a reader never sees half a state and a planted link writes nowhere.
bool write_state(const std::string& path, const devsim::DeviceState& state, std::string& why)
{
    return velta::write_file_atomically(path, devsim::state_to_text(state), &why);
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

    // What is at --state-out and is no file (a FIFO, a device) would be replaced by one.
    if (!options.state_out.empty() && !velta::can_replace(options.state_out, &error))
        return fail("cannot write " + options.state_out + ": " + error, 2);

    DeviceState state = factory_state();
    if (!options.state_in.empty()) {
        std::string text;
        if (!read_file(options.state_in, text, error))
            return fail("cannot read " + options.state_in + ": " + error, 2);
        if (!state_from_text(text, state, error))
            return fail(options.state_in + ": " + error, 2);
    }
    std::ofstream log;
    if (!options.log_file.empty()) {
        log.open(options.log_file, std::ios::binary | std::ios::trunc);
        if (!log)
            return fail("cannot write " + options.log_file, 2);
    }
    if (!options.state_out.empty() && !write_state(options.state_out, state, error))
        return fail("cannot write " + options.state_out + ": " + error, 2);

    QCoreApplication app(argc, argv);
    DeviceSession session(state, options.rs485_address, options.faults);
    LinkSchedule schedule(session);
    DeviceLink link(options, schedule, log.is_open() ? &log : nullptr);
    quit_on_signals(&app);
    if (!link.start(error))
        return fail(error, 1);

    const int code = QCoreApplication::exec();
    if (!options.state_out.empty() && !write_state(options.state_out, state, error))
        return fail("cannot write " + options.state_out + ": " + error, 1);
    return code;
}
