#include "ui/device/fleet_run_dialog.h"

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
namespace {

constexpr int k_progress_period_ms = 100;

// A row's progress is drawn from its item's data, not by a bar widget of its own: a widget a
// row costs its creation on arrival and a repaint of its own on every change, 96 times over.
class ProgressDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        QStyleOptionProgressBar bar;
        bar.initFrom(option.widget);
        bar.rect = option.rect.adjusted(2, 2, -2, -2);
        bar.state |= QStyle::State_Horizontal;
        bar.minimum = 0;
        bar.maximum = std::max(1, index.data(FleetRunDialog::k_progress_max_role).toInt());
        bar.progress = index.data(FleetRunDialog::k_progress_value_role).toInt();
        bar.textVisible = true;
        bar.text = QStringLiteral("%1%").arg(100 * bar.progress / bar.maximum);
        QApplication::style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
    }
};

std::optional<QString> platform_folder_dialog(QWidget* owner)
{
    const QString folder =
        QFileDialog::getExistingDirectory(owner, QStringLiteral("保存先フォルダの選択"));
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

FleetFolderChooser& folder_chooser()
{
    static FleetFolderChooser c = platform_folder_dialog;
    return c;
}

}  // namespace

FleetFolderChooser set_fleet_folder_chooser(FleetFolderChooser chooser)
{
    return std::exchange(folder_chooser(),
                         chooser ? std::move(chooser) : FleetFolderChooser(platform_folder_dialog));
}

// A device's check can be changed while it is connected and no run goes.
Qt::ItemFlags FleetRunDialog::row_flags(const Device& d, bool busy)
{
    if (!d.connected)
        return Qt::NoItemFlags;
    return busy ? Qt::ItemIsUserCheckable : Qt::ItemIsEnabled | Qt::ItemIsUserCheckable;
}

FleetRunDialog::FleetRunDialog(QWidget* parent)
    : SettingsDialog(QStringLiteral("全デバイスで実行"), "全デバイスで実行", parent)
{
    // Every device is named in its row: the caption names none.
    setWindowTitle(QStringLiteral("全デバイスで実行"));

    set_all_ = new QRadioButton(QStringLiteral("全項目の設定"));
    sync_ = new QRadioButton(QStringLiteral("差分のみ送信"));
    read_all_ = new QRadioButton(QStringLiteral("全項目の読み込み"));
    set_all_->setChecked(true);
    auto* operations = new QGroupBox(QStringLiteral("実行する操作"));
    auto* op_layout = new QVBoxLayout(operations);
    for (QRadioButton* b : {set_all_, sync_, read_all_}) op_layout->addWidget(b);

    table_ = new QTableWidget(0, 4);
    table_->setHorizontalHeaderLabels({QStringLiteral("デバイス"), QStringLiteral("進行"),
                                       QStringLiteral("結果"), QStringLiteral("ファイル")});
    table_->verticalHeader()->hide();
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->horizontalHeader()->setSectionResizeMode(device_column, QHeaderView::ResizeToContents);
    table_->setColumnWidth(progress_column, 120);
    table_->setItemDelegateForColumn(progress_column, new ProgressDelegate(table_));
    table_->setColumnWidth(result_column, 240);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(920, 200);
    progress_timer_ = new QTimer(this);
    connect(progress_timer_, &QTimer::timeout, this, &FleetRunDialog::show_progress);

    start_ = new QPushButton(QStringLiteral("開始"));
    start_->setObjectName(QStringLiteral("start_run"));
    start_->setAutoDefault(false);
    connect(start_, &QPushButton::clicked, this, &FleetRunDialog::start);
    fast_ = new QCheckBox(QStringLiteral("高速"));
    fast_->setObjectName(QStringLiteral("fast_run"));

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(start_);
    buttons->addWidget(fast_);
    buttons->addWidget(make_stop_button());
    buttons->addStretch(1);
    buttons->addWidget(make_close_button());

    auto* top = new QHBoxLayout;
    top->addWidget(operations, 1);
    top->addLayout(buttons);
    const std::string& file = document().file_name;
    source_ = new QLabel(QStringLiteral("送信する設定: %1")
                             .arg(file.empty() ? QStringLiteral("編集中の設定（ファイル未保存）")
                                               : QDir::toNativeSeparators(qs(file))));
    source_->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(source_);
    layout->addWidget(table_, 1);
    auto* note = new QLabel(QStringLiteral(
        "設定と差分の送信は、デバイスごとに設定を読み込んでバックアップしてから行います。"));
    note->setWordWrap(true);
    layout->addWidget(note);

    connect(&TcpLink::instance(), &TcpLink::peersChanged, this, &FleetRunDialog::refresh_rows);
    refresh_rows();
}

