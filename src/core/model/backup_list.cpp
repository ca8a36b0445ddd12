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

// The device part save_backup gives a device: what backup_file_name puts between the stamp and
// the extension.
std::string device_part(std::string_view device)
{
    const std::string name = backup_file_name(std::tm{}, device);
    return name.substr(k_stamp_length + 1,
                       name.size() - k_stamp_length - 1 - k_settings_extension.size());
}

// "20261209-154500_DEVICE[-N].dat" into its time and device, and a key that sorts the
// names by when they were written; false for any other name.
bool parse_name(std::string_view name, BackupEntry& entry, std::string& order)
{
    if (name.size() <= k_stamp_length + 1 + k_settings_extension.size() ||
        !name.ends_with(k_settings_extension) || name[8] != '-' || name[k_stamp_length] != '_' ||
        !all_digits(name.substr(0, 8)) || !all_digits(name.substr(9, 6)))
        return false;
    entry.time = std::string(name.substr(0, 4)) + "-" + std::string(name.substr(4, 2)) + "-" +
                 std::string(name.substr(6, 2)) + " " + std::string(name.substr(9, 2)) + ":" +
                 std::string(name.substr(11, 2)) + ":" + std::string(name.substr(13, 2));
    std::string_view rest = name.substr(k_stamp_length + 1);
    rest.remove_suffix(k_settings_extension.size());
    const std::size_t dash = rest.rfind('-');
    std::string sequence = "1";
    // A second backup in the same second carries "-2", "-3", ...
    if (dash != std::string_view::npos && all_digits(rest.substr(dash + 1)) &&
        rest.size() - dash <= 9) {
        sequence = std::string(rest.substr(dash + 1));
        rest = rest.substr(0, dash);
    }
    entry.device = std::string(rest);
    order = std::string(name.substr(0, k_stamp_length)) + std::string(8 - sequence.size(), '0') +
            sequence + entry.device;
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
