#include "core/common/file_io.h"

#include <algorithm>
#include <array>
#include <exception>
#include <random>
#include <system_error>

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

namespace {

using NativeString = fs::path::string_type;

NativeString ascii(std::string_view s)
{
    return NativeString(s.begin(), s.end());
}

void set_reason(std::string* why, std::string reason)
{
    if (why)
        *why = std::move(reason);
}

constexpr std::string_view k_temp_mark = ".velta-";
constexpr std::string_view k_temp_suffix = ".tmp";
constexpr std::size_t k_temp_random_digits = 16;
constexpr int k_temp_attempts = 8;

// ".settings.dat.velta-": what every temporary file of this target starts with.
NativeString temp_prefix(const fs::path& target)
{
    return ascii(".") + target.filename().native() + ascii(k_temp_mark);
}

// ".NAME.velta-<16 hex>.tmp" for any NAME: what random_temp_name makes, and nothing else.
bool is_temp_name(const NativeString& name)
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

fs::path random_temp_name(const fs::path& folder, const fs::path& target)
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

std::string too_large(std::uintmax_t max_bytes)
{
    return "File too large (more than " + std::to_string(max_bytes) + " bytes)";
}

// Refuses what is not worth opening: no such file, a folder, a FIFO or device (which could
// block or never end), or a file beyond the cap.
bool check_before_read(const fs::path& p, std::uintmax_t max_bytes, std::string* why)
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

TempWrite drop_created(const fs::path& temp)
{
    std::error_code ignored;
    fs::remove(temp, ignored);
    return TempWrite::failed;
}

#ifdef _WIN32

std::string last_error()
{
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category()).message();
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close()
    {
        if (!valid())
            return true;
        const bool ok = ::CloseHandle(h_) != 0;
        h_ = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE h_;
};

std::optional<std::string> read_native(const fs::path& p, std::uintmax_t max_bytes,
                                       std::string* why)
{
    Handle h(::CreateFileW(p.c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        set_reason(why, last_error());
        return std::nullopt;
    }
    if (::GetFileType(h.get()) != FILE_TYPE_DISK) {
        set_reason(why, std::string(k_not_regular));
        return std::nullopt;
    }
    std::string bytes;
    char buffer[k_io_chunk];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(h.get(), buffer, static_cast<DWORD>(sizeof buffer), &got, nullptr)) {
            set_reason(why, last_error());
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        if (bytes.size() + got > max_bytes) {
            set_reason(why, too_large(max_bytes));
            return std::nullopt;
        }
        bytes.append(buffer, got);
    }
}

TempWrite fill_new_file(const fs::path& temp, const fs::path&, std::string_view bytes,
                        std::string* why)
{
    // CREATE_NEW fails on anything already there, a link included.
    Handle h(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.valid()) {
        const DWORD e = ::GetLastError();
        set_reason(why, last_error());
        return e == ERROR_FILE_EXISTS || e == ERROR_ALREADY_EXISTS ? TempWrite::name_taken
                                                                   : TempWrite::failed;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD chunk = static_cast<DWORD>(left > k_io_chunk ? k_io_chunk : left);
        DWORD put = 0;
        if (!::WriteFile(h.get(), bytes.data() + done, chunk, &put, nullptr)) {
            set_reason(why, last_error());
            h.close();  // an open file cannot be removed
            return drop_created(temp);
        }
        done += put;
    }
    if (!::FlushFileBuffers(h.get()) || !h.close()) {
        set_reason(why, last_error());
        h.close();
        return drop_created(temp);
    }
    return TempWrite::written;
}

bool replace_target(const fs::path& temp, const fs::path& target, std::string* why)
{
    // A plain rename refuses an existing target on Windows.
    if (!::MoveFileExW(temp.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        set_reason(why, last_error());
        return false;
    }
    return true;
}

// Rights on Windows are access lists, and the user's folders hold the user's files: every
// regular file counts as the user's own. Links and junctions are reparse points.
EntryKind entry_kind(const fs::path& p)
{
    const DWORD a = ::GetFileAttributesW(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES)
        return EntryKind::none;
    if (a & FILE_ATTRIBUTE_REPARSE_POINT)
        return EntryKind::link;
    return a & FILE_ATTRIBUTE_DIRECTORY ? EntryKind::other : EntryKind::own_file;
}

bool replace_refused(const fs::path& p, std::string* why)
{
    const DWORD a = ::GetFileAttributesW(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;  // nothing there, or a link that the rename replaces
    if (a & FILE_ATTRIBUTE_DIRECTORY) {
        set_reason(why, std::make_error_code(std::errc::is_a_directory).message());
        return true;
    }
    // "NUL", "COM1" and the like are devices under a file's name.
    Handle h(::CreateFileW(p.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (h.valid() && ::GetFileType(h.get()) != FILE_TYPE_DISK) {
        set_reason(why, std::string(k_not_regular));
        return true;
    }
    return false;
}

bool folder_trusted(const fs::path& p, std::string* why)
{
    const DWORD a = ::GetFileAttributesW(p.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) {
        set_reason(why, last_error());
        return false;
    }
    if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
        set_reason(why, "A link or junction");
        return false;
    }
    if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
        set_reason(why, std::make_error_code(std::errc::not_a_directory).message());
        return false;
    }
    return true;
}

HANDLE as_handle(std::intptr_t h)
{
    return reinterpret_cast<HANDLE>(h);
}

bool open_stream(const fs::path& p, std::intptr_t& handle, std::string* why)
{
    const DWORD a = ::GetFileAttributesW(p.c_str());
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) {
        set_reason(why, "A link or junction");
        return false;
    }
    const HANDLE h = ::CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        set_reason(why, last_error());
        return false;
    }
    handle = reinterpret_cast<std::intptr_t>(h);
    return true;
}

bool write_stream(std::intptr_t handle, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t left = bytes.size() - done;
        const DWORD chunk = static_cast<DWORD>(left > k_io_chunk ? k_io_chunk : left);
        DWORD put = 0;
        if (!::WriteFile(as_handle(handle), bytes.data() + done, chunk, &put, nullptr))
            return false;
        done += put;
    }
    return true;
}

