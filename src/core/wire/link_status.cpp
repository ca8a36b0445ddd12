#include "core/wire/link_status.h"

namespace velta {

Current<LinkSettings>& link_settings_slot()
{
    static Current<LinkSettings> s;
    return s;
}

LinkSettings& link_settings()
{
    return link_settings_slot().get();
}

PeerTable fresh_peer_table()
{
    PeerTable t{};
    t[0].in_use = 1;
    return t;
}

PeerTable& peer_table()
{
    static PeerTable t = fresh_peer_table();
    return t;
}

Current<LinkStatus>& link_status_slot()
{
    static Current<LinkStatus> s;
    return s;
}

LinkStatus& link_status()
{
    return link_status_slot().get();
}

void clear_answer_flags()
{
    link_status() = LinkStatus{};
}

}  // namespace velta
