// How long set-all and read-all take against the device simulator at their real pace, over
// TCP/IP and over a pty throttled like a 38400-baud line, beside the wire limit of the same
// bytes (11 bits a character). Prints a Markdown table.
//   device_batches_bench [tcp|pty]...
// With --fast the runs go answer-paced ("高速") against the throttled simulator over TCP/IP and
// over a pty, and a plain client (wire_replay) sends the same commands to a throttled simulator,
// each after the answer to the one before; the tool's time over the replay's is its own share.
// Each figure is the best of N runs (--repeat N, default 3), each on a fresh simulator.
//   device_batches_bench --fast [--repeat N]
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <cstdio>
#include <functional>

#include "core/device/batch_steps.h"
#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "ui/device/batch_run_dialog.h"

using namespace velta;

namespace {

constexpr double k_bits_per_char = 11.0;
constexpr double k_baud = 38400.0;

struct Figures {
    double seconds = 0;
    int steps = 0;
    int period_ms = 0;
    long long bytes_in = 0;
    long long bytes_out = 0;
    int commands = 0;
};

bool connect_tcp(DevSimProcess& sim, const QStringList& extra = {})
{
    if (!sim.start(QStringList{"--listen", "127.0.0.1:0"} + extra))
        return false;
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::client;
    l.host_list = {IpAddress{127, 0, 0, 1}};
    l.host_count = 1;
    l.selected_host = 0;
    model().extras.port_number = sim.first_line().section(QLatin1Char(':'), -1).toStdString();
    return tcp_client_connect(program_context()) == 1 &&
           QTest::qWaitFor([] { return link_status().socket_connected == 1; }, k_devsim_wait_ms);
}

bool connect_pty(DevSimProcess& sim, const QString& config_home)
{
    if (!sim.start({"--pty", "--throttle"}))
        return false;
    QDir().mkpath(config_home + "/velta");
    QFile ini(config_home + "/velta/velta.ini");
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write("[VELTA_Section]\ncom_path0=" + sim.first_line().toUtf8() + "\n");
    ini.close();
    link_settings().interface = Interface::serial;
    link_settings().com_port_index = 0;
    return open_serial_port(program_context());
}

Figures run(DevSimProcess& sim, BatchRunConfig config, bool fast = false)
{
    Figures f;
    f.steps = config.steps;
    f.period_ms = config.period_ms;
    const auto before = sim.wire_bytes();
    const auto commands_before = sim.commands().size();
    BatchRunDialog dialog(std::move(config));
    dialog.show();
    dialog.fast_box()->setChecked(fast);
    QElapsedTimer clock;
    clock.start();
    dialog.start_button()->click();
    (void)wait_in_event_loop([&] { return !dialog.run_active(); }, 30 * 60 * 1000);
    f.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    // Let the last answers arrive before counting the bytes.
    (void)QTest::qWaitFor(
        [] { return link_status().answer_pending == 0 && !answer_outstanding(program_context()); },
        k_devsim_wait_ms);
    QTest::qWait(500);
    const auto after = sim.wire_bytes();
    f.bytes_in = after.first - before.first;
    f.bytes_out = after.second - before.second;
    f.commands = static_cast<int>(sim.commands().size() - commands_before);
    return f;
}

void print_row(const char* route, const char* what, const Figures& f)
{
    const double nominal = f.steps * f.period_ms / 1000.0;
    const double drift = (f.seconds - nominal) / nominal * 100.0;
    const double wire_cmd = static_cast<double>(f.bytes_in) * k_bits_per_char / k_baud;
    const double wire_ans = static_cast<double>(f.bytes_out) * k_bits_per_char / k_baud;
    std::printf(
        "| %s | %s | %d × %d ms = %.1f s | %.2f s | %+.2f %% | %lld B → %.2f s | %lld B → "
        "%.2f s |\n",
        route, what, f.steps, f.period_ms, nominal, f.seconds, drift, f.bytes_in, wire_cmd,
        f.bytes_out, wire_ans);
    std::fflush(stdout);
}

// The simulator's log as a trace wire_replay reads: each command with its line end, then one
// line per answer it got.
bool write_replay_trace(const DevSimProcess& sim, const QString& path)
{
    QFile log(sim.log_path());
    QFile trace(path);
    if (!log.open(QIODevice::ReadOnly) || !trace.open(QIODevice::WriteOnly))
        return false;
    for (const QByteArray& line : log.readAll().split('\n')) {
        if (const int at = line.indexOf(" < "); at >= 0) {
            QByteArray escaped;
            for (const char c : line.mid(at + 3)) {
                if (c == '<' || static_cast<unsigned char>(c) < 0x20 ||
                    static_cast<unsigned char>(c) >= 0x7F)
                    escaped += "<" + QByteArray::number(static_cast<unsigned char>(c), 16) + ">";
                else
                    escaped += c;
            }
            trace.write("- - +0 sim > " + escaped + "<CR><LF>\n");
        } else if (line.contains(" > ")) {
            trace.write("- - +0 sim < answer\n");
        }
    }
    return true;
}

// wire_replay's time for the trace against a fresh throttled simulator; negative on failure.
double replay(const QString& trace)
{
    DevSimProcess sim;
    if (!sim.start({"--listen", "127.0.0.1:0", "--throttle"}))
        return -1;
    QProcess p;
    p.start(QStringLiteral(WIRE_REPLAY_PATH), {trace, sim.first_line()});
    p.waitForFinished(600000);
    const QRegularExpressionMatch m =
        QRegularExpression(" ([0-9.]+) s").match(QString::fromUtf8(p.readAllStandardOutput()));
    if (p.exitCode() != 0 || !m.hasMatch()) {
        std::fprintf(stderr, "%s\n", p.readAllStandardError().constData());
        return -1;
    }
    return m.captured(1).toDouble();
}

double best_of(int repeat, const std::function<double()>& once)
{
    double best = -1;
    for (int i = 0; i < repeat; ++i) {
        const double t = once();
        if (t < 0)
            return -1;
        if (best < 0 || t < best)
            best = t;
    }
    return best;
}

// One answer-paced run on a fresh throttled simulator over the route; negative on failure.
// The first run of a kind also leaves its bytes and the replay trace.
double fast_run(bool tcp, bool set_all, const QString& config_home, Figures* bytes,
                const QString& trace)
{
    reset_settings_model();
    DevSimProcess sim;
    const bool up = tcp ? connect_tcp(sim, {"--throttle"}) : connect_pty(sim, config_home);
    if (!up)
        return -1;
    const Figures f = run(sim, set_all ? set_all_config() : read_all_config(), true);
    disconnect_all();
    close_serial_port();
    if (bytes != nullptr && bytes->steps == 0) {
        *bytes = f;
        if (!write_replay_trace(sim, trace))
            return -1;
    }
    return f.seconds;
}

int fast_table(const QString& config_home, int repeat)
{
    std::printf(
        "| run | commands | bytes both ways | wire limit s | 38400-baud TCP s | × limit | "
        "38400-baud pty s | × limit | replay TCP s | × limit | tool's share |\n"
        "|---|---|---|---|---|---|---|---|---|---|---|\n");
    for (const bool set_all : {true, false}) {
        Figures bytes;
        const QString trace = config_home + (set_all ? "/set_all.trace" : "/read_all.trace");
        const double tcp =
            best_of(repeat, [&] { return fast_run(true, set_all, config_home, &bytes, trace); });
        const double pty =
            best_of(repeat, [&] { return fast_run(false, set_all, config_home, nullptr, trace); });
        const double plain = best_of(repeat, [&] { return replay(trace); });
        if (tcp < 0 || pty < 0 || plain < 0) {
            std::fprintf(stderr, "a run failed\n");
            return 1;
        }
        const long long total = bytes.bytes_in + bytes.bytes_out;
        const double limit = static_cast<double>(total) * k_bits_per_char / k_baud;
        std::printf(
            "| %s | %d | %lld | %.2f | %.3f | %.4f | %.3f | %.4f | %.3f | %.4f | %+.2f %% |\n",
            set_all ? "set-all" : "read-all", bytes.commands, total, limit, tcp, tcp / limit, pty,
            pty / limit, plain, plain / limit, (tcp - plain) / plain * 100.0);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir config_home;
    qputenv("XDG_CONFIG_HOME", config_home.path().toUtf8());
    BoxRecorder boxes;  // answers the question before each run

    QStringList routes;
    bool fast = false;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLatin1(argv[i]);
        if (arg == "--fast")
            fast = true;
        else if (arg == "--repeat" && i + 1 < argc)
            repeat = std::max(1, QString::fromLatin1(argv[++i]).toInt());
        else
            routes << arg;
    }
    register_device_replies();
    register_page_replies();
    register_glyph_replies();
    if (fast)
        return fast_table(config_home.path(), repeat);
    if (routes.isEmpty())
        routes = {"tcp", "pty"};

    std::printf(
        "| route | run | nominal (steps × period) | measured | drift | commands on a "
        "38400-baud line | answers on a 38400-baud line |\n|---|---|---|---|---|---|---|\n");
    for (const QString& route : routes) {
        reset_settings_model();
        DevSimProcess sim;
        const bool up = route == "tcp" ? connect_tcp(sim) : connect_pty(sim, config_home.path());
        if (!up) {
            std::fprintf(stderr, "cannot reach the simulator over %s\n", qPrintable(route));
            return 1;
        }
        const QByteArray name = route == "tcp" ? "TCP/IP loopback" : "pty, 38400-baud throttle";
        print_row(name.constData(), "set-all", run(sim, set_all_config()));
        print_row(name.constData(), "read-all", run(sim, read_all_config()));
        disconnect_all();
        close_serial_port();
    }
    return 0;
}