void close_stream(std::intptr_t handle)
{
    ::CloseHandle(as_handle(handle));
}

#else

std::string errno_text(int e)
{
    return std::generic_category().message(e);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool close()
    {
        if (fd_ < 0)
            return true;
        const bool ok = ::close(fd_) == 0;
        fd_ = -1;
        return ok;
    }

private:
    int fd_;
};

std::optional<std::string> read_native(const fs::path& p, std::uintmax_t max_bytes,
                                       std::string* why)
{
    // Non-blocking, so a FIFO put in the file's place after the check cannot hang the open.
    Fd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        set_reason(why, errno_text(errno));
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        set_reason(why, errno_text(errno));
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        set_reason(why, std::string(k_not_regular));
        return std::nullopt;
    }
    std::string bytes;
    if (st.st_size > 0 && static_cast<std::uintmax_t>(st.st_size) <= max_bytes)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buffer[k_io_chunk];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            set_reason(why, errno_text(errno));
            return std::nullopt;
        }
        if (got == 0)
            return bytes;
        // A file that grows while it is read is held to the same cap.
        if (bytes.size() + static_cast<std::size_t>(got) > max_bytes) {
            set_reason(why, too_large(max_bytes));
            return std::nullopt;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

TempWrite fill_new_file(const fs::path& temp, const fs::path& target, std::string_view bytes,
                        std::string* why)
{
    struct stat old {};
    const bool keep_mode = ::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    // O_EXCL refuses anything already at the name, a planted link included; O_NOFOLLOW says so
    // twice. A new target gets the usual mode under the umask.
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                 keep_mode ? 0600 : 0666));
    if (fd.get() < 0) {
        const int e = errno;
        set_reason(why, errno_text(e));
        return e == EEXIST ? TempWrite::name_taken : TempWrite::failed;
    }
    if (keep_mode) {
        // Group first: changing it may clear set-id bits that the mode then restores. Only
        // the owner of the group can give it; otherwise the file keeps the operator's group.
        if (old.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored =
                ::fchown(fd.get(), static_cast<uid_t>(-1), old.st_gid);
        }
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0) {
            set_reason(why, errno_text(errno));
            return drop_created(temp);
        }
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            set_reason(why, errno_text(errno));
            return drop_created(temp);
        }
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0 || !fd.close()) {
        set_reason(why, errno_text(errno));
        return drop_created(temp);
    }
    return TempWrite::written;
}

bool replace_target(const fs::path& temp, const fs::path& target, std::string* why)
{
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        set_reason(why, errno_text(errno));
        return false;
    }
    // The rename itself reaches the disk only with its folder.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}

bool trusted_owner(uid_t owner)
{
    // The administrator's links (/dev/stderr) are the system's, not planted.
    return owner == ::geteuid() || owner == 0;
}

EntryKind entry_kind(const fs::path& p)
{
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0)
        return EntryKind::none;
    if (S_ISLNK(st.st_mode))
        return EntryKind::link;
    return S_ISREG(st.st_mode) && st.st_uid == ::geteuid() ? EntryKind::own_file : EntryKind::other;
}

bool replace_refused(const fs::path& p, std::string* why)
{
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))
        return false;
    set_reason(why, S_ISDIR(st.st_mode) ? std::make_error_code(std::errc::is_a_directory).message()
                                        : std::string(k_not_regular));
    return true;
}

bool folder_trusted(const fs::path& p, std::string* why)
{
    struct stat st {};
    if (::lstat(p.c_str(), &st) != 0) {
        set_reason(why, errno_text(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode) && !trusted_owner(st.st_uid)) {
        set_reason(why, std::string(k_foreign_link));
        return false;
    }
    if (::stat(p.c_str(), &st) != 0) {
        set_reason(why, errno_text(errno));
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        set_reason(why, std::make_error_code(std::errc::not_a_directory).message());
        return false;
    }
    if ((st.st_mode & S_IWOTH) && !(st.st_mode & S_ISVTX)) {
        set_reason(why, std::string(k_open_folder));
        return false;
    }
    return true;
}

bool open_stream(const fs::path& p, std::intptr_t& handle, std::string* why)
{
    struct stat st {};
    const bool own_link = ::lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (own_link && !trusted_owner(st.st_uid)) {
        set_reason(why, std::string(k_foreign_link));
        return false;
    }
    // A link the user made is followed; one that appears after the check makes the open fail.
    const int fd = ::open(
        p.c_str(),
        O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY | (own_link ? 0 : O_NOFOLLOW), 0666);
    if (fd < 0) {
        set_reason(why, errno_text(errno));
        return false;
    }
    handle = fd;
    return true;
}

bool write_stream(std::intptr_t handle, std::string_view bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put =
            ::write(static_cast<int>(handle), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(put);
    }
    return true;
}

void close_stream(std::intptr_t handle)
{
    ::close(static_cast<int>(handle));
}

#endif

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
