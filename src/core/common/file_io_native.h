#pragma once
// Inside the file layer: what its portable part (file_io.cpp) and each system's part
// (file_io_posix.cpp, file_io_windows.cpp) share. Nothing outside those files includes it.

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>

#include "core/common/file_io.h"

namespace velta::file_native {

namespace fs = std::filesystem;

using NativeString = fs::path::string_type;

inline NativeString ascii(std::string_view s)
{
    return NativeString(s.begin(), s.end());
}

inline void set_reason(std::string* why, std::string reason)
{
    if (why)
        *why = std::move(reason);
}

constexpr std::string_view k_temp_mark = ".velta-";
constexpr std::string_view k_temp_suffix = ".tmp";
constexpr std::size_t k_temp_random_digits = 16;
constexpr int k_temp_attempts = 8;

// ".settings.dat.velta-": what every temporary file of this target starts with.
inline NativeString temp_prefix(const fs::path& target)
{
    return ascii(".") + target.filename().native() + ascii(k_temp_mark);
}

// ".NAME.velta-<16 hex>.tmp" for any NAME: what random_temp_name makes, and nothing else.
inline bool is_temp_name(const NativeString& name)
{
    const NativeString mark = ascii(k_temp_mark);
    const NativeString suffix = ascii(k_temp_suffix);
    const std::size_t tail = mark.size() + k_temp_random_digits + suffix.size();
    if (name.size() < 2 + tail || name[0] != '.')
        return false;
    const std::size_t at = name.size() - tail;
    if (name.compare(at, mark.size(), mark) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    for (std::size_t i = at + mark.size(); i < at + mark.size() + k_temp_random_digits; ++i) {
        const auto c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

inline fs::path random_temp_name(const fs::path& folder, const fs::path& target)
{
    // One source per thread: saves may run side by side.
    thread_local std::random_device source;
    static constexpr std::array<char, 16> k_hex{'0', '1', '2', '3', '4', '5', '6', '7',
                                                '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string digits;
    while (digits.size() < k_temp_random_digits) {
        unsigned word = source();
        for (int i = 0; i < 8 && digits.size() < k_temp_random_digits; ++i, word >>= 4)
            digits.push_back(k_hex[word & 0xFu]);
    }
    return folder / (temp_prefix(target) + ascii(digits) + ascii(k_temp_suffix));
}

constexpr std::string_view k_not_regular = "Not a regular file";
constexpr std::string_view k_foreign_link = "A link owned by another user";
constexpr std::string_view k_open_folder =
    "A folder every user may write to, without the sticky bit";

// What is at a name, judged without following a link.
enum class EntryKind { none, link, own_file, other };

inline std::string too_large(std::uintmax_t max_bytes)
{
    return "File too large (more than " + std::to_string(max_bytes) + " bytes)";
}

// Refuses what is not worth opening: no such file, a folder, a FIFO or device (which could
// block or never end), or a file beyond the cap.
inline bool check_before_read(const fs::path& p, std::uintmax_t max_bytes, std::string* why)
{
    std::error_code ec;
    const fs::file_status s = fs::status(p, ec);
    if (ec) {
        set_reason(why, ec.message());
        return false;
    }
    if (fs::is_directory(s)) {
        set_reason(why, std::make_error_code(std::errc::is_a_directory).message());
        return false;
    }
    if (!fs::is_regular_file(s)) {
        set_reason(why, std::string(k_not_regular));
        return false;
    }
    const std::uintmax_t size = fs::file_size(p, ec);
    if (!ec && size > max_bytes) {
        set_reason(why, too_large(max_bytes));
        return false;
    }
    return true;
}

constexpr std::size_t k_io_chunk = std::size_t{64} * 1024;

// A file that was created and then failed is removed again; a name already taken is left alone.
enum class TempWrite { written, name_taken, failed };

inline TempWrite drop_created(const fs::path& temp)
{
    std::error_code ignored;
    fs::remove(temp, ignored);
    return TempWrite::failed;
}

// Each system's part.
std::optional<std::string> read_native(const fs::path& p, std::uintmax_t max_bytes,
                                       std::string* why);
TempWrite fill_new_file(const fs::path& temp, const fs::path& target, std::string_view bytes,
                        std::string* why);
bool replace_target(const fs::path& temp, const fs::path& target, std::string* why);
EntryKind entry_kind(const fs::path& p);
bool replace_refused(const fs::path& p, std::string* why);
bool folder_trusted(const fs::path& p, std::string* why);
bool open_stream(const fs::path& p, std::intptr_t& handle, std::string* why);
bool write_stream(std::intptr_t handle, std::string_view bytes);
void close_stream(std::intptr_t handle);

}  // namespace velta::file_native
