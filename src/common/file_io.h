#pragma once
// Whole-file reads and atomic writes, and the extension rule of the save dialogs.

#include <optional>
#include <string>
#include <string_view>

namespace velta {

std::optional<std::string> read_file_bytes(const std::string& path);
// Writes a temporary file beside the target and renames it over the target, so an interrupted
// save never leaves a truncated file. False when nothing could be written; the old file stays.
bool write_file_atomically(const std::string& path, std::string_view bytes);

// Appends ext unless the name holds it (case-sensitively) somewhere after its first character.
std::string complete_extension(std::string_view name, std::string_view ext);

}  // namespace velta
