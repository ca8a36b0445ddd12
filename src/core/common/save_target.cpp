#include "core/common/save_target.h"

#include <filesystem>
#include <system_error>

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"

namespace velta {

std::optional<std::string> confirmed_save_path(std::string_view chosen, std::string_view ext)
{
    std::string path = complete_extension(chosen, ext);
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(path_from_utf8(path), ec)))
        return path;
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (ask_question(name + std::string(k_text_overwrite_suffix), BoxButtons::yes_no, BoxAnswer::no,
                     path) != BoxAnswer::yes)
        return std::nullopt;
    return path;
}

}  // namespace velta
