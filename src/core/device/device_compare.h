#pragma once
// Comparing the tool's configuration with a device's, item by item: the queries that read the
// device into a second configuration, the configuration that sending only the checked rows
// brings the device to, and what each row shows once the device was read back.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/device/config_diff.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "core/wire/paced_run.h"

namespace velta {

// Every query that reads a whole configuration: read-all's, then the network dialog's for the
// four network options a settings file keeps.
std::vector<std::string> compare_read_queries();

// A run of total steps that perform sends, followed by one step that sends nothing, so that the
// last answer is in before the run ends (a read's result is taken when its run ends):
// last = total + 1. The host adds progress and finished.
RunSteps steps_with_quiet_end(int total, std::function<StepResult(int step)> perform);

struct CompareRow {
    ConfigDifference item;  // a_text: the tool's value, b_text: the device's
    bool checked = true;
    std::string result;  // after a send and read-back: k_text_verified or the device's value
};

inline constexpr std::string_view k_text_verified = "✓";

// One checked row per difference of diff(tool, device).
std::vector<CompareRow> compare_rows(const DeviceConfig& tool, const DeviceConfig& device);
std::vector<std::string> checked_keys(const std::vector<CompareRow>& rows);

// The device's configuration with the checked rows taken from the tool's: what a send of those
// rows alone must leave on the device.
DeviceConfig wanted_for_checked(const std::vector<CompareRow>& rows, const DeviceConfig& tool,
                                const DeviceConfig& device);

// After the read-back: each checked row shows k_text_verified when the device now holds the
// tool's value, else the value the device reports, and its device value is the one read back.
// Unchecked rows show nothing and keep the device's value as it was read.
void verify_rows(std::vector<CompareRow>& rows, const DeviceConfig& tool,
                 const DeviceConfig& device);

// The checked rows whose device value still differs from the tool's: what taking the device's
// values changes.
std::vector<std::string> keys_to_take(const std::vector<CompareRow>& rows, const DeviceConfig& tool,
                                      const DeviceConfig& device);
// Rows listed again after a change keep the check marks the operator gave them.
void keep_checks(std::vector<CompareRow>& rows, const std::vector<CompareRow>& before);

// The device as a backup names it: the peer's or host's address on TCP/IP, "COM1" or
// "COM1_05" (the slave address in RS-485 mode) on the serial link.
std::string backup_device_name(const LinkSettings& link);

}  // namespace velta
