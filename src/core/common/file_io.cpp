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

bool is_temp_of(const NativeString& name, const NativeString& prefix)
{
    const NativeString suffix = ascii(k_temp_suffix);
    if (name.size() != prefix.size() + k_temp_random_digits + suffix.size())
        return false;
    if (name.compare(0, prefix.size(), prefix) != 0 ||
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
        return false;
    for (std::size_t i = prefix.size(); i < prefix.size() + k_temp_random_digits; ++i) {
        const auto c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

fs::path random_temp_name(const fs::path& folder, const fs::path& target)
{
    static std::random_device source;
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

// A save that was killed leaves its temporary file; the next save of the target clears them.
// Links are removed as links, never followed.
void remove_leftovers(const fs::path& folder, const fs::path& target)
{
    const NativeString prefix = temp_prefix(target);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        if (!is_temp_of(p.filename().native(), prefix))
            continue;
        std::error_code kind_ec;
        const fs::file_status s = fs::symlink_status(p, kind_ec);
        if (kind_ec || !(fs::is_regular_file(s) || fs::is_symlink(s)))
            continue;
        std::error_code ignored;
        fs::remove(p, ignored);
    }
}

std::string too_large(std::uintmax_t max_bytes)
{
    return "File too large (more than " + std::to_string(max_bytes) + " bytes)";
}

constexpr std::string_view k_not_regular = "Not a regular file";

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

#endif

bool write_atomically(const fs::path& target, std::string_view bytes, std::string* why)
{
    if (!target.has_filename()) {
        set_reason(why, std::make_error_code(std::errc::is_a_directory).message());
        return false;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    remove_leftovers(folder, target);

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
