#pragma once
// The backups a folder holds, as save_backup names them, newest first: what a restore offers.

#include <string>
#include <string_view>
#include <vector>

namespace velta {

struct BackupEntry {
    std::string path;    // UTF-8
    std::string time;    // "2026-12-09 15:45:00", local time as the name holds it
    std::string device;  // as the name holds it: "192.168.1.10", "COM1_05"
};

// The backups of folder, newest first. With device given, only those save_backup named for
// that device (a second backup of a second, "-2", included); other files are left out.
std::vector<BackupEntry> list_backups(const std::string& folder, std::string_view device = {});

}  // namespace velta
