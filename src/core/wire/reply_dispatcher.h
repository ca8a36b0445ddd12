#pragma once
// Decodes every line the device sends and reports how the command it answers ended. Lines are
// decoded into the editing configuration (model().config, model().extras) unless a DecodeInto
// names another one.

#include <functional>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/wire/outcome.h"

namespace velta {

// An answer to the outstanding command, or the late answer of one that already timed out.
enum class Receipt { answer, late };

// One received line (LF included) from a link: the line tap sees it, it is decoded, its outcome
// reported, read_pending cleared and the reply observer told. A late answer is decoded without
// the success notice and does not clear reply_error.
void dispatch_line(std::string_view line, LinkKind link, Receipt receipt = Receipt::answer);
// The same for the serial link (the RS-485 address, when in use, comes off first) and TCP/IP.
void serial_dispatch(std::string_view line);
void socket_receive(std::string_view line);
void socket_receive_late(std::string_view line);

// Where replies are decoded when not into model(): set by DecodeInto.
struct DecodeTarget {
    DeviceConfig* config = nullptr;  // none: the editing configuration
    DeviceExtras* extras = nullptr;
};
Current<DecodeTarget>& decode_target_slot();

// While it lives, replies are decoded into config and extras instead of the editing
// configuration (a read that must not touch what the user edits). Scopes nest.
class DecodeInto {
public:
    DecodeInto(DeviceConfig& config, DeviceExtras& extras);
    ~DecodeInto();
    DecodeInto(const DecodeInto&) = delete;
    DecodeInto& operator=(const DecodeInto&) = delete;

private:
    DeviceConfig* previous_config_;
    DeviceExtras* previous_extras_;
};

// While one lives, lines from the TCP/IP link are dropped unseen (the link set-up dialogs send
// no device commands), except a device session's. Scopes nest.
class DropSocketReplies {
public:
    DropSocketReplies();
    ~DropSocketReplies();
    DropSocketReplies(const DropSocketReplies&) = delete;
    DropSocketReplies& operator=(const DropSocketReplies&) = delete;
};

// Sees every line as it came from the link, before anything is decoded: a wire trace.
void set_line_tap(std::function<void(std::string_view line)> tap);

// Called after every decoded line, so that an open dialog can refresh itself.
void set_reply_observer(std::function<void(std::string_view line)> observer);
using ReplyObserver = std::function<void(std::string_view line)>;
Current<ReplyObserver>& reply_observer_slot();

}  // namespace velta
