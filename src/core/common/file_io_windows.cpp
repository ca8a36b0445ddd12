// The file layer on Windows: reads, new files, replacement and streams through the Win32 file
// API.
#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>

#include "core/common/file_io_native.h"

namespace velta::file_native {

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

}  // namespace velta::file_native

#endif
