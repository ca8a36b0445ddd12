#pragma once
// "バックアップから復元": the backups kept of the device in use (or of every device), newest
// first, with their time and device; the one chosen opens in "デバイスと比較" as the
// configuration to send, so that a write can be undone on the device.

#include <QDialog>
#include <functional>
#include <vector>

#include "core/model/backup_list.h"
#include "core/model/settings_model.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace velta {

// Opens the compare dialog on a backup's configuration, modally over owner. Tests replace it to
// see the call without a nested loop.
using BackupCompareOpener =
    std::function<void(const DeviceConfig& backup, const QString& name, QWidget* owner)>;
BackupCompareOpener set_backup_compare_opener(BackupCompareOpener opener);

// Shows the backups folder in the desktop's file manager (created first when missing).
void open_backup_folder(QWidget* owner);

class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    explicit RestoreDialog(QWidget* parent = nullptr);

    QTableWidget* table() const { return table_; }
    QCheckBox* all_devices_box() const { return all_; }
    QPushButton* compare_button() const { return compare_; }
    QLabel* device_label() const { return device_; }

    void open_chosen();

private:
    void list();

    std::vector<BackupEntry> entries_;
    QLabel* device_ = nullptr;
    QCheckBox* all_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* compare_ = nullptr;
};

}  // namespace velta
