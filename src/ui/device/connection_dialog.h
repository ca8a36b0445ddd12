#pragma once
// What the link set-up dialogs share: a fixed caption, the "設定" button that closes, the
// port edit of the two TCP/IP dialogs with its check, and, for those two, the refresh on the
// link's notices.

#include <QString>

#include "core/wire/device_context.h"
#include "core/wire/reply_dispatcher.h"
#include "program/program_context.h"
#include "ui/widgets/settings_dialog.h"

class QLineEdit;
class QPushButton;

namespace velta {

class ConnectionDialog : public SettingsDialog {
    Q_OBJECT
public:
    ConnectionDialog(const QString& caption, QWidget* parent);

    QLineEdit* port_edit() const { return port_; }

    // Closing writes the port; a port that is not 1..65535 is refused and the dialog stays.
    void done(int result) override;

protected:
    // "設定": the default button, closes the dialog.
    QPushButton* make_set_button();
    // The port edit: at most five digits, showing port_number; a valid text goes into the
    // model as it is typed.
    QLineEdit* make_port_edit();
    // True when the port edit holds a valid port (and there is one); says so otherwise.
    bool port_acceptable() const;
    // Runs refresh() on each of the link's notices.
    void follow_link();
    virtual void refresh() {}

private:
    QLineEdit* port_ = nullptr;
    // These dialogs send no device commands: a socket answer that comes while one is open is
    // dropped, not decoded.
    DropSocketReplies drop_replies_{program_context()};
};

}  // namespace velta
