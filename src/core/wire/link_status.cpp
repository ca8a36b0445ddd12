#include "core/wire/link_status.h"

namespace velta {

LinkSettings& link_settings()
{
    static LinkSettings s;
    return s;
}

PeerTable fresh_peer_table()
{
    PeerTable t{};
    t[0].in_use = 1;
    return t;
}

LinkStatus& link_status()
{
    static LinkStatus s;
    return s;
}

void clear_answer_flags()
{
    LinkStatus& s = link_status();
    PeerTable peers = std::move(s.peer_table);
    s = LinkStatus{};
    s.peer_table = std::move(peers);
}

}  // namespace velta
