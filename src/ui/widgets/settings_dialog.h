#pragma once
// What every settings dialog shares: it registers itself as the dialog that receives socket
// answers, carries the slave-address list with its enable rule, follows the caption rule,
// resets the corner counter, and runs paced runs on its own timer with "Close" and Esc
// disabled while one goes and "中止" enabled only then.

#include <QDialog>
#include <QTimer>
#include <memory>
#include <string>
#include <string_view>

#include "core/wire/paced_run.h"
#include "program/program_context.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace velta {

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // window_title is the dialog's own caption; caption_text is what the caption rule puts in
    // front of the selected peer's address ("タイトルの設定 ").
    SettingsDialog(const QString& window_title, const std::string& caption_text,
                   QWidget* parent = nullptr);
    ~SettingsDialog() override;

    QComboBox* slave_address_list() const { return slave_list_; }
    QPushButton* close_button() const { return close_button_; }
    QPushButton* stop_button() const { return stop_button_; }
    QLabel* stop_note() const { return stop_note_; }
    QCheckBox* fast_box() const { return fast_box_; }
    PacedRun& run() { return run_; }
    bool run_active() const { return run_.running(); }
    // Drives one tick of the run, as the run timer does.
    void run_tick() { run_.tick(); }
    QTimer& run_timer() { return run_timer_; }

protected:
    // The "スレーブアドレス" group; enabled only for a serial link in RS-485 mode.
    QGroupBox* make_slave_address_group(bool with_broadcast = true);
    // The "Close" button; disabled while a run goes.
    QPushButton* make_close_button(const QString& text = QStringLiteral("Close"));
    // "中止", enabled while a run goes; it stops the run and says in the note how far it got
    // ("中止しました（120 / 310）"). The note is empty until then.
    QPushButton* make_stop_button();
    QLabel* make_stop_note();
    // "高速": the runs go as the answers come instead of at their period. The choice is kept in
    // velta.ini under key, one per dialog, and cannot change while a run goes.
    QCheckBox* make_fast_box(std::string_view key);
    bool fast_chosen() const;

    // The question before runs and transfers, then the link test. False stops.
    bool confirm_run();
    // Starts a paced run unless one is active; "Close" comes back when it ends.
    bool start_run(RunSteps steps, int period_ms, Pace pace = Pace::periodic);
    // What "中止" does; a dialog with a run of its own stops that one.
    virtual void stop_run();
    // "中止" enabled or not, and the note of a stopped run.
    void enable_stop(bool enabled);
    void note_stopped(int done, int total);

    // While true, Esc and the window's close are refused: the dialog's paced run goes (a dialog
    // with runs of its own tells of them).
    virtual bool holds_open() const { return run_.running(); }

    void reject() override;
    void closeEvent(QCloseEvent* e) override;

private:
    QComboBox* slave_list_ = nullptr;
    QPushButton* close_button_ = nullptr;
    QPushButton* stop_button_ = nullptr;
    QLabel* stop_note_ = nullptr;
    QCheckBox* fast_box_ = nullptr;
    int run_steps_ = 0;
    QTimer run_timer_;
    PacedRun run_;
};

}  // namespace velta
