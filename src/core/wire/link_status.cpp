#include "core/wire/link_status.h"

namespace velta {

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

}  // namespace velta
