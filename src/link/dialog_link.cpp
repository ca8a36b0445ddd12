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

namespace {
void dispatch_receipt(const std::string& receipt, Receipt kind)
{
    dispatch_in_turn([receipt, kind] {
        if (kind == Receipt::late)
            socket_receive_late(receipt);
        else
            socket_receive(receipt);
    });
}
}  // namespace

void ReplyArrivedEvent::dispatch() const
{
    dispatch_receipt(receipt_, kind_);
}

void deliver_socket_receipt(const std::string& receipt, Receipt kind)
{
    if (current_dialog()) {
        QCoreApplication::postEvent(current_dialog(), new ReplyArrivedEvent(receipt, kind));
        return;
    }
    dispatch_receipt(receipt, kind);
}

}  // namespace velta
