#include "common/file_io.h"

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace velta {

std::optional<std::string> read_file_bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

bool write_file_atomically(const std::string& path, std::string_view bytes)
{
    namespace fs = std::filesystem;
    static std::atomic<unsigned> counter{0};
    const fs::path target(path);
    if (target.filename().empty())
        return false;
    fs::path temp = target;
    temp += ".tmp" + std::to_string(counter++);
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out)
            return false;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            fs::remove(temp, ignored);
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return false;
    }
    return true;
}

std::string complete_extension(std::string_view name, std::string_view ext)
{
    std::string out(name);
    const std::size_t at = name.size() > 1 ? name.find(ext, 1) : std::string_view::npos;
    if (at == std::string_view::npos)
        out.append(ext);
    return out;
}

}  // namespace velta