FleetRunDialog::~FleetRunDialog()
{
    // Nothing of a run may outlive the dialog, and every peer is the program's again.
    stopping_ = true;
    for (auto& d : devices_) {
        d->run.cancel();
        d->lease.release();
    }
}

QRadioButton* FleetRunDialog::operation_button(FleetOperation op) const
{
    switch (op) {
        case FleetOperation::set_all:
            return set_all_;
        case FleetOperation::sync:
            return sync_;
        case FleetOperation::read_all:
            return read_all_;
    }
    return nullptr;
}

QString FleetRunDialog::result_text(int row) const
{
    const QTableWidgetItem* item = table_->item(row, result_column);
    return item ? item->text() : QString();
}

QString FleetRunDialog::file_text(int row) const
{
    const QTableWidgetItem* item = table_->item(row, file_column);
    return item ? item->text() : QString();
}

void FleetRunDialog::refresh_rows()
{
    if (running())
        return;
    // Only the rows that changed are touched: a fleet arriving at once must not stall the loop
    // that accepts it.
    std::set<std::pair<int, std::string>> now;
    for (int slot : used_peer_slots()) now.emplace(slot, peer_endpoint(slot));
    std::set<std::pair<int, std::string>> listed;
    for (int r = static_cast<int>(devices_.size()) - 1; r >= 0; --r) {
        Device& d = *devices_[static_cast<std::size_t>(r)];
        if (now.contains({d.slot, d.endpoint})) {
            listed.emplace(d.slot, d.endpoint);
            continue;
        }
        // A device that has left keeps its row, unchecked, until the next run starts, so that
        // its result stays readable.
        if (keep_departed_ && !d.result.isEmpty()) {
            if (d.connected) {
                d.connected = false;
                table_->item(r, device_column)->setCheckState(Qt::Unchecked);
                table_->item(r, device_column)->setFlags(row_flags(d, false));
            }
            continue;
        }
        table_->removeRow(r);
        devices_.erase(devices_.begin() + r);
    }
    for (int slot : used_peer_slots())
        if (!listed.contains({slot, peer_endpoint(slot)}))
            add_row(slot);
    start_->setEnabled(
        std::any_of(devices_.begin(), devices_.end(), [](const auto& d) { return d->connected; }));
}

void FleetRunDialog::add_row(int slot)
{
    auto d = std::make_unique<Device>();
    d->slot = slot;
    d->address = peer(slot).address;
    d->endpoint = peer_endpoint(slot);
    Device* dp = d.get();
    connect(&d->timer, &QTimer::timeout, this, [dp] { dp->run.tick(); });
    const int r = table_->rowCount();
    table_->insertRow(r);
    auto* item = new QTableWidgetItem(qs(d->endpoint));
    item->setFlags(row_flags(*d, false));
    item->setCheckState(Qt::Checked);
    table_->setItem(r, device_column, item);
    auto* bar = new QTableWidgetItem;
    bar->setData(k_progress_max_role, d->bar_max);
    bar->setData(k_progress_value_role, 0);
    table_->setItem(r, progress_column, bar);
    table_->setItem(r, result_column, new QTableWidgetItem);
    table_->setItem(r, file_column, new QTableWidgetItem);
    devices_.push_back(std::move(d));
}

void FleetRunDialog::show_progress()
{
    for (int r = 0; r < static_cast<int>(devices_.size()); ++r) {
        Device& d = *devices_[static_cast<std::size_t>(r)];
        if (d.shown_max == d.bar_max && d.shown_value == d.bar_value)
            continue;
        QTableWidgetItem* bar = table_->item(r, progress_column);
        bar->setData(k_progress_max_role, d.bar_max);
        bar->setData(k_progress_value_role, d.bar_value);
        d.shown_max = d.bar_max;
        d.shown_value = d.bar_value;
    }
}

