#include "core/device/host_list.h"

#include <cstdio>

#include "core/wire/link_status.h"

namespace velta {

std::string host_text(const IpAddress& a)
{
    char text[24];
    std::snprintf(text, sizeof text, "%03u .%03u .%03u .%03u", unsigned{a[0]}, unsigned{a[1]},
                  unsigned{a[2]}, unsigned{a[3]});
    return text;
}

bool add_host(LinkSettings& l, const IpAddress& address)
{
    if (l.host_count >= k_max_hosts)
        return false;
    l.host_list.resize(static_cast<std::size_t>(l.host_count));
    l.host_list.push_back(address);
    ++l.host_count;
    return true;
}

bool delete_host(LinkSettings& l, int index)
{
    if (index < 0 || index >= l.host_count || index >= static_cast<int>(l.host_list.size()))
        return false;
    l.host_list.erase(l.host_list.begin() + index);
    --l.host_count;
    if (l.selected_host == index)
        l.selected_host = -1;
    else if (l.selected_host > index)
        --l.selected_host;
    return true;
}

}  // namespace velta
