#include "ui/widgets/settings_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/dispatch_turns.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"
#include "core/wire/reply_dispatcher.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

SettingsDialog::SettingsDialog(const QString& window_title, const std::string& caption_text,
                               QWidget* parent)
    : QDialog(parent),
      run_(
          program_context(), [this](int period) { run_timer_.start(period); },
          [this] { run_timer_.stop(); })
{
    const std::string address = selected_peer_address(link_settings());
    setWindowTitle(address.empty() ? window_title : qs(caption_text + address));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    connect(&run_timer_, &QTimer::timeout, this, [this] { run_.tick(); });
}

SettingsDialog::~SettingsDialog()
{
    run_.cancel();
}

QGroupBox* SettingsDialog::make_slave_address_group(bool with_broadcast)
{
    slave_list_ = bound_combo(
        slave_address_items(with_broadcast), [] { return link_settings().slave_address; },
        [](int index) { link_settings().slave_address = index; });
    const LinkSettings& l = link_settings();
    const bool enabled = l.interface == Interface::serial && l.rs485;
    slave_list_->setEnabled(enabled);
    if (!enabled)
        select_quietly(slave_list_, -1);
    return group_row(QStringLiteral("スレーブアドレス"), {slave_list_});
}

QPushButton* SettingsDialog::make_close_button(const QString& text)
{
    close_button_ = new QPushButton(text);
    close_button_->setAutoDefault(false);
    connect(close_button_, &QPushButton::clicked, this, [this] {
        if (!run_.running())
            accept();
    });
    return close_button_;
}

QPushButton* SettingsDialog::make_stop_button()
{
    stop_button_ = new QPushButton(QStringLiteral("中止"));
    stop_button_->setObjectName(QStringLiteral("stop_run"));
    stop_button_->setAutoDefault(false);
    stop_button_->setEnabled(false);
    connect(stop_button_, &QPushButton::clicked, this, [this] { stop_run(); });
    return stop_button_;
}

QLabel* SettingsDialog::make_stop_note()
{
    stop_note_ = new QLabel;
    stop_note_->setObjectName(QStringLiteral("stop_note"));
    return stop_note_;
}

QCheckBox* SettingsDialog::make_fast_box(std::string_view key)
{
    fast_box_ = new QCheckBox(QStringLiteral("高速"));
    fast_box_->setObjectName(QStringLiteral("fast_run"));
    fast_box_->setChecked(read_configuration_flag(key));
    // Only the operator's own clicks are remembered.
    connect(fast_box_, &QCheckBox::clicked, this,
            [key = std::string(key)](bool on) { write_configuration_flag(key, on); });
    return fast_box_;
}

bool SettingsDialog::fast_chosen() const
{
    return fast_box_ && fast_box_->isChecked();
}

void SettingsDialog::stop_run()
{
    if (!run_.running())
        return;
    const int done = run_.done();
    run_.stop();
    note_stopped(done, run_steps_);
}

void SettingsDialog::enable_stop(bool enabled)
{
    if (stop_button_)
        stop_button_->setEnabled(enabled);
    if (enabled && stop_note_)
        stop_note_->clear();
}

void SettingsDialog::note_stopped(int done, int total)
{
    if (stop_note_)
        stop_note_->setText(QStringLiteral("中止しました（%1 / %2）").arg(done).arg(total));
}

bool SettingsDialog::confirm_run()
{
    if (!confirm_not_auto_switching(this))
        return false;
    if (!link_ready(program_context())) {
        warning_box(k_text_not_connected);
        return false;
    }
    return true;
}

bool SettingsDialog::start_run(RunSteps steps, int period_ms, Pace pace)
{
    auto finished = std::move(steps.finished);
    steps.finished = [this, finished = std::move(finished)](RunEnd end) {
        if (close_button_)
            close_button_->setEnabled(true);
        if (fast_box_)
            fast_box_->setEnabled(true);
        enable_stop(false);
        if (finished)
            finished(end);
    };
    const int last = steps.last;
    if (!run_.start(std::move(steps), period_ms, pace))
        return false;
    run_steps_ = last;
    if (close_button_)
        close_button_->setEnabled(false);
    if (fast_box_)
        fast_box_->setEnabled(false);
    enable_stop(true);
    return true;
}

void SettingsDialog::reject()
{
    if (!holds_open())
        QDialog::reject();
}

void SettingsDialog::closeEvent(QCloseEvent* e)
{
    if (holds_open()) {
        e->ignore();
        return;
    }
    QDialog::closeEvent(e);
}

}  // namespace velta
