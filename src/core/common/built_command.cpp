#include "core/common/built_command.h"

#include "core/common/message_boxes.h"

namespace velta {

std::string_view refusal_message(RefusalKind kind)
{
    switch (kind) {
        case RefusalKind::hold_time_too_short:
            return k_text_hold_time_too_short;
        case RefusalKind::bad_port:
            return k_text_bad_device_port;
        case RefusalKind::title_unencodable:
            break;
    }
    return k_text_title_unencodable;
}

void show_refusal(const Refusal& refusal, const BoxRoute& boxes)
{
    if (refusal.kind == RefusalKind::title_unencodable)
        boxes.warning(refusal_message(refusal.kind), refusal.detail);
    else
        boxes.error(refusal_message(refusal.kind), refusal.detail);
}

}  // namespace velta