void FleetRunDialog::set_phase(Device& d, std::string phase,
                               std::function<std::string(int step)> item)
{
    d.phase = std::move(phase);
    d.item = std::move(item);
}

void FleetRunDialog::start()
{
    if (running())
        return;
    operation_ = sync_->isChecked()       ? FleetOperation::sync
                 : read_all_->isChecked() ? FleetOperation::read_all
                                          : FleetOperation::set_all;
    std::vector<Device*> chosen;
    for (int r = 0; r < static_cast<int>(devices_.size()); ++r) {
        Device& d = *devices_[static_cast<std::size_t>(r)];
        if (d.connected)
            d.checked = table_->item(r, device_column)->checkState() == Qt::Checked;
        if (d.checked && d.connected)
            chosen.push_back(&d);
    }
    if (chosen.empty())
        return;
    if (operation_ == FleetOperation::set_all && !set_all_may_start(model().config))
        return;
    if (!confirm_not_auto_switching(this))
        return;

    if (operation_ == FleetOperation::read_all) {
        const std::optional<QString> folder = folder_chooser()(this);
        if (!folder)
            return;
        folder_ = *folder;
        QStringList existing;
        for (Device* d : chosen) {
            d->file_name = qs(fleet_file_name(d->endpoint));
            if (QFileInfo::exists(QDir(folder_).filePath(d->file_name)))
                existing << d->file_name;
        }
        if (!existing.isEmpty() && !ask_yes_no("VELTA",
                                               "次のファイルは既にあります。上書きしますか？\n" +
                                                   existing.join(QLatin1Char('\n')).toStdString(),
                                               this))
            return;
    }

    // The rows of devices that have left go; the others' results are this run's.
    keep_departed_ = false;
    refresh_rows();
    keep_departed_ = true;
    stopping_ = false;
    started_ = std::chrono::system_clock::now();
    set_busy(true);
    for (auto& d : devices_) {
        if (!d->checked) {
            d->result.clear();
            d->file_path.clear();
            show_result(*d);
        }
    }
    active_ = static_cast<int>(chosen.size());
    progress_timer_->start(k_progress_period_ms);
    // Each device starts from the event loop on its own, so that 96 of them never hold it at once.
    for (Device* d : chosen) {
        QTimer::singleShot(0, this, [this, d] {
            if (!stopping_) {
                start_device(*d);
                return;
            }
            d->active = true;
            end_device(*d, QStringLiteral("中止"));
        });
    }
}

int FleetRunDialog::row_of(const Device& d) const
{
    for (int r = 0; r < static_cast<int>(devices_.size()); ++r)
        if (devices_[static_cast<std::size_t>(r)].get() == &d)
            return r;
    return -1;
}

void FleetRunDialog::show_result(const Device& d)
{
    const int r = row_of(d);
    if (r < 0)
        return;
    table_->item(r, result_column)->setText(d.result);
    table_->item(r, result_column)->setToolTip(d.result);
    QTableWidgetItem* file = table_->item(r, file_column);
    file->setText(d.file_path.isEmpty() ? QString() : QFileInfo(d.file_path).fileName());
    file->setToolTip(QDir::toNativeSeparators(d.file_path));
}

void FleetRunDialog::set_busy(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{start_, fast_, set_all_, sync_, read_all_})
        w->setEnabled(!busy);
    // The device column fits its texts: measured once after all rows changed, not once a row.
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(device_column, QHeaderView::Interactive);
    for (int r = 0; r < table_->rowCount(); ++r)
        table_->item(r, device_column)
            ->setFlags(row_flags(*devices_[static_cast<std::size_t>(r)], busy));
    header->setSectionResizeMode(device_column, QHeaderView::ResizeToContents);
    if (close_button())
        close_button()->setEnabled(!busy);
    enable_stop(busy);
    if (!busy) {
        progress_timer_->stop();
        show_progress();
        // Devices that came or went while the run went are listed now.
        refresh_rows();
    }
}

void FleetRunDialog::stop_run()
{
    if (!running())
        return;
    stopping_ = true;
    for (auto& d : devices_)
        if (d->active)
            d->run.stop();
}

}  // namespace velta
