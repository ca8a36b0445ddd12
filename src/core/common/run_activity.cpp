#include "core/common/run_activity.h"

namespace velta {

Current<RunActivity>& run_activity_slot()
{
    static Current<RunActivity> activity;
    return activity;
}

RunActivity& run_activity()
{
    return run_activity_slot().get();
}

}  // namespace velta
