#include "core/common/run_activity.h"

namespace velta {

RunActivity& run_activity()
{
    static RunActivity activity;
    return activity;
}

}  // namespace velta
