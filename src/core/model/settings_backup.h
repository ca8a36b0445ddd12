#pragma once
// Backups of a device's configuration, taken before it is changed: settings data files in one
// folder, named by the time and the device, of which the newest k_backups_kept stay.

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_backups_kept = 50;

// "20261209-154500_192.168.1.10.dat", "20261209-154500_COM1_05.dat": the local time, then the
// device, in which anything but letters, digits, '.', '-' and '_' becomes '_' so that the name
// is one a Windows folder takes. Names sort by time.
std::string backup_file_name(const std::tm& local_time, std::string_view device);

// Writes config as a settings data file into folder (created when missing), named by when and
// device; a second backup of the same device within the same second gets "-2", "-3", ... before
// the extension. Then removes the oldest backups of the folder beyond k_backups_kept (other
// files are left alone). Returns the path written, or empty with why (if given) saying why.
std::string save_backup(
    const std::string& folder, std::string_view device, const DeviceConfig& config,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now(),
    std::string* why = nullptr);

}  // namespace velta
