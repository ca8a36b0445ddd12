#pragma once
// The settings data file (.dat): one value per line, 4,053 lines, CR LF line ends.

#include <cstdint>
#include <string>
#include <string_view>

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
};

// Parses and checks the whole text; either line end is accepted.
SettingsLoad parse_settings_file(std::string_view text);

enum class FileStatus { ok, cannot_open, malformed };

struct FileResult {
    FileStatus status = FileStatus::ok;
    std::string message;  // "Can't file open", or the problem of a malformed file
    std::string reason;   // why it could not be read, in the system's words
    DeviceConfig config;  // what the file holds, when ok
};

FileResult load_settings_file(const std::string& path);
// Atomic: the old file stays intact when the save fails, and why (if given) says why.
bool save_settings_file(const std::string& path, const DeviceConfig& config,
                        std::string* why = nullptr);

}  // namespace velta
