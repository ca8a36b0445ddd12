// The tool's server role with many devices arriving at once: N simulators (each throttled to a
// 38400-baud line) are started at the same instant and connect to the tool listening; the
// "全デバイスで実行…" dialog lists them and runs "全項目の設定" with "高速" on all of them. Prints
// how many were listed and served, the run's time beside one device's, and the longest stall
// of the GUI thread while the fleet arrives and while it runs (a 1 ms timer's late firings).
//   fleet_gui_bench [--devices N]     (default 96)
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include "core/device/device_replies.h"
#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/peer_table.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/event_wait.h"
#include "ui/device/fleet_run_dialog.h"

using namespace velta;

namespace {

constexpr int k_arrival_wait_ms = 120000;
constexpr int k_run_wait_ms = 600000;

qint64 thread_cpu_ns()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<qint64>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// How long the event loop kept a 1 ms timer waiting beyond its period: on the wall clock (which
// on a loaded machine includes the time the thread was not given a core) and in the GUI
// thread's own CPU time between two firings (the tool's work that held the loop).
class StallWatch {
public:
    StallWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            const qint64 cpu = thread_cpu_ns();
            worst_ = std::max(worst_, now - last_);
            worst_cpu_ = std::max(worst_cpu_, cpu - last_cpu_);
            last_ = now;
            last_cpu_ = cpu;
        });
    }
    void restart()
    {
        worst_ = worst_cpu_ = 0;
        clock_.start();
        last_ = 0;
        last_cpu_ = thread_cpu_ns();
        timer_.start(1);
    }
    double worst_ms() const { return std::max(0.0, static_cast<double>(worst_) / 1e6 - 1.0); }
    double worst_cpu_ms() const { return static_cast<double>(worst_cpu_) / 1e6; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 last_cpu_ = 0;
    qint64 worst_ = 0;
    qint64 worst_cpu_ = 0;
};

struct Figures {
    int listed = 0;
    int served = 0;
    double arrival_s = 0;
    double arrival_stall_ms = 0;
    double run_s = 0;
    double run_stall_ms = 0;
    double start_ms = 0;  // the press of "開始" itself
    double arrival_cpu_ms = 0;
    double run_cpu_ms = 0;
};

Figures run_fleet(int devices)
{
    disconnect_all();
    reset_peer_table();
    model().extras.port_number.assign(1, '0');  // any free port
    if (tcp_server_start(program_context()) != 1)
        return {};
    const QString tool = QStringLiteral("127.0.0.1:%1").arg(tcp_listen_port());
    FleetRunDialog dialog;
    dialog.show();
    StallWatch watch;
    Figures f;

    // bench/fleet.sh starts the simulators as close to one instant as processes start, in a
    // process of its own, so that this thread's time is the tool's alone.
    QProcess fleet;
    fleet.setProcessEnvironment([] {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("VELTA_DEVSIM", QStringLiteral(VELTA_DEVSIM_PATH));
        env.insert("VELTA_FLEET_PIDS", QDir::temp().filePath("velta-fleet-gui-bench.pids"));
        return env;
    }());
    QElapsedTimer clock;
    clock.start();
    watch.restart();
    fleet.start(QStringLiteral(VELTA_SOURCE_DIR "/bench/fleet.sh"),
                {QString::number(devices), "--connect", tool, "--throttle"});
    wait_in_event_loop([&] { return dialog.table()->rowCount() >= devices; }, k_arrival_wait_ms);
    f.arrival_s = static_cast<double>(clock.elapsed()) / 1000.0;
    f.arrival_stall_ms = watch.worst_ms();
    f.arrival_cpu_ms = watch.worst_cpu_ms();
    f.listed = dialog.table()->rowCount();

    dialog.operation_button(FleetOperation::set_all)->click();
    dialog.fast_box()->setChecked(true);
    clock.restart();
    watch.restart();
    QElapsedTimer start_clock;
    start_clock.start();
    dialog.start_button()->click();
    f.start_ms = static_cast<double>(start_clock.nsecsElapsed()) / 1e6;
    wait_in_event_loop([&] { return !dialog.running(); }, k_run_wait_ms);
    f.run_s = static_cast<double>(clock.elapsed()) / 1000.0;
    f.run_stall_ms = watch.worst_ms();
    f.run_cpu_ms = watch.worst_cpu_ms();
    for (int r = 0; r < dialog.table()->rowCount(); ++r)
        f.served += dialog.result_text(r) == QStringLiteral("完了") ? 1 : 0;
    disconnect_all();
    fleet.waitForFinished(10000);
    QProcess::execute(QStringLiteral(VELTA_SOURCE_DIR "/bench/fleet.sh"), {"stop"});
    return f;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int devices = 96;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--devices") == 0)
            devices = std::atoi(argv[i + 1]);

    reset_settings_model();
    register_device_replies();
    register_page_replies();
    register_glyph_replies();
    BoxRecorder boxes;  // the questions before a run are answered yes
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::server;

    const Figures one = run_fleet(1);
    const Figures many = run_fleet(devices);
    std::printf(
        "| devices | listed | served | arrival s | arrival stall ms (wall / GUI CPU) | run s "
        "| × one device | run stall ms (wall / GUI CPU) | 開始 ms |\n"
        "|---|---|---|---|---|---|---|---|---|\n");
    for (const Figures* f : {&one, &many})
        std::printf("| %d | %d | %d | %.2f | %.1f / %.1f | %.2f | %.2f | %.1f / %.1f | %.1f |\n",
                    f == &one ? 1 : devices, f->listed, f->served, f->arrival_s,
                    f->arrival_stall_ms, f->arrival_cpu_ms, f->run_s,
                    one.run_s > 0 ? f->run_s / one.run_s : 0.0, f->run_stall_ms, f->run_cpu_ms,
                    f->start_ms);
    return many.served == devices ? 0 : 1;
}
