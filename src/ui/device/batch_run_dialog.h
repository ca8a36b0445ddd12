#pragma once
// The two whole-configuration dialogs, "全項目の設定" and "全項目の読み込み": one start button,
// "高速" (answer-paced instead of the table's period, kept in velta.ini), the slave address, a
// progress bar and percent, "中止" and "Close", which is disabled while the run goes. The steps
// and their pace come from the core's step tables. A run that ends says how in the dialog, which
// stays open until the operator closes it.

#include <functional>
#include <memory>
#include <string>

#include "core/device/device_job.h"
#include "ui/widgets/settings_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace velta {

struct BatchRunConfig {
    QString window_title;
    std::string caption_text;  // followed directly by the selected peer's address
    QString start_text;
    bool with_broadcast = true;
    int steps = 0;
    int period_ms = 0;
    std::function<StepResult(int step)> perform;
    // Checked before anything else; refuses the run (with its own message) by returning false.
    std::function<bool()> may_start;
    // Reads the device into a second configuration first and keeps it as a backup.
    bool backup_first = false;
    // The velta.ini key of "高速".
    std::string fast_key;
    // What a completed run did, with %1 for the number of items ("%1 項目を設定しました").
    QString done_text;
    int items = 0;
};

BatchRunConfig set_all_config();
BatchRunConfig read_all_config();

class BatchRunDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit BatchRunDialog(BatchRunConfig config, QWidget* parent = nullptr);
    // A run still going ends in the base's destructor, when this part is gone already.
    ~BatchRunDialog() override { *alive_ = false; }

    QPushButton* start_button() const { return start_; }
    QLineEdit* percent_field() const { return percent_; }
    QProgressBar* progress() const { return progress_; }
    QLabel* backup_label() const { return backup_; }

    void start();

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    void read_backup();
    void backup_read_ended(RunEnd end, int done, int total);
    void start_steps();
    void run_ended(RunEnd end, int done);

    BatchRunConfig config_;
    QLabel* backup_ = nullptr;
    std::unique_ptr<DeviceJob> backup_read_;  // the device read for its backup
    QPushButton* start_ = nullptr;
    QLineEdit* percent_ = nullptr;
    QProgressBar* progress_ = nullptr;
};

}  // namespace velta
