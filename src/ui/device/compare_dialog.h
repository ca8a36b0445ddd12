#pragma once
// "デバイスと比較": reads the device into a second configuration (never into what the operator
// edits), lists the differences with a check box per row, and either sends the checked rows
// (after a backup of the device as read) and reads them back to verify them, or takes the
// device's values of the checked rows into the tool. "高速" paces the read, the send and the
// read-back by the answers, as in the whole-configuration dialogs. Opened on a backup, the
// configuration to send is that file's instead of the tool's, and nothing is taken from the
// device.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device/device_compare.h"
#include "core/device/device_job.h"
#include "core/wire/device_context.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "ui/widgets/settings_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace velta {

class CompareDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit CompareDialog(QWidget* parent = nullptr);
    // Compares the device with source (a backup named source_name) instead of the tool.
    CompareDialog(DeviceConfig source, const QString& source_name, QWidget* parent = nullptr);
    ~CompareDialog() override;

    QPushButton* compare_button() const { return compare_; }
    QPushButton* stop_button() const { return stop_; }
    QPushButton* send_checked_button() const { return send_; }
    QPushButton* take_button() const { return take_; }
    QTableWidget* table() const { return table_; }
    QLabel* status_label() const { return status_; }
    QLabel* backup_label() const { return backup_; }
    QProgressBar* progress() const { return progress_; }
    const DeviceConfig& device_config() const { return device_; }

    void start_compare();
    void send_checked();
    void take_device_values();

    // What the end of a whole read and of a read-back do with the device's configuration (also
    // for showing the dialog with sample data): list the differences; verify the checked rows.
    void compared(const DeviceConfig& device);
    void verified(const DeviceConfig& device);

private:
    // What is compared and sent: the backup opened, or the tool's configuration.
    const DeviceConfig& source() const { return source_ ? *source_ : model().config; }
    void show_rows();
    void take_checks();
    void set_busy(bool busy);
    // Starts a run of the job's phase (plus one step that only waits for the last answer).
    bool start_steps(const JobPhase& phase, std::function<void(RunEnd end, int done)> finished);

    std::optional<DeviceConfig> source_;
    DeviceConfig device_;
    DeviceExtras device_extras_;
    // While the dialog is open every reply is the answer to one of its own queries.
    DecodeInto decode_{program_context(), device_, device_extras_};
    std::vector<CompareRow> rows_;
    // The read or the send going now; its answers are decoded into its own configurations.
    std::unique_ptr<DeviceJob> job_;
    int done_ = 0;

    QPushButton* compare_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* take_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* backup_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLineEdit* percent_ = nullptr;
};

}  // namespace velta
