#include "link/dialog_link.h"

#include <QCoreApplication>

#include "model/dispatch_turns.h"
#include "model/reply_dispatcher.h"

namespace velta {

QPointer<QObject>& current_dialog()
{
    static QPointer<QObject> dialog;
    return dialog;
}

QPointer<QObject>& socket_notify_window()
{
    static QPointer<QObject> window;
    return window;
}

void deliver_socket_receipt(const std::string& receipt)
{
    if (current_dialog()) {
        QCoreApplication::postEvent(current_dialog(), new ReplyArrivedEvent(receipt));
        return;
    }
    dispatch_in_turn([receipt] { socket_receive(receipt); });
}

}  // namespace velta
