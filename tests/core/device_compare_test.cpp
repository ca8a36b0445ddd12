// Comparing with a device: the checked rows alone make the send plan, the read-back verifies
// them row by row, and the device is named for its backup.
#include "core/device/device_compare.h"

#include <gtest/gtest.h>

#include "core/device/send_plan.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"

namespace velta {
namespace {

TEST(DeviceCompare, OnlyTheCheckedRowsAreSentAndTheReadBackVerifiesEachOne)
{
    DeviceConfig tool;
    tool.pages.page_title[0] = "A";
    tool.device.schedule_hour[4][2] = 13;
    tool.device.schedule_page[4][2] = 6;
    tool.device.schedule_hour[4][3] = 14;
    tool.device.alarm_hold_time = "045";
    const DeviceConfig device;
    std::vector<CompareRow> rows = compare_rows(tool, device);
    ASSERT_EQ(rows.size(), 4u);
    rows[2].checked = false;  // schedule.05.04

    const DeviceConfig wanted = wanted_for_checked(rows, tool, device);
    std::vector<std::string> covered;
    for (const PlanStep& s : send_plan(device, wanted))
        covered.insert(covered.end(), s.keys.begin(), s.keys.end());
    EXPECT_EQ(covered,
              (std::vector<std::string>{"title.001", "schedule.05.03", "alarm.hold_time"}));
    // The day goes whole, with the unchecked entry as the device holds it.
    EXPECT_EQ(wanted.device.schedule_hour[4][3], device.device.schedule_hour[4][3]);

    DeviceConfig after = wanted;
    after.device.alarm_hold_time = "046";  // the device stored something else
    verify_rows(rows, tool, after);
    std::vector<std::string> results;
    for (const CompareRow& r : rows) results.push_back(r.result);
    EXPECT_EQ(results, (std::vector<std::string>{"✓", "✓", "", "046"}));
}

TEST(DeviceCompare, BackupsNameTheDeviceByHostOrPortAndSlave)
{
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::client;
    l.host_list = {IpAddress{10, 0, 0, 1}, IpAddress{192, 168, 1, 10}};
    l.selected_host = 1;
    EXPECT_EQ(backup_device_name(link_settings()), "192.168.1.10");
    l.interface = Interface::serial;
    l.com_port_index = 1;
    EXPECT_EQ(backup_device_name(link_settings()), "COM2");
    l.rs485 = true;
    l.slave_address = 5;
    EXPECT_EQ(backup_device_name(link_settings()), "COM2_05");
    link_settings() = {};
}

}  // namespace
}  // namespace velta
