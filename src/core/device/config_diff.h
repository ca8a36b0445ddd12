#pragma once
// The differences between two device configurations, item by item, in the order a set-all run
// sends them: titles, schedule days, the device-wide steps (the per-page attributes where
// their all-pages command goes), then the device network settings, which set-all leaves alone.

#include <string>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

struct ConfigDifference {
    std::string key;  // stable and machine-friendly: "title.003", "schedule.05.03"
    std::string label;  // what the dialogs call it: "P003 タイトル", "スケジュール 日05 03"
    std::string a_text;  // the value as the dialog shows it; titles stay in code page 932
    std::string b_text;

    bool operator==(const ConfigDifference&) const = default;
};

// Page labels follow a's page mode; each side's page values are shown in its own mode.
std::vector<ConfigDifference> diff(const DeviceConfig& a, const DeviceConfig& b);

// a with the items of the given difference keys taken from b: a title, a whole schedule entry
// (hour, minute, page), one page's attribute, a device-wide setting. Other items stay as in a;
// keys that do not differ or that no item has change nothing.
DeviceConfig take_items(const DeviceConfig& a, const DeviceConfig& b,
                        const std::vector<std::string>& keys);

}  // namespace velta
