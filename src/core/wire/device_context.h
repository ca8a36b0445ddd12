#pragma once
// Everything one device conversation needs, in one value: the configuration sends are built
// from (and replies decoded into, unless the decode target names another), the link settings
// and status, the runs and send counts, the wire hooks that carry its commands, the outcome and
// reply observers and where its boxes go. Every send, answer, outcome and run is handed the
// context it serves.
//
// The program owns one for the document being edited (program/program_context.h); each fleet
// row and each command-line job owns its own. Everything runs on the one event loop.

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "core/wire/reply_dispatcher.h"

namespace velta {

struct DeviceContext {
    SettingsModel model;
    LinkSettings link;
    LinkStatus status;
    RunActivity activity;
    SendTally tally;
    WireHooks hooks;
    DecodeTarget decode;
    OutcomeObserver outcome_observer;
    ReplyObserver reply_observer;
    // A wire trace: every line as it came from the link, before anything is decoded, and the
    // bytes of over-long lines the link dropped or cut off rather than hand on.
    std::function<void(std::string_view line)> line_tap;
    std::function<void(std::string_view bytes)> dropped_tap;
    BoxPresenter presenter;          // none: the program's
    int socket_replies_dropped = 0;  // DropSocketReplies alive on this context

    // Where this context's boxes go.
    BoxRoute boxes() const { return BoxRoute{&presenter}; }
};

}  // namespace velta
