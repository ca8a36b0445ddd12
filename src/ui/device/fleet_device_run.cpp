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
#include "core/device/send_plan.h"
#include "core/model/document.h"
#include "core/model/settings_backup.h"
#include "core/model/settings_file.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/peer_table.h"
#include "link/configuration_file.h"
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

    // The device's side of the program: the tool's configuration to send from, and the device's
    // answers decoded beside it, never into it.
    d.lease.release();
    d.context = DeviceContext{};
    d.context.model = model();
    d.context.link = link_settings();
    d.context.link.interface = Interface::tcp;
    d.device = model().config;
    d.device_extras = model().extras;
    d.context.decode = DecodeTarget{&d.device, &d.device_extras};
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
    read_device(d);
}

bool FleetRunDialog::run_phase(Device& d, RunSteps steps, int period_ms)
{
    const Pace pace = fast_->isChecked() ? Pace::answered : Pace::periodic;
    d.phase_steps = steps.last;
    return d.run.start(std::move(steps), period_ms, pace);
}

void FleetRunDialog::read_device(Device& d)
{
    const std::vector<std::string> queries = compare_read_queries();
    RunSteps steps = query_steps(d.context, queries);
    const int later = operation_ == FleetOperation::set_all ? k_set_all_steps : 0;
    d.bar_max = steps.last + later;
    d.bar_value = 0;
    set_phase(d, "読み込み", [queries](int step) {
        return step >= 1 && step <= static_cast<int>(queries.size())
                   ? without_line_end(queries[static_cast<std::size_t>(step - 1)])
                   : std::string();
    });
    Device* dp = &d;
    steps.progress = [dp](int step) { dp->bar_value = dp->offset + step; };
    // The next phase starts from the event loop, once this run has quite ended.
    steps.finished = [this, dp](RunEnd end) {
        if (!stopping_ || end != RunEnd::cancelled)
            QTimer::singleShot(0, this, [this, dp, end] { device_read(*dp, end); });
    };
    if (!run_phase(d, std::move(steps), k_read_all_period_ms))
        end_device(d, QStringLiteral("開始できません"));
}

namespace {

QString stopped_text(RunEnd end, const std::string& failure)
{
    if (end == RunEnd::stopped || end == RunEnd::cancelled)
        return QStringLiteral("中止");
    return failure.empty() ? QStringLiteral("エラーで止まりました") : qs(failure);
}

}  // namespace

void FleetRunDialog::device_read(Device& d, RunEnd end)
{
    if (end != RunEnd::completed) {
        end_device(d, stopped_text(end, d.failure));
        return;
    }
    if (stopping_) {
        end_device(d, QStringLiteral("中止"));
        return;
    }
    d.offset = d.bar_value;
    d.mac = d.device_extras.net_mac_address;
    if (const int r = row_of(d); r >= 0)
        table_->item(r, device_column)->setText(qs(d.endpoint + "（" + d.mac + "）"));
    std::string why;
    if (operation_ == FleetOperation::read_all) {
        const QString path = QDir(folder_).filePath(d.file_name);
        const bool saved =
            save_settings_file(QFile::encodeName(path).toStdString(), d.device, &why);
        if (!saved) {
            end_device(d, QStringLiteral("保存できませんでした（%1）").arg(qs(why)));
            return;
        }
        d.file_path = path;
        end_device(d, Success::done);
        return;
    }
    const std::string saved = save_backup(backup_folder_path().toStdString(), d.endpoint, d.device,
                                          std::chrono::system_clock::now(), &why, started_);
    if (saved.empty()) {
        end_device(d, QStringLiteral("バックアップを保存できませんでした（%1）").arg(qs(why)));
        return;
    }
    d.file_path = qs(saved);
    show_result(d);
    if (operation_ == FleetOperation::set_all) {
        RunSteps steps;
        steps.last = k_set_all_steps;
        DeviceContext* context = &d.context;
        steps.perform = [context](int step) {
            return perform_set_all_step(*context, context->model.config, step);
        };
        set_phase(d, "全項目の設定", [](int step) { return std::string(set_all_head(step)); });
        send_steps(d, std::move(steps), k_set_all_period_ms,
                   [this](Device& done) { end_device(done, Success::done); });
        return;
    }

    DeviceContext& context = d.context;
    const DeviceConfig& wanted = context.model.config;
    const std::vector<PlanStep> plan = send_plan(d.device, wanted);
    if (plan.empty()) {
        end_device(d, Success::no_differences);
        return;
    }
    if (const std::optional<SetAllRefusal> refusal = plan_refusal(wanted, plan)) {
        end_device(d, qs(set_all_refusal_text(*refusal)));
        return;
    }
    std::vector<std::string> keys;
    for (const PlanStep& s : plan) keys.insert(keys.end(), s.keys.begin(), s.keys.end());
    const std::vector<std::string> reads = read_plan(keys);
    const int sends = static_cast<int>(plan.size());
    set_phase(d, "差分の送信", [plan, reads, sends](int step) {
        if (step >= 1 && step <= sends)
            return plan[static_cast<std::size_t>(step - 1)].label;
        if (step > sends && step <= sends + static_cast<int>(reads.size()))
            return "確認 " + without_line_end(reads[static_cast<std::size_t>(step - sends - 1)]);
        return std::string();
    });
    // The plan, then the read-back of its items.
    RunSteps steps = steps_with_quiet_end(
        sends + static_cast<int>(reads.size()), [&context, plan, reads, sends](int step) {
            if (step <= sends)
                return perform_plan_step(context, context.model.config,
                                         plan[static_cast<std::size_t>(step - 1)]);
            send_command(context, reads[static_cast<std::size_t>(step - sends - 1)]);
            return StepResult::sent;
        });
    send_steps(d, std::move(steps), k_set_all_period_ms, [this, keys](Device& done) {
        // What was read back must now be what was sent.
        const std::set<std::string> sent(keys.begin(), keys.end());
        int differing = 0;
        for (const ConfigDifference& c : diff(done.device, done.context.model.config))
            differing += sent.count(c.key) > 0 ? 1 : 0;
        if (differing == 0)
            end_device(done, Success::verified);
        else
            end_device(done, QStringLiteral("%1 項目がデバイスで違っています").arg(differing));
    });
}

void FleetRunDialog::send_steps(Device& d, RunSteps steps, int period_ms,
                                std::function<void(Device& d)> completed)
{
    d.bar_max = d.offset + steps.last;
    Device* dp = &d;
    steps.progress = [dp](int step) { dp->bar_value = dp->offset + step; };
    steps.finished = [this, dp, completed = std::move(completed)](RunEnd end) {
        if (stopping_ && end == RunEnd::cancelled)
            return;
        QTimer::singleShot(0, this, [this, dp, end, completed] {
            if (end == RunEnd::completed)
                completed(*dp);
            else
                end_device(*dp, stopped_text(end, dp->failure));
        });
    };
    if (!run_phase(d, std::move(steps), period_ms))
        end_device(d, QStringLiteral("開始できません"));
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

void FleetRunDialog::device_lost(DeviceContext* context)
{
    for (auto& d : devices_) {
        if (&d->context != context || !d->active)
            continue;
        if (context_link_state(*context) == ContextLinkState::lost && d->failure.empty())
            d->failure = fleet_failure_text(
                {d->phase, d->run.done(), d->phase_steps, d->item_at(d->run.done())},
                "接続が切れました");
    }
}

}  // namespace velta
