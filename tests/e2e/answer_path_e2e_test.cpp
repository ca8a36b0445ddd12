// How answers come back from the device simulator: each fault it can inject ends its command in
// exactly one outcome of the right kind, and a read-all can be decoded into a configuration
// other than the one being edited.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <utility>
#include <vector>

#include "core/device/batch_steps.h"
#include "core/device/config_diff.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "core/wire/reply_dispatcher.h"
#include "core/wire/watchdog.h"
#include "link/serial_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

class AnswerPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        reset_for_test();
        qputenv("XDG_CONFIG_HOME", config_dir_.path().toUtf8());
        set_answer_timeout_ms(500);
        outcomes_.clear();
        velta::program_context().outcome_observer = [this](const Outcome& o) {
            outcomes_.push_back(o);
        };
    }
    void TearDown() override
    {
        velta::program_context().outcome_observer = {};
        disconnect_all();
        close_serial_port();
        set_answer_timeout_ms(0);
        velta::program_context().hooks = {};
        reset_for_test();
    }

    void open_serial(const QStringList& faults)
    {
        ASSERT_TRUE(sim_.start(QStringList{"--pty"} + faults));
        QDir().mkpath(config_dir_.filePath(QStringLiteral("velta")));
        QFile ini(config_dir_.filePath(QStringLiteral("velta/velta.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[VELTA_Section]\ncom_path0=" + sim_.first_line().toUtf8() + "\n");
        ini.close();
        link_settings().com_port_index = 0;
        ASSERT_TRUE(open_serial_port(program_context()));
    }

    // Sends the version query and waits for its outcome; on the serial link the watchdog runs
    // out once the answer is clearly not coming.
    void ask_version()
    {
        const std::size_t before = outcomes_.size();
        send_command(program_context(), "RVN\r\n");
        const bool serial = link_settings().interface == Interface::serial;
        if (QTest::qWaitFor([&] { return outcomes_.size() > before; },
                            serial ? 1500 : k_devsim_wait_ms) ||
            !serial)
            return;
        for (int tick = 0; tick <= k_watchdog_limit + 1; ++tick) watchdog_tick(program_context());
    }

    QTemporaryDir config_dir_;
    DevSimProcess sim_;
    BoxRecorder boxes_;
    std::vector<Outcome> outcomes_;
};

struct FaultCase {
    const char* name;
    bool serial;
    QStringList faults;  // on the second of three version queries
    OutcomeKind second;
    int error = -1;
};

TEST_F(AnswerPath, EachFaultEndsItsCommandInOneOutcome)
{
    const FaultCase cases[] = {
        {"E1", false, {"--error-at", "2:E1"}, OutcomeKind::error_answer, 1},
        {"E3 serial", true, {"--error-at", "2:E3"}, OutcomeKind::error_answer, 3},
        {"GN", false, {"--error-at", "2:GN"}, OutcomeKind::mode_error},
        {"MENU", true, {"--error-at", "2:MENU"}, OutcomeKind::menu},
        {"no answer", false, {"--no-answer-at", "2"}, OutcomeKind::timed_out},
        {"no answer serial", true, {"--no-answer-at", "2"}, OutcomeKind::no_answer},
        {"garbage", false, {"--garbage-at", "2"}, OutcomeKind::data_reply},
        {"garbage serial", true, {"--garbage-at", "2"}, OutcomeKind::data_reply},
    };
    for (const FaultCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        sim_.stop();
        SetUp();
        if (c.serial) {
            open_serial(c.faults);
        } else {
            ASSERT_TRUE(sim_.start(QStringList{"--listen", "127.0.0.1:0"} + c.faults));
            ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
        }
        ASSERT_FALSE(HasFatalFailure());
        for (int i = 0; i < 3; ++i) ask_version();
        QTest::qWait(100);  // anything more would come now
        ASSERT_EQ(outcomes_.size(), 3u);
        EXPECT_EQ(outcomes_[0].kind, OutcomeKind::data_reply);
        EXPECT_EQ(outcomes_[1].kind, c.second);
        EXPECT_EQ(outcomes_[1].error, c.error);
        EXPECT_EQ(outcomes_[2].kind, OutcomeKind::data_reply);
    }
}

TEST_F(AnswerPath, ALostOrMissingLinkIsNotConnected)
{
    link_settings().interface = Interface::tcp;
    send_command(program_context(), "RVN\r\n");
    ASSERT_TRUE(sim_.start({"--listen", "127.0.0.1:0", "--close-after", "1"}));
    ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));
    ask_version();
    ASSERT_TRUE(
        QTest::qWaitFor([] { return link_status().socket_connected == 0; }, k_devsim_wait_ms));
    send_command(program_context(), "RVN\r\n");
    ASSERT_EQ(outcomes_.size(), 3u);
    EXPECT_EQ(outcomes_[0].kind, OutcomeKind::not_connected);
    EXPECT_EQ(outcomes_[1].kind, OutcomeKind::data_reply);
    EXPECT_EQ(outcomes_[2].kind, OutcomeKind::not_connected);
    EXPECT_EQ(boxes_.count(std::string(k_text_not_connected)), 2);
}

