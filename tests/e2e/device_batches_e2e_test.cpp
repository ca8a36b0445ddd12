// Proves that the tool and a device agree about a whole configuration: set-all and read-all
// driven through their dialogs, over the real link layer, against the device simulator, over
// TCP/IP in both roles and over a pty in RS-232C and RS-485, at the runs' periods and
// answer-paced ("高速"); and how the runs meet device faults.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <string>
#include <tuple>
#include <utility>

#include "core/common/run_activity.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"
#include "core/wire/peer_table.h"
#include "core/wire/watchdog.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "support/non_default_config.h"
#include "support/run_configs.h"
#include "support/wire_capture.h"
#include "ui/device/batch_run_dialog.h"

namespace velta {
namespace {

constexpr int k_run_wait_ms = 180000;

enum class Route { tcp_client, tcp_server, rs232c, rs485 };

class DeviceRuns : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        qputenv("XDG_CONFIG_HOME", config_dir_.path().toUtf8());
        set_pace_divisor(20);
    }

    void TearDown() override
    {
        watchdog_.stop();
        disconnect_all();
        close_serial_port();
        velta::program_context().hooks = {};
        set_pace_divisor(1);
        reset_for_test();
    }

    // Starts the simulator for the route and opens the tool's side of the link.
    void connect_route(Route route, QStringList faults = {})
    {
        LinkSettings& l = link_settings();
        switch (route) {
            case Route::tcp_client: {
                ASSERT_TRUE(sim_.start(QStringList{"--listen", "127.0.0.1:0"} + faults));
                ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
                break;
            }
            case Route::tcp_server: {
                l.interface = Interface::tcp;
                l.tcp_role = TcpRole::server;
                model().extras.port_number = "0";
                ASSERT_EQ(tcp_server_start(program_context()), 1);
                const QString address = QStringLiteral("127.0.0.1:%1").arg(tcp_listen_port());
                ASSERT_TRUE(sim_.start(QStringList{"--connect", address} + faults, false));
                ASSERT_TRUE(
                    QTest::qWaitFor([] { return !used_peer_slots().empty(); }, k_devsim_wait_ms));
                l.selected_host = used_peer_slots().front();
                link_status().socket_connected = 1;
                break;
            }
            case Route::rs232c:
            case Route::rs485: {
                QStringList args{"--pty"};
                if (route == Route::rs485)
                    args << QStringLiteral("--rs485") << QStringLiteral("05");
                ASSERT_TRUE(sim_.start(args + faults));
                QDir().mkpath(config_dir_.filePath(QStringLiteral("velta")));
                QFile ini(config_dir_.filePath(QStringLiteral("velta/velta.ini")));
                ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
                ini.write("[VELTA_Section]\ncom_path0=" + sim_.first_line().toUtf8() + "\n");
                ini.close();
                l.interface = Interface::serial;
                l.com_port_index = 0;
                l.rs485 = route == Route::rs485;
                l.slave_address = 5;
                ASSERT_TRUE(open_serial_port(program_context()));
                break;
            }
        }
        // What opening the link says is the link's own tests' business.
        boxes_.clear();
    }

    // Runs one of the dialogs to its end (or its stop) and says how it ended.
    bool run_dialog(BatchRunConfig config, bool fast = false)
    {
        BatchRunDialog dialog(std::move(config));
        dialog.show();
        dialog.fast_box()->setChecked(fast);
        dialog.start_button()->click();
        if (!dialog.run_active())
            return false;
        const bool ended = wait_in_event_loop([&] { return !dialog.run_active(); }, k_run_wait_ms);
        // On the serial link the last answers are still on their way when the run ends.
        settle();
        // A completed run stays open with its result.
        return ended && dialog.stop_note()->text().startsWith(QStringLiteral("完了"));
    }

    // What the boxes said, for failure messages.
    std::string box_texts() const
    {
        std::string out;
        for (const std::string& t : boxes_.texts()) out += "[" + t + "] ";
        return out;
    }

    void settle()
    {
        (void)QTest::qWaitFor(
            [] {
                return link_status().answer_pending == 0 && !answer_outstanding(program_context());
            },
            k_devsim_wait_ms);
        QTest::qWait(100);
    }

