// How long set-all and read-all take against the device simulator at their real pace, over
// TCP/IP and over a pty throttled like a 38400-baud line, beside the wire limit of the same
// bytes (11 bits a character). Prints a Markdown table.
//   device_batches_bench [tcp|pty]...
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <cstdio>

#include "core/device/batch_steps.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
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
};

bool connect_tcp(DevSimProcess& sim)
{
    if (!sim.start({"--listen", "127.0.0.1:0"}))
        return false;
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::client;
    l.host_list = {IpAddress{127, 0, 0, 1}};
    l.host_count = 1;
    l.selected_host = 0;
    model().extras.port_number = sim.first_line().section(QLatin1Char(':'), -1).toStdString();
    return tcp_client_connect() == 1 &&
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
    return open_serial_port();
}

Figures run(DevSimProcess& sim, BatchRunConfig config)
{
    Figures f;
    f.steps = config.steps;
    f.period_ms = config.period_ms;
    const auto before = sim.wire_bytes();
    BatchRunDialog dialog(std::move(config));
    dialog.show();
    QElapsedTimer clock;
    clock.start();
    dialog.start_button()->click();
    (void)QTest::qWaitFor([&] { return !dialog.run_active(); }, 30 * 60 * 1000);
    f.seconds = static_cast<double>(clock.elapsed()) / 1000.0;
    // Let the last answers arrive before counting the bytes.
    (void)QTest::qWaitFor([] { return link_status().answer_pending == 0 && !answer_outstanding(); },
                          k_devsim_wait_ms);
    QTest::qWait(500);
    const auto after = sim.wire_bytes();
    f.bytes_in = after.first - before.first;
    f.bytes_out = after.second - before.second;
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

}  // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir config_home;
    qputenv("XDG_CONFIG_HOME", config_home.path().toUtf8());
    BoxRecorder boxes;  // answers the question before each run

    QStringList routes;
    for (int i = 1; i < argc; ++i) routes << QString::fromLatin1(argv[i]);
    if (routes.isEmpty())
        routes = {"tcp", "pty"};

    std::printf(
        "| route | run | nominal (steps × period) | measured | drift | commands on a "
        "38400-baud line | answers on a 38400-baud line |\n|---|---|---|---|---|---|---|\n");
    register_page_replies();
    register_glyph_replies();
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
