// A device's job against the simulator over TCP/IP, one fault of the device at a time: how the
// job ends (its typed result and failure), and what reached the device.
#include <gtest/gtest.h>

#include <QTimer>
#include <optional>
#include <string>
#include <utility>

#include "core/device/device_compare.h"
#include "core/device/device_job.h"
#include "core/device/send_plan.h"
#include "core/wire/device_context.h"
#include "core/wire/paced_run.h"
#include "link/tcp_link.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/devsim_process.h"
#include "support/event_wait.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

constexpr int k_phase_wait_ms = 60000;

// Runs each phase of a job answer-paced on the program's context, as the dialogs do.
class JobHost {
public:
    JobHost()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { run_.tick(); });
    }

    // stop_at: the operator stops the run once this many steps of the first phase went.
    void run(DeviceJob& job, int stop_at)
    {
        std::optional<JobPhase> phase = job.begin();
        while (phase) {
            std::optional<RunEnd> end;
            int done = 0;
            RunSteps steps = paced_steps(program_context(), *phase);
            steps.progress = [&, stop_at](int step) {
                done = std::min(step, phase->steps);
                if (step == stop_at)
                    QTimer::singleShot(0, [this] { run_.stop(); });
            };
            steps.finished = [&](RunEnd e) { end = e; };
            ASSERT_TRUE(run_.start(std::move(steps), phase->period_ms, Pace::answered));
            ASSERT_TRUE(wait_in_event_loop([&] { return end.has_value(); }, k_phase_wait_ms));
            stop_at = 0;
            phase = job.next(phase_end(*end, tcp_client_state() != ClientState::connected), done);
        }
    }

private:
    QTimer timer_;
    PacedRun run_{program_context(), [this](int period) { timer_.start(period); },
                  [this] { timer_.stop(); }};
};

TEST(DeviceJobE2e, EndsAsEachFaultOfTheDeviceLeavesIt)
{
    const int reads = static_cast<int>(compare_read_queries().size());
    const int first_write = reads + 1;
    constexpr int k_written = -1;
    const struct {
        const char* name;
        QStringList fault;
        bool tool_changed;  // the tool's title 1 and hold time differ from the device
        bool backup_fails;
        int stop_at;
        JobResult result;
        JobFailure failure;
        int commands;  // that reached the device; k_written: the read, the plan, its read-back
    } cases[] = {
        {"sent and read back",
         {},
         true,
         false,
         0,
         JobResult::verified,
         JobFailure::none,
         k_written},
        {"nothing differs",
         {},
         false,
         false,
         0,
         JobResult::no_differences,
         JobFailure::none,
         reads},
        {"error answer while read",
         {"--error-at", "5:E3"},
         true,
         false,
         0,
         JobResult::failed,
         JobFailure::read,
         5},
        {"no answer while read",
         {"--no-answer-at", "7"},
         true,
         false,
         0,
         JobResult::failed,
         JobFailure::read,
         7},
        {"stored another value",
         {"--store-wrong-at", QString::number(first_write)},
         true,
         false,
         0,
         JobResult::failed,
         JobFailure::differs,
         k_written},
        {"error answer to a write",
         {"--error-at", QStringLiteral("%1:E3").arg(first_write)},
         true,
         false,
         0,
         JobResult::failed,
         JobFailure::write,
         first_write},
        {"link closed while read",
         {"--close-after", "10"},
         true,
         false,
         0,
         JobResult::connection_lost,
         JobFailure::read,
         10},
        {"backup not written", {}, true, true, 0, JobResult::failed, JobFailure::backup, reads},
        {"stopped by the operator", {}, true, false, 3, JobResult::stopped, JobFailure::none, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_for_test();
        BoxRecorder boxes;
        set_answer_timeout_ms(300);
        DevSimProcess sim;
        ASSERT_TRUE(sim.start(QStringList{"--listen", "127.0.0.1:0"} + c.fault));
        ASSERT_TRUE(connect_tcp_client_to(sim.first_line()));

        DeviceConfig wanted;
        if (c.tool_changed) {
            wanted.pages.page_title[0] = to_cp932(QStringLiteral("仕事"));
            wanted.device.alarm_hold_time = "077";
        }
        JobSpec spec;
        spec.write = JobWrite::send_plan;
        spec.verify = JobVerify::with_writes;
        spec.read_from = wanted;
        int backups = 0;
        spec.backup = [&](const DeviceConfig&) {
            ++backups;
            return c.backup_fails ? JobBackup{"", "full", false}
                                  : JobBackup{"backup.dat", "", false};
        };
        DeviceJob job(program_context(), std::move(spec), wanted);
        JobHost host;
        host.run(job, c.stop_at);

        EXPECT_EQ(job.result(), c.result);
        EXPECT_EQ(job.failure(), c.failure);
        const int sent = static_cast<int>(job.plan().size() + read_plan(job.sent_keys()).size());
        const int taken = c.commands == k_written ? reads + sent : c.commands;
        // The device logs a command once it has read it; the last may still be on its way.
        (void)wait_in_event_loop([&] { return sim.commands().size() >= taken; }, 5000);
        EXPECT_EQ(sim.commands().size(), taken);
        // A backup is kept once the device was read, before anything is written to it.
        EXPECT_EQ(backups, job.read_done() ? 1 : 0);
        if (c.result == JobResult::verified) {
            EXPECT_EQ(job.plan().size(), 2u);
            EXPECT_EQ(job.read_back().device.alarm_hold_time, "077");
            EXPECT_EQ(job.reading().device.alarm_hold_time, DeviceConfig{}.device.alarm_hold_time);
        }
        if (c.failure == JobFailure::differs) {
            EXPECT_EQ(job.differing(), 1);
        }
        // The program's own configuration is never decoded into.
        EXPECT_EQ(model().config.device.alarm_hold_time, DeviceConfig{}.device.alarm_hold_time);
        disconnect_all();
    }
    set_answer_timeout_ms(0);
    reset_for_test();
}

}  // namespace
}  // namespace velta
