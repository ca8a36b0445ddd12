#pragma once
// Whole-file reads and atomic writes, files written as a run goes, the checks of the folders
// the program writes into and cleans up, and the extension rule of the save dialogs. Paths are
// UTF-8 on every platform (what the file dialogs hand over); reasons for a failure are the
// system's own words.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// A save's temporary file (".NAME.velta-<16 hex>.tmp") not written for this long was left by a
// killed save; a younger one may be another program's save that is still going.
inline constexpr std::chrono::minutes k_stale_temp_age{5};

// Writes a new temporary file of an unpredictable name beside the target (created exclusively,
// never through a link), flushes it to disk, gives it the target's permissions and renames it
// over the target, so an interrupted save leaves the old file or the new one. A target that is
// there and is neither a regular file nor a link (which is replaced, never followed) is refused.
// Stale temporary files of the user's killed saves in the folder are removed first. False when
// the target was not replaced; the old file then stays as it was and why (if given) holds the
// reason.
bool write_file_atomically(const std::string& path, std::string_view bytes,
                           std::string* why = nullptr);

// Whether write_file_atomically may replace what is at path: nothing, a regular file or a link.
// A folder, FIFO, device or socket is refused with why, so a caller can refuse before it starts.
bool can_replace(const std::string& path, std::string* why = nullptr);

// Whether a folder may be written into and cleaned up: refused when it is a link that neither
// the user nor the administrator owns (planted by another user), or when every user may write
// into it without the sticky bit (anyone could then swap its files). On Windows, where rights
// are access lists rather than mode bits, a folder that is a link or junction is refused.
bool check_folder_trusted(const std::string& folder, std::string* why = nullptr);

// The regular files of a folder that the user owns (links and other users' files left out),
// with the time each was last written. Empty when the folder cannot be read.
struct OwnFile {
    std::string name;  // UTF-8
    std::filesystem::file_time_type written;
};
std::vector<OwnFile> own_files(const std::string& folder);

// A file written as a run goes (the wire trace): buffered, written out by flush() and at the
// end. Opening refuses a link another user planted at the name and a folder check_folder_trusted
// refuses, and never follows a link that appears at the name after the check.
class StreamFile {
public:
    StreamFile() = default;
    ~StreamFile();
    StreamFile(const StreamFile&) = delete;
    StreamFile& operator=(const StreamFile&) = delete;

    // Creates or truncates path; false with why (if given) when it cannot or may not.
    bool open(const std::string& path, std::string* why = nullptr);
    bool is_open() const { return handle_ != k_closed; }
    void write(std::string_view bytes);
    void flush();
    // No write has failed since open.
    bool good() const { return is_open() && !failed_; }
    void close();

private:
    static constexpr std::intptr_t k_closed = -1;
    std::intptr_t handle_ = k_closed;  // a descriptor, or a HANDLE on Windows
    std::string pending_;
    bool failed_ = false;
};

// Appends ext unless the file's name (not the folders above it) holds it, in any case, somewhere
// after its first character.
std::string complete_extension(std::string_view name, std::string_view ext);

}  // namespace velta
