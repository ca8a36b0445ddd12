#include <memory>

#include "gui/dialog_openers_widgets.h"
#include "pages/date_time_dialog.h"
#include "pages/display_page_dialog.h"
#include "pages/page_list_dialog.h"
#include "pages/title_dialog.h"

namespace velta {
namespace {

// Menu id and toolbar id of each dialog of this area.
std::unique_ptr<QDialog> make_page_dialog(int command_id, QWidget* owner)
{
    switch (command_id) {
        case 32780:
        case 501:
            return std::make_unique<DateTimeDialog>(owner);
        case 32781:
        case 502:
            return std::make_unique<TitleDialog>(owner);
        case 32782:
        case 503:
            return std::make_unique<PageListDialog>(PageDialogKind::title_position, owner);
        case 32783:
        case 504:
            return std::make_unique<PageListDialog>(PageDialogKind::auto_switch, owner);
        case 32784:
        case 505:
            return std::make_unique<PageListDialog>(PageDialogKind::colours, owner);
        case 32785:
        case 506:
            return std::make_unique<PageListDialog>(PageDialogKind::background_fill, owner);
        case 32786:
        case 507:
            return std::make_unique<PageListDialog>(PageDialogKind::char_level, owner);
        case 32802:
        case 512:
            return std::make_unique<DisplayPageDialog>(owner);
        default:
            return nullptr;
    }
}

}  // namespace

bool open_page_dialog(int command_id, QWidget* owner)
{
    std::unique_ptr<QDialog> dialog = make_page_dialog(command_id, owner);
    if (!dialog)
        return false;
    dialog->exec();
    return true;
}

}  // namespace velta
