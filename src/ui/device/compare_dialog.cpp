#include "ui/device/compare_dialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>

#include "core/common/message_boxes.h"
#include "core/device/batch_steps.h"
#include "core/device/device_job.h"
#include "core/device/send_plan.h"
#include "core/model/settings_backup.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "link/configuration_file.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/device/device_rows_widgets.h"

namespace velta {
namespace {

enum Column { item_column, tool_column, device_column, result_column };

// Titles stay in code page 932 in the differences; everything else is UTF-8.
QString value_text(const ConfigDifference& d, const std::string& text)
{
    return d.key.starts_with("title.") && text != k_text_verified ? from_cp932(text) : qs(text);
}

QString count_text(int done, int total)
{
    return QStringLiteral("（%1 / %2）").arg(done).arg(total);
}

}  // namespace

CompareDialog::CompareDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("デバイスと比較"), "デバイスと比較 ", parent)
{
    compare_ = send_button(
        QStringLiteral("start_compare"), [this] { start_compare(); }, QStringLiteral("比較"));
    stop_ = send_button(
        QStringLiteral("stop_run"), [this] { run().cancel(); }, QStringLiteral("中止"));
    stop_->setEnabled(false);
    send_ = send_button(
        QStringLiteral("send_checked"), [this] { send_checked(); },
        QStringLiteral("選択項目を送信"));
    take_ = send_button(
        QStringLiteral("take_device_values"), [this] { take_device_values(); },
        QStringLiteral("デバイスの値を取り込む"));
    send_->setEnabled(false);
    take_->setEnabled(false);

    progress_ = progress_bar(1);
    progress_->setMinimumWidth(240);
    status_ = new QLabel(QStringLiteral("「比較」でデバイスの設定を読み込みます。"));
    status_->setObjectName(QStringLiteral("status_text"));
    backup_ = new QLabel;
    backup_->setObjectName(QStringLiteral("backup_text"));
    backup_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    backup_->setWordWrap(true);

    table_ = new QTableWidget(0, 4);
    table_->setHorizontalHeaderLabels({QStringLiteral("項目"), QStringLiteral("ツールの値"),
                                       QStringLiteral("デバイスの値"), QStringLiteral("結果")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(600, 260);

    auto* top = new QHBoxLayout;
    top->addWidget(compare_);
    top->addWidget(stop_);
    top->addWidget(make_fast_box("fast_compare"));
    top->addWidget(make_slave_address_group(false));
    top->addStretch(1);
    auto* progress_row = new QHBoxLayout;
    progress_row->addWidget(progress_, 1);
    progress_row->addWidget(percent_row(percent_));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(send_);
    bottom->addWidget(take_);
    bottom->addStretch(1);
    bottom->addWidget(make_close_button());

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(progress_row);
    layout->addWidget(status_);
    layout->addWidget(table_, 1);
    layout->addWidget(backup_);
    layout->addLayout(bottom);
}

CompareDialog::CompareDialog(DeviceConfig source, const QString& source_name, QWidget* parent)
    : CompareDialog(parent)
{
    source_ = std::move(source);
    // The backup is what goes to the device; the tool's configuration stays out of it.
    take_->hide();
    auto* named = new QLabel(QStringLiteral("送信する設定: %1").arg(source_name));
    named->setObjectName(QStringLiteral("source_text"));
    named->setTextInteractionFlags(Qt::TextSelectableByMouse);
    static_cast<QVBoxLayout*>(layout())->insertWidget(0, named);
}

CompareDialog::~CompareDialog()
{
    // The run's end puts the tool's configuration back; it must not wait for the base class.
    run().cancel();
}

void CompareDialog::set_busy(bool busy)
{
    compare_->setEnabled(!busy);
    fast_box()->setEnabled(!busy);
    stop_->setEnabled(busy);
    send_->setEnabled(!busy && !rows_.empty());
    take_->setEnabled(!busy && !rows_.empty() && !source_);
    table_->setEnabled(!busy);  // the checks stay as the run took them
}

bool CompareDialog::start_steps(const JobPhase& phase,
                                std::function<void(RunEnd end, int done)> finished)
{
    done_ = 0;
    const int total = phase.steps;
    progress_->setMaximum(total + 1);
    progress_->setValue(0);
    percent_->setText(QStringLiteral("0"));
    RunSteps steps = paced_steps(program_context(), phase);
    steps.progress = [this, total](int step) {
        done_ = std::min(step, total);
        progress_->setValue(step);
        percent_->setText(QString::number(batch_percent(step, total + 1)));
    };
    // A completed run's buttons come back with its result (compared, verified).
    steps.finished = [this, finished = std::move(finished)](RunEnd end) {
        if (end != RunEnd::completed)
            set_busy(false);
        finished(end, done_);
    };
    const Pace pace = fast_chosen() ? Pace::answered : Pace::periodic;
    if (!start_run(std::move(steps), phase.period_ms, pace))
        return false;
    set_busy(true);
    return true;
}

void CompareDialog::start_compare()
{
    if (!confirm_run())
        return;
    rows_.clear();
    show_rows();
    backup_->clear();
    JobSpec spec;
    // Whatever the queries do not reach stays as the tool has it, so it shows no difference.
    spec.read_from = source();
    job_ = std::make_unique<DeviceJob>(program_context(), std::move(spec), source());
    const std::optional<JobPhase> phase = job_->begin();
    const int total = phase->steps;
    const bool started = start_steps(*phase, [this, total](RunEnd end, int done) {
        if (end != RunEnd::completed) {
            job_->next(phase_end(end, false), done);
            status_->setText((end == RunEnd::cancelled
                                  ? QStringLiteral("読み込みを中止しました")
                                  : QStringLiteral("読み込みが途中で止まりました")) +
                             count_text(done, total));
            return;
        }
        // The last answer may still wait in the event queue to be decoded: after it.
        QTimer::singleShot(0, this, [this, done] {
            job_->next(PhaseEnd::ok, done);
            device_extras_ = job_->reading_extras();
            compared(job_->reading());
        });
    });
    if (started)
        status_->setText(QStringLiteral("デバイスの設定を読み込んでいます…"));
}

void CompareDialog::compared(const DeviceConfig& device)
{
    device_ = device;
    device_reading() = device;
    rows_ = compare_rows(source(), device_);
    show_rows();
    set_busy(false);
    status_->setText(rows_.empty() ? QStringLiteral("違いはありません。")
                                   : QStringLiteral("違いは %1 項目です。").arg(rows_.size()));
}

void CompareDialog::verified(const DeviceConfig& device)
{
    device_ = device;
    device_reading() = device;
    take_checks();
    verify_rows(rows_, source(), device_);
    show_rows();
    set_busy(false);
    const auto held = std::count_if(rows_.begin(), rows_.end(), [](const CompareRow& r) {
        return r.result == k_text_verified;
    });
    const auto sent = checked_keys(rows_).size();
    status_->setText(
        held == static_cast<long>(sent)
            ? QStringLiteral("%1 項目を送信し、すべて確認しました。").arg(sent)
            : QStringLiteral("%1 項目を送信しました。%2 項目はデバイスの値が違います。")
                  .arg(sent)
                  .arg(static_cast<long>(sent) - held));
}

void CompareDialog::show_rows()
{
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        const CompareRow& row = rows_[static_cast<std::size_t>(r)];
        auto* item = new QTableWidgetItem(qs(row.item.label));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, qs(row.item.key));
        table_->setItem(r, item_column, item);
        table_->setItem(r, tool_column,
                        new QTableWidgetItem(value_text(row.item, row.item.a_text)));
        table_->setItem(r, device_column,
                        new QTableWidgetItem(value_text(row.item, row.item.b_text)));
        table_->setItem(r, result_column, new QTableWidgetItem(value_text(row.item, row.result)));
    }
    table_->resizeColumnsToContents();
    // Some room beside the widest value: wide characters are measured a little short.
    for (int c = item_column; c < result_column; ++c)
        table_->setColumnWidth(c, table_->columnWidth(c) + 16);
}

