#include "ui/device/restore_dialog.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

#include "core/common/message_boxes.h"
#include "core/device/device_compare.h"
#include "core/model/settings_file.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "ui/device/compare_dialog.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

void compare_with_backup(const DeviceConfig& backup, const QString& name, QWidget* owner)
{
    CompareDialog dialog(backup, name, owner);
    dialog.exec();
}

BackupCompareOpener& compare_opener()
{
    static BackupCompareOpener o = compare_with_backup;
    return o;
}

}  // namespace

BackupCompareOpener set_backup_compare_opener(BackupCompareOpener opener)
{
    return std::exchange(compare_opener(), opener ? std::move(opener) : compare_with_backup);
}

void open_backup_folder(QWidget*)
{
    const QString folder = backup_folder_path();
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

RestoreDialog::RestoreDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("バックアップから復元"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    const std::string device = backup_device_name(link_settings());
    device_ = new QLabel(device.empty() ? QStringLiteral("使用中のデバイス: （なし）")
                                        : QStringLiteral("使用中のデバイス: ") + qs(device));
    device_->setObjectName(QStringLiteral("device_text"));
    all_ = new QCheckBox(QStringLiteral("ほかのデバイスのバックアップも表示"));
    all_->setObjectName(QStringLiteral("all_devices"));
    all_->setChecked(device.empty());
    connect(all_, &QCheckBox::toggled, this, [this] { list(); });

    table_ = new QTableWidget(0, 2);
    table_->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("デバイス")});
    table_->verticalHeader()->setVisible(false);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(420, 240);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { open_chosen(); });

    compare_ = new QPushButton(QStringLiteral("デバイスと比較…"));
    compare_->setObjectName(QStringLiteral("compare_backup"));
    connect(compare_, &QPushButton::clicked, this, &RestoreDialog::open_chosen);
    auto* folder = new QPushButton(QStringLiteral("フォルダを開く"));
    folder->setAutoDefault(false);
    connect(folder, &QPushButton::clicked, this, [this] { open_backup_folder(this); });
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(compare_);
    buttons->addWidget(folder);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(device_);
    layout->addWidget(all_);
    layout->addWidget(table_, 1);
    layout->addWidget(
        new QLabel(QStringLiteral("選んだバックアップをデバイスと比較し、送信する設定にします。")));
    layout->addLayout(buttons);
    list();
}

void RestoreDialog::list()
{
    entries_ =
        list_backups(backup_folder_path().toStdString(),
                     all_->isChecked() ? std::string() : backup_device_name(link_settings()));
    table_->setRowCount(static_cast<int>(entries_.size()));
    for (int r = 0; r < static_cast<int>(entries_.size()); ++r) {
        const BackupEntry& e = entries_[static_cast<std::size_t>(r)];
        table_->setItem(r, 0, new QTableWidgetItem(qs(e.time)));
        table_->setItem(r, 1, new QTableWidgetItem(qs(e.device)));
    }
    table_->resizeColumnsToContents();
    if (!entries_.empty())
        table_->selectRow(0);
    compare_->setEnabled(!entries_.empty());
}

void RestoreDialog::open_chosen()
{
    const int row = table_->currentRow();
    if (row < 0 || row >= static_cast<int>(entries_.size()))
        return;
    const BackupEntry& e = entries_[static_cast<std::size_t>(row)];
    const FileResult r = load_settings_file(e.path);
    if (r.status != FileStatus::ok) {
        error_box(r.message, r.reason);
        return;
    }
    compare_opener()(r.config, QFileInfo(qs(e.path)).fileName(), this);
}

}  // namespace velta
