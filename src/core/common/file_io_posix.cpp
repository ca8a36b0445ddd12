// The file layer on POSIX systems: reads, new files, replacement and streams through the
// descriptors themselves, never following a link where one could be planted.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/common/file_io_native.h"

namespace velta::file_native {

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

}  // namespace velta::file_native

#endif
