#pragma once
// Decodes every line a device sends and reports how the command it answers ended. Lines are
// decoded into the configuration of the device context they came for (its model's config and
// extras) unless its decode target names another one (DecodeInto).

#include <functional>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/wire/outcome.h"

namespace velta {

struct DeviceContext;

// An answer to the outstanding command, or the late answer of one that already timed out.
enum class Receipt { answer, late };

// One received line (LF included) from a link: the line tap sees it, it is decoded, its outcome
// reported, read_pending cleared and the reply observer told. A late answer is decoded without
// the success notice and does not clear reply_error.
void dispatch_line(DeviceContext& context, std::string_view line, LinkKind link,
                   Receipt receipt = Receipt::answer);
// The same for the serial link (the RS-485 address, when in use, comes off first) and TCP/IP.
void serial_dispatch(DeviceContext& context, std::string_view line);
void socket_receive(DeviceContext& context, std::string_view line);
void socket_receive_late(DeviceContext& context, std::string_view line);

// Where a context's replies are decoded when not into its model: set by DecodeInto.
struct DecodeTarget {
    DeviceConfig* config = nullptr;  // none: the editing configuration
    DeviceExtras* extras = nullptr;
};
// While it lives, replies are decoded into config and extras instead of the editing
// configuration (a read that must not touch what the user edits). Scopes nest.
class DecodeInto {
public:
    DecodeInto(DeviceContext& context, DeviceConfig& config, DeviceExtras& extras);
    ~DecodeInto();
    DecodeInto(const DecodeInto&) = delete;
    DecodeInto& operator=(const DecodeInto&) = delete;

private:
    DecodeTarget& target_;
    DecodeTarget previous_;
};

// While one lives, lines from the TCP/IP link are dropped unseen (the link set-up dialogs send
// no device commands) for the context. Scopes nest.
class DropSocketReplies {
public:
    explicit DropSocketReplies(DeviceContext& context);
    ~DropSocketReplies();
    DropSocketReplies(const DropSocketReplies&) = delete;
    DropSocketReplies& operator=(const DropSocketReplies&) = delete;

private:
    DeviceContext& context_;
};

// Called after every decoded line of a context, so that an open dialog can refresh itself.
using ReplyObserver = std::function<void(std::string_view line)>;

}  // namespace velta
