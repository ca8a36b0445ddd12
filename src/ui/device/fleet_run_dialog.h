#pragma once
// "全デバイスで実行": one whole-configuration run on every connected device at once, opened from
// the server dialog. Each checked device gets a device context of its own (a copy of the tool's
// configuration, its own answers, run and boxes) and its own paced run, so a device that fails
// or leaves ends alone. A device's boxes become its row's result; the tool's configuration is
// never changed. Before anything is written the device is read and kept as a backup.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/device/device_job.h"
#include "ui/widgets/settings_dialog.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QTimer;

namespace velta {

struct DeviceContext;

enum class FleetOperation {
    set_all,   // "全項目の設定": the tool's configuration whole
    sync,      // "差分のみ送信": only what differs, then read back
    read_all,  // "全項目の読み込み": each device into a settings data file
};

// Asks for the folder the read configurations go to; nothing when the operator cancels.
using FleetFolderChooser = std::function<std::optional<QString>(QWidget* owner)>;
// Installs the chooser (none: the platform's folder dialog) and returns the previous one.
FleetFolderChooser set_fleet_folder_chooser(FleetFolderChooser chooser);

class FleetRunDialog : public SettingsDialog {
    Q_OBJECT
public:
    explicit FleetRunDialog(QWidget* parent = nullptr);
    ~FleetRunDialog() override;

    QTableWidget* table() const { return table_; }
    // The progress column's items hold their bar's value and maximum in these roles.
    static constexpr int k_progress_value_role = Qt::UserRole;
    static constexpr int k_progress_max_role = Qt::UserRole + 1;
    QRadioButton* operation_button(FleetOperation op) const;
    QCheckBox* fast_box() const { return fast_; }
    QPushButton* start_button() const { return start_; }
    // True while any device's run goes.
    bool running() const { return active_ > 0; }
    // The result text of row r, and the file it names (the backup, or the file read into).
    QString result_text(int row) const;
    QString file_text(int row) const;
    // What every device is sent: the tool's settings file, or its unsaved configuration.
    QLabel* source_label() const { return source_; }

    void start();
    // Follows the peers connected now (only while nothing runs): rows of devices that came are
    // added, rows of devices that left go or, with a result, stay unchecked; the rest stay.
    void refresh_rows();

protected:
    void stop_run() override;
    bool holds_open() const override { return running(); }

private:
    struct Device;

    void add_row(int slot);
    void show_progress();
    void set_phase(Device& d, std::string phase, std::function<std::string(int step)> item);
    void start_device(Device& d);
    // Runs the job's phase on the device's run, or ends the device when the job is over.
    void run_job_phase(Device& d, std::optional<JobPhase> phase);
    void phase_ended(Device& d, RunEnd end);
    void job_ended(Device& d);
    // How a device's run ended well; any other end is told by its reason.
    enum class Success { done, no_differences, verified };
    void end_device(Device& d, Success how);
    void end_device(Device& d, const QString& failure);
    void finish_row(Device& d, const QString& result, bool succeeded);
    // Its link was lost: the device's first failure, unless it has one.
    void device_lost(Device& d);
    void show_result(const Device& d);
    int row_of(const Device& d) const;
    void set_busy(bool busy);
    static Qt::ItemFlags row_flags(const Device& d, bool busy);

    QTableWidget* table_ = nullptr;
    QRadioButton* set_all_ = nullptr;
    QRadioButton* sync_ = nullptr;
    QRadioButton* read_all_ = nullptr;
    QCheckBox* fast_ = nullptr;
    QPushButton* start_ = nullptr;
    QLabel* source_ = nullptr;
    QTimer* progress_timer_ = nullptr;  // the bars follow the runs at this pace, not every step
    std::vector<std::unique_ptr<Device>> devices_;
    FleetOperation operation_ = FleetOperation::set_all;
    QString folder_;
    int active_ = 0;
    bool stopping_ = false;
    bool keep_departed_ = true;
    std::chrono::system_clock::time_point started_;  // the run's backups are never pruned
};

}  // namespace velta