    std::string save_to(const QString& name)
    {
        const std::string path = config_dir_.filePath(name).toStdString();
        EXPECT_TRUE(save_settings_file(path, model().config));
        QFile f(QString::fromStdString(path));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll().toStdString();
    }

    // Loads a non-default configuration the way an operator does: from its file.
    std::string load_non_default_file()
    {
        fill_non_default_model();
        const std::string text = save_to(QStringLiteral("source.dat"));
        reset_settings_model();
        const FileResult loaded =
            load_settings_file(config_dir_.filePath(QStringLiteral("source.dat")).toStdString());
        EXPECT_EQ(loaded.status, FileStatus::ok) << loaded.message;
        model().config = loaded.config;
        EXPECT_EQ(model().config.device.alarm_hold_time, "045");
        return text;
    }

    // Runs the watchdog of the main window, faster like the runs.
    void start_watchdog()
    {
        QObject::connect(&watchdog_, &QTimer::timeout, [] { watchdog_tick(program_context()); });
        watchdog_.start(paced_period(300));
    }

    QTemporaryDir config_dir_;
    DevSimProcess sim_;
    BoxRecorder boxes_;
    QTimer watchdog_;
};

// The route, and whether the runs go answer-paced.
class DeviceBatches : public DeviceRuns,
                      public ::testing::WithParamInterface<std::tuple<Route, bool>> {};

TEST_P(DeviceBatches, SetAllThenReadAllGivesBackTheSameFile)
{
    const auto [route, fast] = GetParam();
    const std::string original = load_non_default_file();
    connect_route(route);
    if (HasFatalFailure())
        return;
    boxes_.clear();

    ASSERT_TRUE(run_dialog(set_all_without_backup(), fast)) << box_texts();
    EXPECT_EQ(sim_.commands().size(), 310);

    // Reset the tool, read everything back, save: the same file.
    // The connection stays up: only the configuration is forgotten.
    const LinkSettings link = link_settings();
    const std::string port = model().extras.port_number;
    const int connected = link_status().socket_connected;
    reset_settings_model();
    model().extras.port_number = port;
    link_settings() = link;
    link_status().socket_connected = connected;
    ASSERT_TRUE(run_dialog(read_all_config(), fast)) << box_texts();
    EXPECT_EQ(sim_.commands().size(), 310 + 311);
    const std::string read_back = save_to(QStringLiteral("read_back.dat"));
    EXPECT_TRUE(read_back == original) << "the file read back differs from the one sent";
    if (read_back != original) {
        const QStringList a = QString::fromStdString(original).split(QStringLiteral("\r\n"));
        const QStringList b = QString::fromStdString(read_back).split(QStringLiteral("\r\n"));
        for (qsizetype i = 0, shown = 0; i < std::min(a.size(), b.size()) && shown < 5; ++i)
            if (a[i] != b[i]) {
                ADD_FAILURE() << "line " << i + 1 << ": " << a[i].toStdString() << " / "
                              << b[i].toStdString();
                ++shown;
            }
    }
    // Only the question before each run: no error box, and no success notice inside a run.
    EXPECT_EQ(boxes_.count("本機が自動切換えでない事を確認してください"), 2);

    // The simulator's own record of its state, checked in the device's layouts.
    sim_.stop();
    const QStringList state = sim_.state_lines();
    for (const char* line : {"AME", "ADT045", "APB", "ADOF", "AROF", "ACA011021031041051061071128",
                             "RMOPE", "CIR", "POSPAS", "IDPM2", "CFSTS", "CFSBL", "VLBCB",
                             "IDOT012", "IDOB090", "TSDON", "TSDR4", "TSDSN"})
        EXPECT_TRUE(state.contains(QString::fromLatin1(line))) << line;
    // 漢 字 か な カ ナ in JIS X 0208, then full-width blanks.
    EXPECT_TRUE(state.contains(QStringLiteral("CA001") +
                               "3441"
                               "3B7A"
                               "242B"
                               "244A"
                               "252B"
                               "254A" +
                               QStringLiteral("2121").repeated(22)));
    // Day 5, entry 2: 06:11, "PAS".
    const auto sd05 = std::find_if(state.begin(), state.end(),
                                   [](const QString& s) { return s.startsWith("SD05"); });
    ASSERT_NE(sd05, state.end());
    EXPECT_EQ(sd05->mid(4, 21), QStringLiteral("0504000") + "0611PAS" + "0718019");
}

