#include "link/device_link.h"

#include "core/wire/device_context.h"
#include "link/serial_link.h"
#include "link/tcp_link_internal.h"

namespace velta {

DeviceLink* device_link(const DeviceContext& context)
{
    if (context.link.interface == Interface::serial)
        return serial_device_link(context);
    const tcp_internal::Channel* ch = tcp_internal::channel_of(context);
    return ch ? ch->link.get() : nullptr;
}

}  // namespace velta
