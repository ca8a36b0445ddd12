#pragma once
// How socket answers and socket notices reach the open dialogs: custom events with the
// numbers of the original window messages, posted to guarded pointers.

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <string>

namespace velta {

inline constexpr int MSG_REPLY_ARRIVED = 1026;
inline constexpr int MSG_SOCKET_EVENT = 1034;

// An answer to the outstanding command, or the late answer of one that already timed out.
enum class Receipt { answer, late };

// A received socket answer, handed to the open settings dialog, which runs socket_dispatch.
class ReplyArrivedEvent : public QEvent {
public:
    explicit ReplyArrivedEvent(std::string receipt, Receipt kind = Receipt::answer)
        : QEvent(static_cast<QEvent::Type>(MSG_REPLY_ARRIVED)),
          receipt_(std::move(receipt)),
          kind_(kind)
    {
    }
    const std::string& receipt() const { return receipt_; }
    Receipt kind() const { return kind_; }
    // Runs the dispatcher on the receipt, in turn.
    void dispatch() const;

private:
    std::string receipt_;
    Receipt kind_;
};

// The settings dialog now open; receives MSG_REPLY_ARRIVED.
QPointer<QObject>& current_dialog();
// The connection dialog now open; refreshed on socket notices.
QPointer<QObject>& socket_notify_window();

// Hands a socket receipt to the open settings dialog, or dispatches it at once when none is
// open, one line at a time.
void deliver_socket_receipt(const std::string& receipt, Receipt kind = Receipt::answer);

}  // namespace velta
