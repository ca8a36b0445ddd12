#pragma once
// What "選択ページを送信" sends for a selection of page slots: for each slot, the command each
// page dialog's "設定" sends for it — title, position, colours and fill of the slot, switching
// time and level of its page (once for a page, whichever of its slots are chosen).

#include <vector>

#include "core/common/built_command.h"
#include "core/pages/page_dialog_table.h"

namespace velta {

struct PageSend {
    PageDialogKind kind;
    int index;  // the slot, or the page for the attributes kept per page
    bool operator==(const PageSend&) const = default;
};

// In slot order, each slot's commands in the order of the dialogs in the menu.
std::vector<PageSend> page_sends(const DeviceConfig& config, const std::vector<int>& slots);
// The bytes of one, built when it is sent from the configuration as it is then.
BuiltCommand page_send_command(const DeviceConfig& config, const PageSend& send);

}  // namespace velta
