#pragma once
// Whole-file reads and atomic writes, and the extension rule of the save dialogs. Paths are
// UTF-8 on every platform (what the file dialogs hand over); reasons for a failure are the
// system's own words.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace velta {

// The file-error message; the system's reason goes beneath it as the box's detail.
inline constexpr std::string_view k_text_file_error = "Can't file open";

// Above this a read is refused before a byte is read, unless the caller names a smaller cap.
inline constexpr std::uintmax_t k_read_limit_bytes = 64u << 20;

// A UTF-8 path as the file system's own path (wide on Windows, bytes elsewhere).
std::filesystem::path path_from_utf8(std::string_view utf8);

// The whole of a regular file. Directories, FIFOs and devices are refused before they are
// read, as is a file larger than max_bytes; a read error never escapes as an exception. On
// failure why (if given) holds the reason.
std::optional<std::string> read_file_bytes(const std::string& path,
                                           std::uintmax_t max_bytes = k_read_limit_bytes,
                                           std::string* why = nullptr);

// Writes a new temporary file of an unpredictable name beside the target (created exclusively,
// never through a link), flushes it to disk, gives it the target's permissions and renames it
// over the target, so an interrupted save leaves the old file or the new one. Temporary files
// that killed saves of the same target left behind are removed first. False when the target
// was not replaced; the old file then stays as it was and why (if given) holds the reason.
bool write_file_atomically(const std::string& path, std::string_view bytes,
                           std::string* why = nullptr);

// Appends ext unless the file's name (not the folders above it) holds it, in any case, somewhere
// after its first character.
std::string complete_extension(std::string_view name, std::string_view ext);

}  // namespace velta
