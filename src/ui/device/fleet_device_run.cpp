// "全デバイスで実行": each device's run, from its read through the backup and the set-all or the
// send plan to its verification, in the device's own context, and how it ends.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <utility>

#include "core/common/message_boxes.h"
#include "core/device/batch_steps.h"
#include "core/device/config_diff.h"
#include "core/device/device_compare.h"
#include "core/device/device_job.h"
#include "core/device/send_plan.h"
#include "core/model/document.h"
#include "core/model/settings_backup.h"
#include "core/model/settings_file.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/peer_table.h"
#include "link/configuration_file.h"
#include "link/device_link.h"
#include "link/tcp_link.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"
#include "ui/device/fleet_device.h"
#include "ui/device/fleet_texts.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

using namespace fleet_rows;

void FleetRunDialog::start_device(Device& d)
{
    d.active = true;
    d.failure.clear();
    d.result = QStringLiteral("実行中");
    d.file_path.clear();
    d.offset = 0;
    show_result(d);

    // The device's side of the program: the tool's configuration to send from; the device's
    // answers are decoded into the job's own configurations, never into it.
    d.job.reset();
    d.lease.release();
    d.context = DeviceContext{};
    d.context.model = model();
    d.context.link = link_settings();
    d.context.link.interface = Interface::tcp;
    Device* dp = &d;
    // A failed command is told with its step and what it sent, as the first failure.
    d.context.outcome_observer = [dp](const Outcome& o) {
        const std::string reason = o.late ? std::string() : fleet_failure_reason(o);
        if (!reason.empty() && dp->failure.empty())
            dp->failure = fleet_failure_text(
                {dp->phase, dp->run.done(), dp->phase_steps, dp->item_at(dp->run.done())}, reason);
    };
    d.context.presenter = [this, dp](const Box& box) {
        if (box.buttons == BoxButtons::yes_no)
            return BoxAnswer::no;  // nobody is asked on a device's behalf
        if (box.kind != BoxKind::info && dp->failure.empty()) {
            dp->failure = box.text;
            if (!box.detail.empty())
                dp->failure += "（" + box.detail + "）";
        }
        return BoxAnswer::ok;
    };
    if (peer(d.slot).in_use != 1 || peer(d.slot).address != d.address ||
        !bind_peer_to_context(d.slot, d.context)) {
        end_device(d, QStringLiteral("接続されていません"));
        return;
    }
    d.lease = ContextLease(d.context);
    // The link goes with the lease, and its notices with it.
    if (DeviceLink* link = device_link(d.context))
        connect(link, &DeviceLink::stateChanged, this, [this, dp](DeviceLinkState state) {
            if (state == DeviceLinkState::lost)
                device_lost(*dp);
        });

    JobSpec spec;
    spec.read_from = model().config;  // what the queries do not reach shows no difference
    if (operation_ != FleetOperation::read_all) {
        spec.write =
            operation_ == FleetOperation::set_all ? JobWrite::set_all : JobWrite::send_plan;
        if (operation_ == FleetOperation::sync)
            spec.verify = JobVerify::with_writes;
        spec.backup = [this, dp](const DeviceConfig& device) {
            JobBackup b;
            b.path = save_backup(backup_folder_path().toStdString(), dp->endpoint, device,
                                 std::chrono::system_clock::now(), &b.why, started_);
            if (!b.path.empty()) {
                dp->file_path = qs(b.path);
                show_result(*dp);
            }
            return b;
        };
    }
    d.job = std::make_unique<DeviceJob>(d.context, std::move(spec), d.context.model.config);
    run_job_phase(d, d.job->begin());
}

namespace {

QString stopped_text(RunEnd end, const std::string& failure)
{
    if (end == RunEnd::stopped || end == RunEnd::cancelled)
        return QStringLiteral("中止");
    return failure.empty() ? QStringLiteral("エラーで止まりました") : qs(failure);
}

// What a phase is called in a failure's text, and what each of its steps sends.
std::string phase_name(JobStage stage, FleetOperation operation)
{
    if (stage == JobStage::read)
        return "読み込み";
    return operation == FleetOperation::set_all ? "全項目の設定" : "差分の送信";
}

}  // namespace

