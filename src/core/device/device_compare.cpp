#include "core/device/device_compare.h"

#include <algorithm>
#include <cstdint>

#include "core/device/batch_steps.h"
#include "core/device/send_plan.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/peer_table.h"

namespace velta {

std::vector<std::string> compare_read_queries()
{
    std::vector<std::string> queries;
    for (int step = 1; step < k_read_all_steps; ++step) queries.push_back(read_all_query(step));
    const std::vector<std::string> network =
        read_plan({"network.subnet_class", "network.connection_try", "network.keep_alive",
                   "network.time_register"});
    queries.insert(queries.end(), network.begin(), network.end());
    return queries;
}

RunSteps steps_with_quiet_end(int total, std::function<StepResult(int step)> perform)
{
    RunSteps steps;
    steps.last = total + 1;
    steps.perform = [perform = std::move(perform), total](int step) {
        return step <= total ? perform(step) : StepResult::sent;
    };
    return steps;
}

std::vector<CompareRow> compare_rows(const DeviceConfig& tool, const DeviceConfig& device)
{
    std::vector<CompareRow> rows;
    for (ConfigDifference& d : diff(tool, device)) rows.push_back({std::move(d), true, {}});
    return rows;
}

std::vector<std::string> checked_keys(const std::vector<CompareRow>& rows)
{
    std::vector<std::string> keys;
    for (const CompareRow& r : rows)
        if (r.checked)
            keys.push_back(r.item.key);
    return keys;
}

DeviceConfig wanted_for_checked(const std::vector<CompareRow>& rows, const DeviceConfig& tool,
                                const DeviceConfig& device)
{
    return take_items(device, tool, checked_keys(rows));
}

void verify_rows(std::vector<CompareRow>& rows, const DeviceConfig& tool,
                 const DeviceConfig& device)
{
    const std::vector<ConfigDifference> left = diff(tool, device);
    for (CompareRow& r : rows) {
        r.result.clear();
        if (!r.checked)
            continue;
        const auto still = std::find_if(left.begin(), left.end(), [&](const ConfigDifference& d) {
            return d.key == r.item.key;
        });
        r.result = still == left.end() ? std::string(k_text_verified) : still->b_text;
        r.item.b_text = still == left.end() ? r.item.a_text : still->b_text;
    }
}

std::vector<std::string> keys_to_take(const std::vector<CompareRow>& rows, const DeviceConfig& tool,
                                      const DeviceConfig& device)
{
    std::vector<std::string> keys;
    for (const ConfigDifference& d : diff(tool, device))
        for (const CompareRow& r : rows)
            if (r.checked && r.item.key == d.key)
                keys.push_back(d.key);
    return keys;
}

void keep_checks(std::vector<CompareRow>& rows, const std::vector<CompareRow>& before)
{
    for (CompareRow& r : rows)
        for (const CompareRow& b : before)
            if (b.item.key == r.item.key)
                r.checked = b.checked;
}

std::string backup_device_name(const LinkSettings& l)
{
    if (l.interface == Interface::tcp) {
        if (l.tcp_role == TcpRole::server)
            return selected_peer_address(l);
        if (l.selected_host < 0 || l.selected_host >= static_cast<int>(l.host_list.size()))
            return {};
        std::string name;
        for (std::uint8_t part : l.host_list[static_cast<std::size_t>(l.selected_host)])
            name += (name.empty() ? "" : ".") + std::to_string(part);
        return name;
    }
    std::string name = "COM" + std::to_string(l.com_port_index + 1);
    if (l.rs485 && l.slave_address < 32) {
        name += l.slave_address < 10 ? "_0" : "_";
        name += std::to_string(l.slave_address);
    }
    return name;
}

}  // namespace velta
