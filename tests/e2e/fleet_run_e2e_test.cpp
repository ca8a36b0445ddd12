// Protects the run on every connected device: three simulated devices connect to the tool's
// server, each is read into its own file, brought to the tool's configuration by the
// differences alone and by a whole set-all, side by side, while the tool's own configuration
// stays as it was; and a device that leaves mid-run fails alone.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "core/model/settings_file.h"
#include "core/wire/device_context.h"
#include "core/wire/paced_run.h"
#include "link/configuration_file.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/config_sandbox.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "support/non_default_config.h"
#include "support/wire_capture.h"
#include "ui/device/fleet_run_dialog.h"
#include "ui/device/tcp_server_dialog.h"

namespace velta {
namespace {

constexpr int k_run_wait_ms = 180000;
constexpr int k_devices = 3;

class FleetRun : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        set_pace_divisor(20);
        set_fleet_folder_chooser([this](QWidget*) { return files_.path(); });
        LinkSettings& l = link_settings();
        l.interface = Interface::tcp;
        l.tcp_role = TcpRole::server;
        model().extras.port_number = "0";
        ASSERT_EQ(tcp_server_start(program_context()), 1);
    }

    void TearDown() override
    {
        disconnect_all();
        set_fleet_folder_chooser({});
        velta::program_context().hooks = {};
        set_pace_divisor(1);
        reset_for_test();
    }

    // Each device starts from its own hold time; extra are the faults of each.
    void connect_devices(const std::array<QStringList, k_devices>& extra = {})
    {
        const QString tool = QStringLiteral("127.0.0.1:%1").arg(tcp_listen_port());
        for (int i = 0; i < k_devices; ++i) {
            QFile state(sandbox_.root() + QStringLiteral("/device%1.txt").arg(i));
            ASSERT_TRUE(state.open(QIODevice::WriteOnly));
            state.write(QStringLiteral("ADT03%1\n").arg(i + 1).toLatin1());
            state.close();
            ASSERT_TRUE(sims_[static_cast<std::size_t>(i)].start(
                QStringList{"--connect", tool, "--state-in", state.fileName()} +
                    extra[static_cast<std::size_t>(i)],
                false));
        }
        ASSERT_TRUE(QTest::qWaitFor([] { return used_peer_slots().size() == k_devices; },
                                    k_devsim_wait_ms));
        fill_non_default_model();
        tool_ = model();
        boxes_.clear();
    }

    // Runs the operation on every listed device and gives the rows' results, sorted.
    static QStringList run(FleetRunDialog& dialog, FleetOperation op, bool fast = true)
    {
        dialog.operation_button(op)->click();
        dialog.fast_box()->setChecked(fast);
        dialog.start_button()->click();
        EXPECT_TRUE(dialog.running());
        EXPECT_FALSE(dialog.close_button()->isEnabled());
        EXPECT_TRUE(wait_in_event_loop([&] { return !dialog.running(); }, k_run_wait_ms));
        EXPECT_TRUE(dialog.close_button()->isEnabled());
        QStringList results;
        for (int r = 0; r < dialog.table()->rowCount(); ++r) results << dialog.result_text(r);
        results.sort();
        return results;
    }

    static QStringList all(const QString& text) { return QStringList(k_devices, text); }

    QStringList backups() const
    {
        return QDir(backup_folder_path()).entryList({"*.dat"}, QDir::Files);
    }

    ConfigSandbox sandbox_;  // the backups go beside this velta.ini
    QTemporaryDir files_;
    std::array<DevSimProcess, k_devices> sims_;
    BoxRecorder boxes_;
    SettingsModel tool_;
};

