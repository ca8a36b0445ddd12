#include "core/device/schedule_commands.h"

#include "core/device/device_fields.h"
#include "core/model/settings_model.h"

namespace velta {
namespace {
constexpr std::size_t k_entry_width = 7;

bool valid_day(int day)
{
    return day >= 0 && day < k_schedule_days;
}
}  // namespace

std::string schedule_page_field(int page, int page_count)
{
    if (page == k_page_pas)
        return "PAS";
    std::string field = "000";
    if (page >= 0 && page < page_count)
        put_dec3(field, 0, page + 1);
    return field;
}

std::string schedule_day_command(const DeviceConfig& config, int day)
{
    if (!valid_day(day))
        return {};
    const auto d = static_cast<std::size_t>(day);
    const DeviceSettings& dev = config.device;
    const int pages = page_count_for_mode(dev.page_mode);
    std::string c = "SD01";
    put_dec2(c, 2, day + 1);
    c.reserve(4 + k_entry_width * k_schedule_entries + 2);
    for (std::size_t e = 0; e < k_schedule_entries; ++e) {
        std::string entry = "0000000";
        put_dec2(entry, 0, dev.schedule_hour[d][e]);
        put_dec2(entry, 2, dev.schedule_minute[d][e]);
        entry.replace(4, 3, schedule_page_field(dev.schedule_page[d][e], pages));
        c += entry;
    }
    c += "\r\n";
    return c;
}

std::string schedule_entry_text(const DeviceConfig& config, int day, int entry)
{
    if (!valid_day(day) || entry < 0 || entry >= k_schedule_entries)
        return {};
    const auto d = static_cast<std::size_t>(day);
    const auto e = static_cast<std::size_t>(entry);
    const DeviceSettings& dev = config.device;
    std::string t = "00 = 00:00 ";
    put_dec2(t, 0, entry + 1);
    put_dec2(t, 5, dev.schedule_hour[d][e]);
    put_dec2(t, 8, dev.schedule_minute[d][e]);
    const int page = dev.schedule_page[d][e];
    if (page == k_page_pas) {
        t += "PAS ";
    } else if (page >= 0 && page < page_count_for_mode(dev.page_mode)) {
        std::string p = "P000";
        put_dec3(p, 1, page + 1);
        t += p;
    } else {
        t += "--- ";
    }
    return t;
}

void schedule_day_off(DeviceConfig& config, int day)
{
    if (!valid_day(day))
        return;
    config.device.schedule_page[static_cast<std::size_t>(day)].fill(k_schedule_page_none);
}

}  // namespace velta
