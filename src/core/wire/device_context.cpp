#include "core/wire/device_context.h"

namespace velta {

DeviceContext& program_context()
{
    static DeviceContext context;
    return context;
}

SettingsModel& model()
{
    return program_context().model;
}

LinkSettings& link_settings()
{
    return program_context().link;
}

LinkStatus& link_status()
{
    return program_context().status;
}

RunActivity& run_activity()
{
    return program_context().activity;
}

}  // namespace velta