TEST_F(AnswerPath, ReadAllIntoASecondConfigurationLeavesTheEditedOneAlone)
{
    QFile state(config_dir_.filePath(QStringLiteral("device.txt")));
    ASSERT_TRUE(state.open(QIODevice::WriteOnly));
    state.write(
        "ADT045\nTSDON\nVLBCB\nCFSTS\nPOSPAS\nACA011021031041051061071128\n"
        "CA002" +
        QByteArray("3441").repeated(28) + "\nSD05" + QByteArray("0611PAS").repeated(24) + "\n");
    state.close();
    ASSERT_TRUE(sim_.start({"--listen", "127.0.0.1:0", "--state-in", state.fileName()}));
    ASSERT_TRUE(connect_tcp_client_to(sim_.first_line()));

    model().config.pages.page_title[0] = "edited";
    const DeviceConfig edited = model().config;
    const DeviceExtras edited_extras = model().extras;
    DeviceConfig device;
    DeviceExtras device_extras;
    std::size_t queries = 1;
    {
        DecodeInto into(program_context(), device, device_extras);
        for (int step = 1; step < k_read_all_steps; ++step) {
            const std::string query = read_all_query(step);
            if (!query.empty()) {
                send_command(program_context(), query);
                ++queries;
            }
        }
        send_command(program_context(), "RVN\r\n");
        ASSERT_TRUE(QTest::qWaitFor([&] { return outcomes_.size() == queries; }, k_devsim_wait_ms));
    }
    QTest::qWait(50);  // nothing more comes
    EXPECT_EQ(outcomes_.size(), queries);
    for (const Outcome& o : outcomes_) EXPECT_EQ(o.kind, OutcomeKind::data_reply) << o.item;
    EXPECT_TRUE(model().config == edited);
    EXPECT_TRUE(model().extras == edited_extras);

    DeviceConfig want;
    DeviceSettings& d = want.device;
    d.alarm_hold_time = "045";
    d.clock_display = 1;
    d.video_loss_background = 1;
    d.upper_font_size = 0;
    d.power_on_page = k_page_pas;
    d.connector_assignment = {10, 20, 30, 40, 50, 60, 70, 127};
    d.schedule_hour[4].fill(6);
    d.schedule_minute[4].fill(11);
    d.schedule_page[4].fill(k_page_pas);
    for (int i = 0; i < 28; ++i) want.pages.page_title[1] += "\x8a\xbf";  // 漢
    EXPECT_TRUE(device == want);
    for (const ConfigDifference& item : diff(device, want))
        ADD_FAILURE() << item.key << ": " << item.a_text << " / " << item.b_text;
    EXPECT_EQ(device_extras.firmware_version, "1.32");
}

}  // namespace
}  // namespace velta
