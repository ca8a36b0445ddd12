#include "core/model/settings_backup.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "core/common/file_io.h"
#include "core/model/settings_file.h"

namespace velta {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t k_stamp_length = 15;  // "20261209-154500"

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool safe_char(char c)
{
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
           c == '-' || c == '_';
}

// A name backup_file_name gives: the stamp, '_', something, ".dat".
bool is_backup_name(std::string_view name)
{
    if (name.size() <= k_stamp_length + 1 + k_settings_extension.size() ||
        !name.ends_with(k_settings_extension) || name[8] != '-' || name[k_stamp_length] != '_')
        return false;
    for (std::size_t i = 0; i < k_stamp_length; ++i)
        if (i != 8 && !is_digit(name[i]))
            return false;
    return true;
}

std::tm local_time(std::chrono::system_clock::time_point when)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return tm;
}

std::string utf8_name(const fs::path& p)
{
    const std::u8string name = p.filename().u8string();
    return {name.begin(), name.end()};
}

// Removes the oldest backups beyond k_backups_kept; a file that cannot be removed stays.
void prune_backups(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(path_from_utf8(folder), ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code type_ec;
        if (it->is_regular_file(type_ec) && is_backup_name(utf8_name(it->path())))
            names.push_back(utf8_name(it->path()));
    }
    if (names.size() <= static_cast<std::size_t>(k_backups_kept))
        return;
    std::sort(names.begin(), names.end());
    names.resize(names.size() - static_cast<std::size_t>(k_backups_kept));
    for (const std::string& name : names) fs::remove(path_from_utf8(folder + "/" + name), ec);
}

}  // namespace

std::string backup_file_name(const std::tm& local_time, std::string_view device)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d-%02d%02d%02d", local_time.tm_year + 1900,
                  local_time.tm_mon + 1, local_time.tm_mday, local_time.tm_hour, local_time.tm_min,
                  local_time.tm_sec);
    std::string name = std::string(stamp) + "_";
    for (char c : device) name.push_back(safe_char(c) ? c : '_');
    if (device.empty())
        name.push_back('_');
    name.append(k_settings_extension);
    return name;
}

std::string save_backup(const std::string& folder, std::string_view device,
                        const DeviceConfig& config, std::chrono::system_clock::time_point when,
                        std::string* why)
{
    std::error_code ec;
    fs::create_directories(path_from_utf8(folder), ec);
    if (ec) {
        if (why)
            *why = ec.message();
        return {};
    }
    const std::string name = backup_file_name(local_time(when), device);
    const std::string stem = name.substr(0, name.size() - k_settings_extension.size());
    std::string path = folder + "/" + name;
    for (int n = 2; fs::exists(path_from_utf8(path), ec); ++n)
        path = folder + "/" + stem + "-" + std::to_string(n) + std::string(k_settings_extension);
    if (!save_settings_file(path, config, why))
        return {};
    prune_backups(folder);
    return path;
}

}  // namespace velta
