#pragma once
// Files every reader must refuse before reading, with the reason the operator is shown: a
// folder under the file's name and a file one byte over the reader's cap.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace velta {

struct RefusedFile {
    std::string path;
    std::string reason;
};

inline std::vector<RefusedFile> make_refused_files(const std::filesystem::path& dir,
                                                   const std::string& ext, std::uintmax_t cap)
{
    const std::filesystem::path folder = dir / ("folder" + ext);
    std::filesystem::create_directory(folder);
    const std::filesystem::path huge = dir / ("huge" + ext);
    std::ofstream(huge, std::ios::binary) << std::string(static_cast<std::size_t>(cap) + 1, '0');
    return {{folder.string(), std::make_error_code(std::errc::is_a_directory).message()},
            {huge.string(), "File too large (more than " + std::to_string(cap) + " bytes)"}};
}

}  // namespace velta