TEST_F(FleetRun, EachDeviceIsFiledSyncedAndSetOnItsOwnWhileTheToolStaysAsItWas)
{
    connect_devices();
    ASSERT_FALSE(HasFatalFailure());
    {
        TcpServerDialog server;
        EXPECT_TRUE(server.fleet_button()->isEnabled());
    }
    FleetRunDialog dialog;
    dialog.show();
    ASSERT_EQ(dialog.table()->rowCount(), k_devices);

    // Rows and files are named by host and port, so each file is its row's device.
    QStringList names;
    for (int r = 0; r < k_devices; ++r) {
        const QString device = dialog.table()->item(r, 0)->text();
        EXPECT_TRUE(device.startsWith("127.0.0.1:")) << device.toStdString();
        names << QString(device).replace(':', '-') + ".dat";
    }
    // A file already in the folder is not overwritten without asking.
    QFile old(files_.filePath(names[1]));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    EXPECT_EQ(run(dialog, FleetOperation::read_all), all("完了"));
    ASSERT_EQ(boxes_.boxes().size(), 2u);
    EXPECT_TRUE(boxes_.last_text().find(names[1].toStdString()) != std::string::npos);
    std::vector<std::string> read;
    for (int row = 0; row < k_devices; ++row) {
        const QString name = names[row];
        EXPECT_EQ(dialog.file_text(row), name);
        // Once read, the row names the device by its MAC address too.
        EXPECT_TRUE(dialog.table()->item(row, 0)->text().contains("（")) << row;
        const FileResult r = load_settings_file(files_.filePath(name).toStdString());
        ASSERT_EQ(r.status, FileStatus::ok) << name.toStdString() << ": " << r.message;
        read.push_back(r.config.device.alarm_hold_time);
        DeviceConfig expected;
        expected.device.alarm_hold_time = r.config.device.alarm_hold_time;
        EXPECT_EQ(r.config, expected) << name.toStdString();
    }
    std::sort(read.begin(), read.end());
    EXPECT_EQ(read, (std::vector<std::string>{"031", "032", "033"}));
    EXPECT_TRUE(backups().isEmpty()) << "a read writes nothing to the device";

    EXPECT_EQ(run(dialog, FleetOperation::sync), all("確認済み"));
    for (int row = 0; row < k_devices; ++row)  // each row names its own backup
        EXPECT_TRUE(dialog.file_text(row).endsWith(names[row]
                                                       .mid(names[row].lastIndexOf('-'))
                                                       .replace('-', '_')
                                                       .replace(".dat", "~velta.dat")))
            << dialog.file_text(row).toStdString();
    EXPECT_EQ(run(dialog, FleetOperation::set_all, false), all("完了"));
    // Read whole once more, each device now holds the tool's configuration.
    EXPECT_EQ(run(dialog, FleetOperation::sync), all("差分なし"));
    EXPECT_EQ(backups().size(), 3 * k_devices);

    EXPECT_EQ(model().config, tool_.config);
    EXPECT_EQ(model().extras, tool_.extras);
    // Only the questions before the runs: every device's own boxes went into its row.
    EXPECT_EQ(boxes_.count("本機が自動切換えでない事を確認してください"),
              static_cast<int>(boxes_.boxes().size()) - 1);
    // The peers are the program's again; a lease gives its peer back when it ends.
    for (int slot : used_peer_slots()) {
        DeviceContext probe;
        DeviceContext next;
        {
            ASSERT_TRUE(bind_peer_to_context(slot, probe)) << slot;
            const ContextLease lease(probe);
            EXPECT_FALSE(bind_peer_to_context(slot, next)) << "leased to the probe";
        }
        EXPECT_TRUE(bind_peer_to_context(slot, next)) << slot;
        release_context(next);
    }
}

TEST_F(FleetRun, ADeviceThatLeavesFailsAloneAndTheOthersComplete)
{
    connect_devices({QStringList{}, QStringList{"--close-after", "400"}, QStringList{}});
    ASSERT_FALSE(HasFatalFailure());
    FleetRunDialog dialog;
    dialog.show();
    const QStringList results = run(dialog, FleetOperation::set_all);
    ASSERT_EQ(results.size(), k_devices);
    EXPECT_EQ(results.count("完了"), 2);
    // The failure names the phase, the step and what it sent.
    const QRegularExpression failure("^全項目の設定 手順 \\d+ / 310（[A-Z]+）: 接続が切れました$");
    EXPECT_EQ(results.filter(failure).size(), 1) << results.join(" | ").toStdString();
    EXPECT_EQ(model().config, tool_.config);

    for (DevSimProcess& sim : sims_) sim.stop();
    std::vector<qsizetype> taken;
    for (const DevSimProcess& sim : sims_) taken.push_back(sim.commands().size());
    std::sort(taken.begin(), taken.end());
    // The whole read for the backup, then set-all; the device that left took nothing more.
    EXPECT_EQ(taken, (std::vector<qsizetype>{400, 315 + 310, 315 + 310}));
    EXPECT_EQ(backups().size(), static_cast<qsizetype>(k_devices));
}

}  // namespace
}  // namespace velta
