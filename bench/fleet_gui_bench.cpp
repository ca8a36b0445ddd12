// The tool's server role with many devices arriving at once: N simulators (each throttled to a
// 38400-baud line) are started at the same instant and connect to the tool listening; the
// "全デバイスで実行…" dialog lists them and runs "全項目の設定" with "高速" on all of them. Prints
// how many were listed and served, the run's time beside one device's, and the longest stall
// of the GUI thread while the fleet arrives and while it runs (a 1 ms timer's late firings).
//   fleet_gui_bench [--devices N]     (default 96)
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/glyphs/glyph_replies.h"
#include "core/model/settings_model.h"
#include "core/pages/page_replies.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/peer_table.h"
#include "link/tcp_link.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "ui/device/fleet_run_dialog.h"

using namespace velta;

namespace {

constexpr int k_arrival_wait_ms = 120000;
constexpr int k_run_wait_ms = 600000;

// The longest time the event loop kept a 1 ms timer waiting beyond its period.
class StallWatch {
public:
    StallWatch()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const qint64 now = clock_.nsecsElapsed();
            worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
    }
    void restart()
    {
        worst_ = 0;
        clock_.start();
        last_ = 0;
        timer_.start(1);
    }
    double worst_ms() const { return static_cast<double>(worst_) / 1e6 - 1.0; }

private:
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    qint64 worst_ = 0;
};

struct Figures {
    int listed = 0;
    int served = 0;
    double arrival_s = 0;
    double arrival_stall_ms = 0;
    double run_s = 0;
    double run_stall_ms = 0;
};

Figures run_fleet(int devices)
{
    disconnect_all();
    reset_peer_table();
    model().extras.port_number.assign(1, '0');  // any free port
    if (tcp_server_start() != 1)
        return {};
    const QString tool = QStringLiteral("127.0.0.1:%1").arg(tcp_listen_port());
    FleetRunDialog dialog;
    dialog.show();
    StallWatch watch;
    Figures f;

    std::vector<std::unique_ptr<DevSimProcess>> sims;
    QElapsedTimer clock;
    clock.start();
    watch.restart();
    for (int i = 0; i < devices; ++i) {  // as close to one instant as processes can start
        sims.push_back(std::make_unique<DevSimProcess>());
        sims.back()->start({"--connect", tool, "--throttle"}, false);
    }
    wait_in_event_loop([&] { return dialog.table()->rowCount() >= devices; }, k_arrival_wait_ms);
    f.arrival_s = static_cast<double>(clock.elapsed()) / 1000.0;
    f.arrival_stall_ms = watch.worst_ms();
    f.listed = dialog.table()->rowCount();

    dialog.operation_button(FleetOperation::set_all)->click();
    dialog.fast_box()->setChecked(true);
    clock.restart();
    watch.restart();
    dialog.start_button()->click();
    wait_in_event_loop([&] { return !dialog.running(); }, k_run_wait_ms);
    f.run_s = static_cast<double>(clock.elapsed()) / 1000.0;
    f.run_stall_ms = watch.worst_ms();
    for (int r = 0; r < dialog.table()->rowCount(); ++r)
        f.served += dialog.result_text(r) == QStringLiteral("完了") ? 1 : 0;
    disconnect_all();
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
    register_page_replies();
    register_glyph_replies();
    BoxRecorder boxes;  // the questions before a run are answered yes
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::server;

    const Figures one = run_fleet(1);
    const Figures many = run_fleet(devices);
    std::printf(
        "| devices | listed | served | arrival s | arrival stall ms | run s | × one device "
        "| run stall ms |\n|---|---|---|---|---|---|---|---|\n");
    for (const Figures* f : {&one, &many})
        std::printf("| %d | %d | %d | %.2f | %.1f | %.2f | %.2f | %.1f |\n",
                    f == &one ? 1 : devices, f->listed, f->served, f->arrival_s,
                    f->arrival_stall_ms, f->run_s, one.run_s > 0 ? f->run_s / one.run_s : 0.0,
                    f->run_stall_ms);
    return many.served == devices ? 0 : 1;
}
