#include "core/model/backup_list.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/common/file_io.h"
#include "core/model/settings_backup.h"
#include "core/model/settings_file.h"

namespace velta {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t k_stamp_length = 15;  // "20261209-154500"

bool all_digits(std::string_view s)
{
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The device part save_backup gives a device in its names.
std::string device_part(std::string_view device)
{
    std::tm day{};
    day.tm_year = 126;
    day.tm_mday = 1;
    const auto backup = parse_backup_name(backup_file_name(day, device));
    return backup ? backup->device : std::string(device);
}

std::string padded(std::string_view digits)
{
    return std::string(8 - digits.size(), '0') + std::string(digits);
}

std::string shown_time(std::string_view stamp)
{
    return std::string(stamp.substr(0, 4)) + "-" + std::string(stamp.substr(4, 2)) + "-" +
           std::string(stamp.substr(6, 2)) + " " + std::string(stamp.substr(9, 2)) + ":" +
           std::string(stamp.substr(11, 2)) + ":" + std::string(stamp.substr(13, 2));
}

// A backup's name into its time and device, and a key that sorts the names by when they were
// written; false for any other name. Names of earlier versions ("20261209-154500_DEVICE[-N].dat",
// without the program's mark) are listed too: a restore only reads them.
bool parse_name(std::string_view name, BackupEntry& entry, std::string& order)
{
    if (const auto backup = parse_backup_name(name)) {
        entry.time = shown_time(backup->stamp);
        entry.device = backup->device;
        order = backup->stamp + padded(std::to_string(backup->sequence)) + entry.device;
        return true;
    }
    if (name.size() <= k_stamp_length + 1 + k_settings_extension.size() ||
        !name.ends_with(k_settings_extension) || name[8] != '-' || name[k_stamp_length] != '_' ||
        !all_digits(name.substr(0, 8)) || !all_digits(name.substr(9, 6)))
        return false;
    entry.time = shown_time(name);
    std::string_view rest = name.substr(k_stamp_length + 1);
    rest.remove_suffix(k_settings_extension.size());
    const std::size_t dash = rest.rfind('-');
    std::string_view sequence = "1";
    // A second backup in the same second carries "-2", "-3", ...
    if (dash != std::string_view::npos && all_digits(rest.substr(dash + 1)) &&
        rest.size() - dash <= 9) {
        sequence = rest.substr(dash + 1);
        rest = rest.substr(0, dash);
    }
    entry.device = std::string(rest);
    order = std::string(name.substr(0, k_stamp_length)) + padded(sequence) + entry.device;
    return true;
}

std::string utf8_name(const fs::path& p)
{
    const std::u8string name = p.filename().u8string();
    return {name.begin(), name.end()};
}

}  // namespace

std::vector<BackupEntry> list_backups(const std::string& folder, std::string_view device)
{
    const std::string wanted = device.empty() ? std::string() : device_part(device);
    std::vector<std::pair<std::string, BackupEntry>> found;
    std::error_code ec;
    for (fs::directory_iterator it(path_from_utf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code type_ec;
        if (!it->is_regular_file(type_ec))
            continue;
        const std::string name = utf8_name(it->path());
        BackupEntry entry;
        std::string order;
        if (!parse_name(name, entry, order) || (!wanted.empty() && entry.device != wanted))
            continue;
        entry.path = folder + "/" + name;
        found.emplace_back(std::move(order), std::move(entry));
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<BackupEntry> out;
    for (auto& [order, entry] : found) out.push_back(std::move(entry));
    return out;
}

}  // namespace velta
