#pragma once
// The lines of a settings file image, and where the records that hold page values are.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"

namespace velta {

// 0-based lines of the first schedule page, the power-on page and the page mode.
inline constexpr std::size_t k_first_schedule_page_line = 3285;
inline constexpr std::size_t k_power_on_line = 4044;
inline constexpr std::size_t k_page_mode_line = 4045;

// Splits a CR LF text into its lines.
inline std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

// Joins lines into a CR LF text, as the tool writes it.
inline std::string text_of_lines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& l : lines) out += l + "\r\n";
    return out;
}

// Reads a settings file image into the model, as opening the file does; a malformed image
// leaves the model as it was.
inline SettingsLoad apply_settings_text(std::string_view text)
{
    SettingsLoad load = parse_settings_file(text);
    if (load.ok)
        model().config = load.config;
    return load;
}

}  // namespace velta