std::string route_name(Route route)
{
    switch (route) {
        case Route::tcp_client:
            return "TcpClient";
        case Route::tcp_server:
            return "TcpServer";
        case Route::rs232c:
            return "Rs232c";
        case Route::rs485:
            return "Rs485";
    }
    return {};
}

INSTANTIATE_TEST_SUITE_P(Routes, DeviceBatches,
                         ::testing::Combine(::testing::Values(Route::tcp_client, Route::tcp_server,
                                                              Route::rs232c, Route::rs485),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<Route, bool>>& p) {
                             return route_name(std::get<0>(p.param)) +
                                    (std::get<1>(p.param) ? "Fast" : "");
                         });

class DeviceFaults : public DeviceRuns {};

TEST_F(DeviceFaults, CommandErrorStopsTheRunAtTheNextTick)
{
    connect_route(Route::rs232c, {"--error-at", "40:E3"});
    ASSERT_FALSE(HasFatalFailure());
    // The serial link does not wait for answers: the stop comes one tick after the error
    // answer arrives, so the tick must be longer than the answer takes on a busy machine.
    set_pace_divisor(4);
    EXPECT_FALSE(run_dialog(set_all_without_backup()));
    EXPECT_EQ(boxes_.count("Command Error"), 1);
    const int taken = static_cast<int>(sim_.commands().size());
    EXPECT_GE(taken, 40);
    EXPECT_LE(taken, 41);  // nothing after step k+1
    EXPECT_FALSE(settings_run_active());
}

TEST_F(DeviceFaults, ModeErrorIsSilentAndTheRunGoesOn)
{
    connect_route(Route::rs232c, {"--error-at", "100:GN", "--error-at", "300:GN"});
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_TRUE(run_dialog(set_all_without_backup()));
    EXPECT_EQ(sim_.commands().size(), 310);
    EXPECT_EQ(boxes_.texts(),
              (std::vector<std::string>{"本機が自動切換えでない事を確認してください"}));
}

TEST_F(DeviceFaults, SilentSerialDeviceEndsTheRunAtTheFirstNoConnect)
{
    connect_route(Route::rs232c, {"--no-answer"});
    ASSERT_FALSE(HasFatalFailure());
    start_watchdog();
    EXPECT_FALSE(run_dialog(read_all_config()));
    EXPECT_LT(sim_.commands().size(), 311);
    EXPECT_EQ(boxes_.count("No Connect"), 1);
}

TEST_F(DeviceFaults, DisconnectInTheMiddleOfATcpRunStopsIt)
{
    connect_route(Route::tcp_client, {"--close-after", "20"});
    ASSERT_FALSE(HasFatalFailure());
    set_answer_timeout_ms(500);
    EXPECT_FALSE(run_dialog(set_all_without_backup()));
    set_answer_timeout_ms(0);
    const std::vector<std::string> texts = boxes_.texts();
    const bool told = boxes_.count("Socket 送信") > 0 || boxes_.count("Answer が､きません") > 0 ||
                      std::any_of(texts.begin(), texts.end(), [](const std::string& t) {
                          return t.find("Socket") != std::string::npos && t != "Socket 接続 OK";
                      });
    EXPECT_TRUE(told);
    EXPECT_EQ(sim_.commands().size(), 20);
}

TEST_F(DeviceFaults, BroadcastCarriesFFAndAwaitsNoAnswers)
{
    connect_route(Route::rs485);
    ASSERT_FALSE(HasFatalFailure());
    link_settings().slave_address = 32;
    model().config.device.alarm_hold_time = "077";
    start_watchdog();
    EXPECT_TRUE(run_dialog(set_all_without_backup()));
    const QStringList taken = sim_.commands();
    ASSERT_EQ(taken.size(), 310);
    for (const QString& c : taken)
        EXPECT_TRUE(c.startsWith(QStringLiteral("FF"))) << c.toStdString();
    EXPECT_EQ(boxes_.count("No Connect"), 0);
    sim_.stop();
    EXPECT_TRUE(sim_.state_lines().contains(QStringLiteral("ADT077")));
}

}  // namespace
}  // namespace velta
