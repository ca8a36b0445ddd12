#pragma once
// Backups of a device's configuration, taken before it is changed: settings data files in one
// folder, named by the time and the device, of which the newest k_backups_kept of each device
// stay.

#include <chrono>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_backups_kept = 50;

// "20261209-154500_192.168.1.10~velta.dat", "20261209-154500_COM1_05~velta.dat": the local
// time, then the device, in which anything but letters, digits, '.', '-' and '_' becomes '_' so
// that the name is one a Windows folder takes, then the mark that no device name can hold and
// that tells the program's backups from the user's files. Names sort by time.
std::string backup_file_name(const std::tm& local_time, std::string_view device);

// What a backup's name says; nothing for a name backup_file_name and save_backup do not make.
struct BackupName {
    std::string stamp;   // "20261209-154500"
    std::string device;  // as in the name: "192.168.1.10", "COM1_05"
    int sequence = 1;    // 2, 3, ... for further backups of the device within one second
};
std::optional<BackupName> parse_backup_name(std::string_view name);

// Writes config as a settings data file into folder (created when missing), named by when and
// device; a second backup of the same device within the same second gets "-2", "-3", ... before
// the extension. A folder that check_folder_trusted refuses is refused. Then removes the
// device's backups beyond its newest k_backups_kept (by the time they were written), sparing
// those written since run_started (default: this backup alone), so that a run over many
// devices that share a name loses none of its own; only the user's own files of a backup's name
// are ever removed. Returns the path written, or empty with why (if given) saying why.
std::string save_backup(
    const std::string& folder, std::string_view device, const DeviceConfig& config,
    std::chrono::system_clock::time_point when = std::chrono::system_clock::now(),
    std::string* why = nullptr,
    std::optional<std::chrono::system_clock::time_point> run_started = std::nullopt);

}  // namespace velta
