#include "core/model/document.h"

namespace velta {

Document& document()
{
    static Document d;
    return d;
}

bool has_unsaved_changes()
{
    return model().config != document().baseline;
}

void mark_config_saved()
{
    document().baseline = model().config;
}

}  // namespace velta
