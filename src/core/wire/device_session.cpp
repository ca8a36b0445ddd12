#include "core/wire/device_session.h"

namespace velta {
namespace {

DeviceSession*& current()
{
    static DeviceSession* session = nullptr;
    return session;
}

}  // namespace

DeviceSession* current_session()
{
    return current();
}

SessionScope::SessionScope(DeviceSession* s)
    : previous_session_(current()),
      model_(model_slot().point_at(s ? &s->model : nullptr)),
      link_(link_settings_slot().point_at(s ? &s->link : nullptr)),
      status_(link_status_slot().point_at(s ? &s->status : nullptr)),
      activity_(run_activity_slot().point_at(s ? &s->activity : nullptr)),
      tally_(send_tally_slot().point_at(s ? &s->tally : nullptr)),
      decode_(decode_target_slot().point_at(s ? &s->decode : nullptr)),
      outcome_observer_(outcome_observer_slot().point_at(s ? &s->outcome_observer : nullptr)),
      reply_observer_(reply_observer_slot().point_at(s ? &s->reply_observer : nullptr)),
      presenter_(box_presenter_slot().point_at(s ? &s->presenter : nullptr))
{
    current() = s;
}

SessionScope::~SessionScope()
{
    current() = previous_session_;
    model_slot().point_at(model_);
    link_settings_slot().point_at(link_);
    link_status_slot().point_at(status_);
    run_activity_slot().point_at(activity_);
    send_tally_slot().point_at(tally_);
    decode_target_slot().point_at(decode_);
    outcome_observer_slot().point_at(outcome_observer_);
    reply_observer_slot().point_at(reply_observer_);
    box_presenter_slot().point_at(presenter_);
}

}  // namespace velta
