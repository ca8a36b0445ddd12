#include <memory>

#include "gui/dialog_openers_widgets.h"
#include "common/message_boxes.h"
#include "device/alarm_dialog.h"
#include "device/batch_run_dialog.h"
#include "device/network_dialog.h"
#include "device/other_settings_dialog.h"
#include "device/remote_dialog.h"
#include "device/schedule_dialog.h"
#include "model/settings_model.h"

namespace velta {
namespace {
template <typename Dialog, typename... Args>
bool run_modal(QWidget* owner, Args&&... args)
{
    Dialog dialog(std::forward<Args>(args)..., owner);
    dialog.exec();
    return true;
}
}  // namespace

// The menu ids and their toolbar twins.
bool open_device_dialog(int command_id, QWidget* owner)
{
    switch (command_id) {
    case 32787:
    case 508:
        return run_modal<ScheduleDialog>(owner);
    case 32788:
    case 509:
        return run_modal<AlarmDialog>(owner);
    case 32789:
    case 510:
        return run_modal<RemoteDialog>(owner);
    case 32790:
    case 511:
        return run_modal<OtherSettingsDialog>(owner);
    case 32801:
        // The device's network is set through its serial port only.
        if (model().link.interface_kind == 1) {
            error_box("インターフェースをRS-232Cにしてください。");
            return true;
        }
        return run_modal<NetworkDialog>(owner);
    case 32791:
        return run_modal<BatchRunDialog>(owner, set_all_config());
    case 32804:
        return run_modal<BatchRunDialog>(owner, read_all_config());
    default:
        return false;
    }
}

}  // namespace velta
