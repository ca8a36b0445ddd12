#pragma once
// One device's side of the program when several devices are served at once: its own
// configuration, link settings, answer state, run and send counts, observers and boxes.
// Everything runs on the one event loop; while a SessionScope lives, model(), link_settings(),
// link_status(), run_activity(), send_tally(), the decode target, the outcome and reply
// observers and the box presenter are the session's, so the dialogs' and
// the command-line tool's code serves a device without knowing there are others. The link
// enters a device's scope for everything that device's connection brings (answers, time-outs,
// its close).

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "core/wire/reply_dispatcher.h"

namespace velta {

struct DeviceSession {
    SettingsModel model;
    LinkSettings link;
    LinkStatus status;
    RunActivity activity;
    SendTally tally;
    DecodeTarget decode;
    OutcomeObserver outcome_observer;
    ReplyObserver reply_observer;
    BoxPresenter presenter;  // none: the program's
};

// The session whose scope is entered, or nullptr for the program's own state.
DeviceSession* current_session();

// Makes session current until it ends (nullptr: the program's own state). Scopes nest.
class SessionScope {
public:
    explicit SessionScope(DeviceSession* session);
    ~SessionScope();
    SessionScope(const SessionScope&) = delete;
    SessionScope& operator=(const SessionScope&) = delete;

private:
    DeviceSession* previous_session_;
    SettingsModel* model_;
    LinkSettings* link_;
    LinkStatus* status_;
    RunActivity* activity_;
    SendTally* tally_;
    DecodeTarget* decode_;
    OutcomeObserver* outcome_observer_;
    ReplyObserver* reply_observer_;
    BoxPresenter* presenter_;
};

}  // namespace velta
