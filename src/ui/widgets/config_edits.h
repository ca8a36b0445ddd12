#pragma once
// The edits of the configuration being edited, wherever they are made: a page dialog, a device
// dialog, the page overview, "デバイスの値を取り込む", an import. Each dialog writes the model
// as it always did; this notices the change once the operator's action (a key, a click) or an
// answer has been handled, tells the windows that show the configuration, and keeps it as a
// step of the undo history. While a run goes its answers are shown as they come but make one
// step when it ends.

#include <QObject>
#include <QTimer>

#include "core/model/edit_history.h"
#include "core/model/settings_model.h"

namespace velta {

class ConfigEdits : public QObject {
    Q_OBJECT
public:
    // The program's one; made on first use, watching the application's input.
    static ConfigEdits& instance();

    // Looks at the configuration now: tells of a change and, unless a run goes, records it.
    void notice();
    // Ends the step being typed: the next title keystroke starts a step of its own.
    void close_step();
    // The configuration becomes next as one step of its own (a bulk edit, a paste, an import),
    // told to every window at once.
    void replace(const DeviceConfig& next);
    bool undo();
    bool redo();
    bool can_undo() const { return history_.can_undo() || pending(); }
    bool can_redo() const { return history_.can_redo() && !pending(); }
    // A file opened or a new one: the configuration as it is now, nothing to undo.
    void restart();

    const EditHistory& history() const { return history_; }

signals:
    // The configuration, or the one last saved, differs from what was last told.
    void changed();
    // What can be undone or redone may have changed.
    void history_changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ConfigEdits();
    bool pending() const;
    // Undo (back) or redo.
    bool step_back(bool back);
    void tell_if_changed();

    DeviceConfig told_;
    DeviceConfig told_baseline_;
    EditHistory history_;
    QTimer after_input_;
};

}  // namespace velta
