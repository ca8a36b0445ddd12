#include "core/model/settings_backup.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "core/common/file_io.h"
#include "core/model/settings_file.h"

namespace velta {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t k_stamp_length = 15;  // "20261209-154500"
constexpr std::string_view k_backup_mark = "~velta";
constexpr std::size_t k_sequence_digits_max = 6;

// File times may be coarser than the clock (FAT keeps two seconds): a backup written just
// after a run started must still count as the run's.
constexpr std::chrono::seconds k_file_time_slack{2};

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

bool safe_char(char c)
{
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '.' ||
           c == '-' || c == '_';
}

int number_at(std::string_view s, std::size_t at, std::size_t digits)
{
    int n = 0;
    for (std::size_t i = at; i < at + digits; ++i) n = n * 10 + (s[i] - '0');
    return n;
}

// "YYYYMMDD-HHMMSS" of a real date and time (a leap second allowed).
bool is_stamp(std::string_view s)
{
    if (s.size() != k_stamp_length || s[8] != '-')
        return false;
    for (std::size_t i = 0; i < k_stamp_length; ++i)
        if (i != 8 && !is_digit(s[i]))
            return false;
    const int month = number_at(s, 4, 2);
    const int day = number_at(s, 6, 2);
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && number_at(s, 9, 2) <= 23 &&
           number_at(s, 11, 2) <= 59 && number_at(s, 13, 2) <= 60;
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

// Removes the device's backups beyond its newest k_backups_kept, by the time each was written
// (the names break ties: "-10" is newer than "-2"), except those written since spared_from and
// the one just written. A file that cannot be removed stays.
void prune_backups(const std::string& folder, const BackupName& saved, const std::string& written,
                   fs::file_time_type spared_from)
{
    struct Backup {
        OwnFile file;
        BackupName name;
    };
    std::vector<Backup> backups;
    for (OwnFile& f : own_files(folder)) {
        std::optional<BackupName> name = parse_backup_name(f.name);
        if (name && name->device == saved.device)
            backups.push_back({std::move(f), std::move(*name)});
    }
    if (backups.size() <= static_cast<std::size_t>(k_backups_kept))
        return;
    std::sort(backups.begin(), backups.end(), [](const Backup& a, const Backup& b) {
        if (a.file.written != b.file.written)
            return a.file.written > b.file.written;
        if (a.name.stamp != b.name.stamp)
            return a.name.stamp > b.name.stamp;
        return a.name.sequence > b.name.sequence;
    });
    for (std::size_t i = static_cast<std::size_t>(k_backups_kept); i < backups.size(); ++i) {
        const Backup& b = backups[i];
        if (b.file.written >= spared_from || b.file.name == written)
            continue;
        std::error_code ignored;
        fs::remove(path_from_utf8(folder + "/" + b.file.name), ignored);
    }
}

// The file clock's reading of a moment of the system clock.
fs::file_time_type file_time_of(std::chrono::system_clock::time_point t)
{
    const auto ago = std::chrono::system_clock::now() - t;
    return fs::file_time_type::clock::now() -
           std::chrono::duration_cast<fs::file_time_type::duration>(ago);
}

bool name_taken(const std::string& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path_from_utf8(path), ec));
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
    name.append(k_backup_mark);
    name.append(k_settings_extension);
    return name;
}

std::optional<BackupName> parse_backup_name(std::string_view name)
{
    if (!name.ends_with(k_settings_extension))
        return std::nullopt;
    name.remove_suffix(k_settings_extension.size());
    if (name.size() <= k_stamp_length + 1 || name[k_stamp_length] != '_' ||
        !is_stamp(name.substr(0, k_stamp_length)))
        return std::nullopt;
    const std::string_view rest = name.substr(k_stamp_length + 1);
    const std::size_t at = rest.find(k_backup_mark);
    if (at == 0 || at == std::string_view::npos)
        return std::nullopt;
    const std::string_view device = rest.substr(0, at);
    if (!std::all_of(device.begin(), device.end(), safe_char))
        return std::nullopt;
    BackupName out{std::string(name.substr(0, k_stamp_length)), std::string(device), 1};
    const std::string_view tail = rest.substr(at + k_backup_mark.size());
    if (tail.empty())
        return out;
    const std::string_view digits = tail.substr(1);
    if (tail[0] != '-' || digits.empty() || digits.size() > k_sequence_digits_max ||
        digits[0] == '0' || !std::all_of(digits.begin(), digits.end(), is_digit))
        return std::nullopt;
    out.sequence = number_at(digits, 0, digits.size());
    if (out.sequence < 2)
        return std::nullopt;
    return out;
}

std::string save_backup(const std::string& folder, std::string_view device,
                        const DeviceConfig& config, std::chrono::system_clock::time_point when,
                        std::string* why,
                        std::optional<std::chrono::system_clock::time_point> run_started)
{
    const fs::file_time_type spared_from =
        file_time_of(run_started.value_or(std::chrono::system_clock::now())) - k_file_time_slack;
    std::error_code ec;
    const fs::path dir = path_from_utf8(folder);
    // A link at the folder's name is judged, not followed into a new folder.
    if (!fs::exists(fs::symlink_status(dir, ec)))
        fs::create_directories(dir, ec);
    if (ec) {
        if (why)
            *why = ec.message();
        return {};
    }
    if (!check_folder_trusted(folder, why))
        return {};
    const std::string name = backup_file_name(local_time(when), device);
    const std::string stem = name.substr(0, name.size() - k_settings_extension.size());
    std::string file = name;
    for (int n = 2; name_taken(folder + "/" + file); ++n)
        file = stem + "-" + std::to_string(n) + std::string(k_settings_extension);
    const std::string path = folder + "/" + file;
    if (!save_settings_file(path, config, why))
        return {};
    if (const std::optional<BackupName> saved = parse_backup_name(file))
        prune_backups(folder, *saved, file, spared_from);
    return path;
}

}  // namespace velta
