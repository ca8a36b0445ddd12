#include "program/program_context.h"

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

std::optional<DeviceConfig>& device_reading()
{
    static std::optional<DeviceConfig> reading;
    return reading;
}

int page_count()
{
    return page_count_for_mode(model().config.device.page_mode);
}

void reset_settings_model()
{
    reset_settings_model(model());
}

void clear_answer_flags()
{
    link_status() = LinkStatus{};
}

}  // namespace velta
