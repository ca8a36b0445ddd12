#pragma once
// The settings data file (.dat): one value per line, 4,053 lines, CR LF line ends.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr int k_settings_file_lines = 4053;
inline constexpr std::string_view k_settings_extension = ".dat";
// A sound file is about 40 KB (at most about 250 KB with every title full); anything beyond
// this is refused before it is read.
inline constexpr std::uintmax_t k_settings_file_max_bytes = 1u << 20;

std::string settings_file_text(const DeviceConfig& config);

struct SettingsLoad {
    bool ok = false;
    int line = 0;         // 1-based line of the first problem
    std::string message;  // what is wrong, for the operator
    DeviceConfig config;  // what the file holds, when ok
    // Lines whose value no command can carry, read as their defaults (titles blank): files of
    // earlier versions, which took such values from replies and edits unchecked.
    std::vector<std::size_t> defaulted_lines;
};

// Parses and checks the whole text; either line end is accepted. A value beyond what the file
// can hold refuses it; one the file can hold but its command cannot carry reads as its default.
SettingsLoad parse_settings_file(std::string_view text);

// Whether the device can take a title (the page area installs it: register_page_replies); a
// title it cannot take reads blank. Without one every title is kept.
using TitleCheck = bool (*)(int slot, std::string_view title);
void set_settings_title_check(TitleCheck check);

// "設定ファイルの 4022, 4023 行目は本機に送れない値でした。…": the warning of a file that
// loaded with defaulted values.
std::string defaulted_lines_text(const std::vector<std::size_t>& lines);

enum class FileStatus { ok, cannot_open, malformed };

struct FileResult {
    FileStatus status = FileStatus::ok;
    std::string message;  // "Can't file open", or the problem of a malformed file
    std::string reason;   // why it could not be read, in the system's words
    DeviceConfig config;  // what the file holds, when ok
    std::string warning;  // loaded, but values were defaulted (defaulted_lines_text)
    std::vector<std::size_t> defaulted_lines;
};

FileResult load_settings_file(const std::string& path);
// Atomic: the old file stays intact when the save fails, and why (if given) says why.
bool save_settings_file(const std::string& path, const DeviceConfig& config,
                        std::string* why = nullptr);

}  // namespace velta
