#include "core/common/file_io.h"

#include <algorithm>
#include <array>
#include <exception>
#include <random>
#include <system_error>

#include "core/common/file_io_native.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace velta {
namespace fs = std::filesystem;
using namespace file_native;

namespace {

// A killed save leaves its temporary file under a name no later save reuses (and each backup
// has a new target), so a save clears the folder of the user's temporaries that no one has
// written for k_stale_temp_age. A younger one may be a save still going in another program;
// another user's is theirs. A link at such a name was never a temporary file: it goes as a
// link, never followed.
void remove_stale_temps(const fs::path& folder)
{
    const fs::file_time_type now = fs::file_time_type::clock::now();
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (!is_temp_name(p.filename().native()))
            continue;
        const EntryKind kind = entry_kind(p);
        std::error_code ignored;
        if (kind == EntryKind::own_file) {
            const fs::file_time_type written = fs::last_write_time(p, ignored);
            if (ignored || now - written < k_stale_temp_age)
                continue;
        } else if (kind != EntryKind::link) {
            continue;
        }
        fs::remove(p, ignored);
    }
}

// "backups/" names the folder itself, not what a link of that name points to.
fs::path without_trailing_separator(fs::path p)
{
    while (!p.has_filename() && p.has_relative_path()) p = p.parent_path();
    return p.empty() ? fs::path(".") : p;
}

fs::path folder_of(const fs::path& target)
{
    return target.has_parent_path() ? target.parent_path() : fs::path(".");
}

bool write_atomically(const fs::path& target, std::string_view bytes, std::string* why)
{
    if (!target.has_filename()) {
        set_reason(why, std::make_error_code(std::errc::is_a_directory).message());
        return false;
    }
    if (replace_refused(target, why))
        return false;
    const fs::path folder = folder_of(target);
    remove_stale_temps(folder);

    for (int attempt = 0; attempt < k_temp_attempts; ++attempt) {
        const fs::path temp = random_temp_name(folder, target);
        const TempWrite w = fill_new_file(temp, target, bytes, why);
        if (w == TempWrite::name_taken)
            continue;  // someone else's file: another name, never that one
        if (w == TempWrite::failed)
            return false;
        if (replace_target(temp, target, why))
            return true;
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return false;
}

}  // namespace

fs::path path_from_utf8(std::string_view utf8)
{
#ifdef _WIN32
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return fs::path(std::string(utf8));
#endif
}

std::optional<std::string> read_file_bytes(const std::string& path, std::uintmax_t max_bytes,
                                           std::string* why)
{
    try {
        const fs::path p = path_from_utf8(path);
        if (!check_before_read(p, max_bytes, why))
            return std::nullopt;
        return read_native(p, max_bytes, why);
    } catch (const std::exception& e) {
        set_reason(why, e.what());
        return std::nullopt;
    }
}

bool write_file_atomically(const std::string& path, std::string_view bytes, std::string* why)
{
    try {
        return write_atomically(path_from_utf8(path), bytes, why);
    } catch (const std::exception& e) {
        set_reason(why, e.what());
        return false;
    }
}

bool can_replace(const std::string& path, std::string* why)
{
    try {
        return !replace_refused(path_from_utf8(path), why);
    } catch (const std::exception& e) {
        set_reason(why, e.what());
        return false;
    }
}

bool check_folder_trusted(const std::string& folder, std::string* why)
{
    try {
        return folder_trusted(without_trailing_separator(path_from_utf8(folder)), why);
    } catch (const std::exception& e) {
        set_reason(why, e.what());
        return false;
    }
}

std::vector<OwnFile> own_files(const std::string& folder)
{
    std::vector<OwnFile> out;
    try {
        std::error_code ec;
        for (fs::directory_iterator it(path_from_utf8(folder), ec), end; !ec && it != end;
             it.increment(ec)) {
            const fs::path& p = it->path();
            if (entry_kind(p) != EntryKind::own_file)
                continue;
            std::error_code time_ec;
            const fs::file_time_type written = fs::last_write_time(p, time_ec);
            if (time_ec)
                continue;
            const std::u8string name = p.filename().u8string();
            out.push_back({std::string(name.begin(), name.end()), written});
        }
    } catch (const std::exception&) {
        // A name that cannot be shown in UTF-8 ends the listing; what was listed stays.
    }
    return out;
}

StreamFile::~StreamFile()
{
    close();
}

bool StreamFile::open(const std::string& path, std::string* why)
{
    close();
    failed_ = false;
    try {
        const fs::path p = path_from_utf8(path);
        if (!p.has_filename()) {
            set_reason(why, std::make_error_code(std::errc::is_a_directory).message());
            return false;
        }
        return folder_trusted(folder_of(p), why) && open_stream(p, handle_, why);
    } catch (const std::exception& e) {
        set_reason(why, e.what());
        return false;
    }
}

void StreamFile::write(std::string_view bytes)
{
    if (!is_open())
        return;
    pending_.append(bytes);
    if (pending_.size() >= k_io_chunk)
        flush();
}

void StreamFile::flush()
{
    if (!is_open() || pending_.empty())
        return;
    if (!write_stream(handle_, pending_))
        failed_ = true;
    pending_.clear();
}

void StreamFile::close()
{
    if (!is_open())
        return;
    flush();
    close_stream(handle_);
    handle_ = k_closed;
}

std::string complete_extension(std::string_view name, std::string_view ext)
{
    // Only the file's own name counts, not the folders above it; "X.DAT" is a ".dat" file.
    const std::size_t slash = name.find_last_of("/\\");
    const std::string_view base = slash == std::string_view::npos ? name : name.substr(slash + 1);
    const auto same = [](char a, char b) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(a) == lower(b);
    };
    const bool has_ext = base.size() > 1 && std::search(base.begin() + 1, base.end(), ext.begin(),
                                                        ext.end(), same) != base.end();
    std::string out(name);
    if (!has_ext)
        out.append(ext);
    return out;
}

}  // namespace velta
