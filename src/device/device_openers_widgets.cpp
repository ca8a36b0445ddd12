#include "common/dialog_openers_widgets.h"

namespace velta {

// No dialog of this area is built yet; its menu items open nothing.
bool open_device_dialog(int /*command_id*/, QWidget* /*owner*/)
{
    return false;
}

}  // namespace velta
