#include "ui/device/batch_run_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "core/common/message_boxes.h"
#include "core/device/batch_steps.h"
#include "core/device/device_compare.h"
#include "core/device/device_job.h"
#include "core/device/file_menu.h"
#include "core/model/settings_backup.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"

namespace velta {

BatchRunConfig set_all_config()
{
    BatchRunConfig c;
    c.window_title = QStringLiteral("全項目の設定");
    c.caption_text = "全項目の設定";
    c.start_text = QStringLiteral("設定");
    c.steps = k_set_all_steps;
    c.period_ms = k_set_all_period_ms;
    c.perform = [](int step) {
        return perform_set_all_step(program_context(), model().config, step);
    };
    c.may_start = [] { return set_all_may_start(model().config); };
    c.backup_first = true;
    c.fast_key = "fast_set_all";
    c.done_text = QStringLiteral("%1 項目を設定しました。");
    c.items = k_set_all_steps;
    return c;
}

BatchRunConfig read_all_config()
{
    BatchRunConfig c;
    c.window_title = QStringLiteral("全項目の読み込み");
    c.caption_text = "設定項目の読み込み";
    c.start_text = QStringLiteral("読み込み");
    c.with_broadcast = false;
    c.steps = k_read_all_steps;
    c.period_ms = k_read_all_period_ms;
    c.perform = [](int step) { return perform_read_all_step(program_context(), step); };
    c.fast_key = "fast_read_all";
    c.done_text = QStringLiteral("%1 項目を読み込みました。");
    c.items = k_read_all_steps - 1;  // the last step only waits for the last answer
    // The device's values replace what is being edited, so unsaved edits are asked about first.
    c.may_start = [] { return read_all_may_replace_unsaved(model().config); };
    return c;
}

BatchRunDialog::BatchRunDialog(BatchRunConfig config, QWidget* parent)
    : SettingsDialog(config.window_title, config.caption_text, parent), config_(std::move(config))
{
    start_ = send_button(
        QStringLiteral("start_run"), [this] { start(); }, config_.start_text);
    progress_ = progress_bar(config_.steps);
    progress_->setMinimumWidth(240);

    auto* top = new QHBoxLayout;
    top->addWidget(start_);
    top->addWidget(make_fast_box(config_.fast_key));
    top->addWidget(make_slave_address_group(config_.with_broadcast));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(progress_, 1);
    bottom->addWidget(percent_row(percent_));
    bottom->addWidget(make_stop_button());
    bottom->addWidget(make_close_button());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
    layout->addWidget(make_stop_note());
    if (config_.backup_first) {
        backup_ =
            new QLabel(QStringLiteral("設定の前にデバイスの設定を読み込み、バックアップします。"));
        backup_->setObjectName(QStringLiteral("backup_text"));
        backup_->setTextInteractionFlags(Qt::TextSelectableByMouse);
        backup_->setWordWrap(true);
        layout->addWidget(backup_);
    }
}

void BatchRunDialog::start()
{
    if (run_active())
        return;
    if (config_.may_start && !config_.may_start())
        return;
    if (!confirm_run())
        return;
    if (config_.backup_first)
        read_backup();
    else
        start_steps();
}

void BatchRunDialog::read_backup()
{
    JobSpec spec;
    spec.read_from = model().config;  // what the queries do not reach stays as the tool has it
    backup_read_ = std::make_unique<DeviceJob>(program_context(), std::move(spec), model().config);
    const std::optional<JobPhase> phase = backup_read_->begin();
    RunSteps steps = paced_steps(program_context(), *phase);
    const int total = phase->steps;
    auto done = std::make_shared<int>(0);
    steps.progress = [this, done, total](int step) {
        *done = std::min(step, total);
        progress_->setValue(step);
        percent_->setText(QString::number(batch_percent(step, total + 1)));
    };
    // The set-all run starts from the event loop, once this run has quite ended.
    steps.finished = [this, done, total](RunEnd end) {
        QTimer::singleShot(
            0, this, [this, end, done = *done, total] { backup_read_ended(end, done, total); });
    };
    progress_->setMaximum(total + 1);
    progress_->setValue(0);
    const Pace pace = fast_chosen() ? Pace::answered : Pace::periodic;
    if (start_run(std::move(steps), phase->period_ms, pace))
        backup_->setText(QStringLiteral("バックアップのためデバイスの設定を読み込んでいます…"));
    else
        backup_read_.reset();
}

void BatchRunDialog::backup_read_ended(RunEnd end, int done, int total)
{
    backup_read_->next(phase_end(end, false), done);
    percent_->setText(QStringLiteral("   "));
    std::string failure;
    std::string saved;
    if (backup_read_->result() != JobResult::done) {
        failure = "デバイスの設定の読み込みが途中で止まりました（" + std::to_string(done) + " / " +
                  std::to_string(total) + "）";
    } else {
        std::string why;
        saved = save_backup(backup_folder_path().toStdString(), backup_device_name(link_settings()),
                            backup_read_->reading(), std::chrono::system_clock::now(), &why);
        if (saved.empty())
            failure = "バックアップを保存できませんでした（" + why + "）";
    }
    backup_read_.reset();
    if (!failure.empty()) {
        // The operator's "中止" stops the whole set-all, not only its backup read.
        if (end == RunEnd::cancelled || end == RunEnd::stopped ||
            !ask_yes_no("VELTA", failure + "。\nバックアップなしで設定を続けますか？", this)) {
            backup_->setText(qs(failure) + QStringLiteral("。設定しませんでした。"));
            return;
        }
        backup_->setText(qs(failure) + QStringLiteral("。バックアップなしで設定します。"));
    } else {
        backup_->setText(QStringLiteral("設定前のデバイスの設定: ") +
                         QString::fromStdString(saved));
    }
    adjustSize();
    start_steps();
}

void BatchRunDialog::start_steps()
{
    RunSteps steps;
    steps.last = config_.steps;
    steps.perform = config_.perform;
    auto done = std::make_shared<int>(0);
    show_progress(steps, progress_, percent_, config_.steps, [] {});
    steps.progress = [done, shown = std::move(steps.progress)](int step) {
        *done = step;
        shown(step);
    };
    steps.finished = [this, done, alive = alive_, shown = std::move(steps.finished)](RunEnd end) {
        shown(end);
        if (*alive)
            run_ended(end, *done);
    };
    const Pace pace = fast_chosen() ? Pace::answered : Pace::periodic;
    if (start_run(std::move(steps), config_.period_ms, pace)) {
        progress_->setMaximum(config_.steps);
        progress_->setValue(0);
    }
}

// The dialog stays open with the result, so that a run that went in a moment still shows what it
// did and which backup it kept; "中止" has written its own note.
void BatchRunDialog::run_ended(RunEnd end, int done)
{
    if (end == RunEnd::completed)
        stop_note()->setText(QStringLiteral("完了：") + config_.done_text.arg(config_.items));
    else if (end == RunEnd::stopped_on_error || end == RunEnd::ended_on_failure)
        stop_note()->setText(
            QStringLiteral("途中で止まりました（%1 / %2）").arg(done).arg(config_.steps));
    // The notes may have grown by a line or two: room for them, without squeezing the lists.
    adjustSize();
}

}  // namespace velta
