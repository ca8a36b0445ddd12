#include "core/pages/page_sends.h"

#include <algorithm>
#include <array>

namespace velta {

std::vector<PageSend> page_sends(const DeviceConfig& config, const std::vector<int>& slots)
{
    std::vector<int> chosen;
    for (const int s : slots)
        if (s >= 0 && s < k_page_slots)
            chosen.push_back(s);
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());

    const bool two_lines = config.device.page_mode == 1;
    constexpr std::array k_kinds{PageDialogKind::title,           PageDialogKind::title_position,
                                 PageDialogKind::auto_switch,     PageDialogKind::colours,
                                 PageDialogKind::background_fill, PageDialogKind::char_level};
    std::vector<PageSend> sends;
    int last_page = -1;
    for (const int slot : chosen) {
        const int page = two_lines ? slot / 2 : slot;
        const bool page_first = page != last_page;
        last_page = page;
        for (const PageDialogKind kind : k_kinds) {
            const bool per_page = page_dialog_spec(kind).page_items == PageItems::page_numbers;
            if (!per_page)
                sends.push_back({kind, slot});
            else if (page_first)
                sends.push_back({kind, page});
        }
    }
    return sends;
}

BuiltCommand page_send_command(const DeviceConfig& config, const PageSend& send)
{
    return page_dialog_spec(send.kind).one(config, send.index);
}

}  // namespace velta