void CompareDialog::take_checks()
{
    for (int r = 0; r < table_->rowCount() && r < static_cast<int>(rows_.size()); ++r)
        rows_[static_cast<std::size_t>(r)].checked =
            table_->item(r, item_column)->checkState() == Qt::Checked;
}

void CompareDialog::send_checked()
{
    take_checks();
    if (checked_keys(rows_).empty() || !confirm_run())
        return;
    JobSpec spec;
    spec.write = JobWrite::send_plan;
    spec.verify = JobVerify::with_writes;
    spec.read_first = false;
    spec.known = device_;
    spec.backup = [this](const DeviceConfig& device) {
        JobBackup b;
        b.path =
            save_backup(backup_folder_path().toStdString(), backup_device_name(link_settings()),
                        device, std::chrono::system_clock::now(), &b.why);
        if (!b.path.empty()) {
            backup_->setText(QStringLiteral("送信前のデバイスの設定: ") + qs(b.path));
            return b;
        }
        b.go_on = ask_yes_no("VELTA",
                             "デバイスの設定のバックアップを保存できませんでした（" + b.why +
                                 "）。\nバックアップなしで送信しますか？",
                             this);
        backup_->setText(
            b.go_on ? QStringLiteral("バックアップなしで送信しました。")
                    : QStringLiteral("バックアップを保存できなかったため送信しませんでした。"));
        return b;
    };
    // The job sends from a configuration of its own: what the operator edits is not touched.
    job_ = std::make_unique<DeviceJob>(program_context(), std::move(spec),
                                       wanted_for_checked(rows_, source(), device_));
    const std::optional<JobPhase> phase = job_->begin();
    if (!phase) {
        if (const std::optional<SetAllRefusal>& r = job_->refusal())
            warning_box(set_all_refusal_text(*r), r->reason);
        return;
    }
    const int sends = static_cast<int>(job_->plan().size());
    const int total = phase->steps;
    const bool started = start_steps(*phase, [this, sends, total](RunEnd end, int done) {
        if (end != RunEnd::completed) {
            job_->next(phase_end(end, false), done);
            status_->setText((end == RunEnd::cancelled
                                  ? QStringLiteral("送信を中止しました")
                                  : QStringLiteral("送信が途中で止まりました")) +
                             QStringLiteral("（送信 %1 / %2、確認 %3 / %4）")
                                 .arg(std::min(done, sends))
                                 .arg(sends)
                                 .arg(std::max(0, done - sends))
                                 .arg(total - sends));
            return;
        }
        QTimer::singleShot(0, this, [this, done] {
            job_->next(PhaseEnd::ok, done);
            verified(job_->read_back());
        });
    });
    if (!started)
        return;
    status_->setText(QStringLiteral("選択項目を送信しています…"));
}

void CompareDialog::take_device_values()
{
    if (source_)
        return;
    take_checks();
    // Rows a send already brought to the tool's value have nothing left to take.
    const std::vector<std::string> keys = keys_to_take(rows_, model().config, device_);
    if (keys.empty()) {
        status_->setText(QStringLiteral("取り込む値はありません。"));
        return;
    }
    model().config = take_items(model().config, device_, keys);
    std::vector<CompareRow> rows = compare_rows(model().config, device_);
    keep_checks(rows, rows_);
    rows_ = std::move(rows);
    show_rows();
    set_busy(false);
    status_->setText(QStringLiteral("デバイスの値を %1 項目取り込みました。").arg(keys.size()));
}

}  // namespace velta
