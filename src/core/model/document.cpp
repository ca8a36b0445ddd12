#include "core/model/document.h"

namespace velta {

Document& document()
{
    static Document d;
    return d;
}

bool has_unsaved_changes(const DeviceConfig& config)
{
    return config != document().baseline;
}

void mark_config_saved(const DeviceConfig& config)
{
    document().baseline = config;
}

}  // namespace velta