void FleetRunDialog::run_job_phase(Device& d, std::optional<JobPhase> phase)
{
    if (!phase) {
        job_ended(d);
        return;
    }
    const JobStage stage = phase->stage;
    const int steps = phase->steps;
    auto info = phase->info;
    set_phase(d, phase_name(stage, operation_), [info, steps, stage](int step) {
        if (step < 1 || step > steps)
            return std::string();
        const JobStepInfo i = info(step);
        if (!i.query)
            return i.text;
        return (stage == JobStage::read ? "" : "確認 ") + without_line_end(i.text);
    });
    RunSteps run = paced_steps(d.context, *phase);
    if (stage == JobStage::read) {
        const int later = operation_ == FleetOperation::set_all ? k_set_all_steps : 0;
        d.bar_max = run.last + later;
        d.bar_value = 0;
    } else {
        d.offset = d.bar_value;
        d.bar_max = d.offset + run.last;
    }
    Device* dp = &d;
    run.progress = [dp](int step) { dp->bar_value = dp->offset + step; };
    // The next phase starts from the event loop, once this run has quite ended.
    run.finished = [this, dp](RunEnd end) {
        if (stopping_ && end == RunEnd::cancelled)
            return;
        QTimer::singleShot(0, this, [this, dp, end] { phase_ended(*dp, end); });
    };
    const Pace pace = fast_->isChecked() ? Pace::answered : Pace::periodic;
    d.phase_steps = run.last;
    if (!d.run.start(std::move(run), phase->period_ms, pace))
        end_device(d, QStringLiteral("開始できません"));
}

void FleetRunDialog::phase_ended(Device& d, RunEnd end)
{
    if (!d.job || !d.active)
        return;
    if (end == RunEnd::completed && stopping_ && d.job->stage() == JobStage::read) {
        end_device(d, QStringLiteral("中止"));
        return;
    }
    const PhaseEnd how = phase_end(end, context_link_state(d.context) == ContextLinkState::lost);
    if (end == RunEnd::completed && d.job->stage() == JobStage::read) {
        d.mac = d.job->reading_extras().net_mac_address;
        if (const int r = row_of(d); r >= 0)
            table_->item(r, device_column)->setText(qs(d.endpoint + "（" + d.mac + "）"));
    }
    d.last_end = end;
    run_job_phase(d, d.job->next(how, d.run.done()));
}

void FleetRunDialog::job_ended(Device& d)
{
    const DeviceJob& job = *d.job;
    switch (job.result()) {
        case JobResult::running:
            return;
        case JobResult::done:
            if (operation_ == FleetOperation::read_all) {
                const QString path = QDir(folder_).filePath(d.file_name);
                std::string why;
                if (!save_settings_file(QFile::encodeName(path).toStdString(), job.reading(),
                                        &why)) {
                    end_device(d, QStringLiteral("保存できませんでした（%1）").arg(qs(why)));
                    return;
                }
                d.file_path = path;
            }
            end_device(d, Success::done);
            return;
        case JobResult::no_differences:
            end_device(d, Success::no_differences);
            return;
        case JobResult::verified:
            end_device(d, Success::verified);
            return;
        case JobResult::stopped:
        case JobResult::failed:
        case JobResult::connection_lost:
            break;
    }
    switch (job.failure()) {
        case JobFailure::refused:
            end_device(d, qs(set_all_refusal_text(*job.refusal())));
            return;
        case JobFailure::backup:
            end_device(d, QStringLiteral("バックアップを保存できませんでした（%1）")
                              .arg(qs(job.backup().why)));
            return;
        case JobFailure::differs:
            end_device(d, QStringLiteral("%1 項目がデバイスで違っています").arg(job.differing()));
            return;
        default:
            end_device(d, stopped_text(d.last_end, d.failure));
            return;
    }
}

void FleetRunDialog::end_device(Device& d, Success how)
{
    switch (how) {
        case Success::done:
            // A success notice stays quiet; a message the run went on past is kept beside it.
            finish_row(d,
                       d.failure.empty() ? QStringLiteral("完了")
                                         : QStringLiteral("完了（%1）").arg(qs(d.failure)),
                       true);
            return;
        case Success::no_differences:
            finish_row(d, QStringLiteral("差分なし"), true);
            return;
        case Success::verified:
            finish_row(d, QStringLiteral("確認済み"), true);
            return;
    }
}

void FleetRunDialog::end_device(Device& d, const QString& failure)
{
    finish_row(d, failure, false);
}

void FleetRunDialog::finish_row(Device& d, const QString& result, bool succeeded)
{
    if (!d.active)
        return;
    d.active = false;
    d.result = result;
    if (succeeded)
        d.bar_value = d.bar_max;
    show_result(d);
    d.lease.release();  // the peer is the program's again
    if (--active_ == 0)
        set_busy(false);
}

void FleetRunDialog::device_lost(Device& d)
{
    if (d.active && d.failure.empty())
        d.failure = fleet_failure_text(
            {d.phase, d.run.done(), d.phase_steps, d.item_at(d.run.done())}, "接続が切れました");
}

}  // namespace velta
