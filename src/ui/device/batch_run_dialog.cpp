#include "ui/device/batch_run_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/device/batch_steps.h"
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
    c.perform = perform_set_all_step;
    c.may_start = set_all_may_start;
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
    c.perform = perform_read_all_step;
    return c;
}

BatchRunDialog::BatchRunDialog(BatchRunConfig config, QWidget* parent)
    : SettingsDialog(config.window_title, config.caption_text, parent), config_(std::move(config))
{
    start_ = send_button(
        QStringLiteral("start_run"), [this] { start(); }, config_.start_text);
    fast_ = new QCheckBox(QStringLiteral("高速"));
    fast_->setObjectName(QStringLiteral("fast_run"));
    progress_ = progress_bar(config_.steps);
    progress_->setMinimumWidth(240);

    auto* top = new QHBoxLayout;
    top->addWidget(start_);
    top->addWidget(fast_);
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
}

void BatchRunDialog::start()
{
    if (config_.may_start && !config_.may_start())
        return;
    if (!confirm_run())
        return;
    RunSteps steps;
    steps.last = config_.steps;
    steps.perform = config_.perform;
    // Stopped, the dialog stays open with the progress where it stopped; done, it closes.
    show_progress(steps, progress_, percent_, config_.steps, [this] { accept(); });
    const Pace pace = fast_->isChecked() ? Pace::answered : Pace::periodic;
    if (start_run(std::move(steps), config_.period_ms, pace))
        progress_->setValue(0);
}

}  // namespace velta
