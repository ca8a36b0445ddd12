#pragma once
// The lines of a file a message names: "4022, 4023", at most ten of them and then the count of
// the rest ("… ほか 5 行"), enough to find them.

#include <cstddef>
#include <string>
#include <vector>

namespace velta {

// How the dialogs name the lines beyond the ten.
inline std::string more_lines_ja(std::size_t more)
{
    return " ほか " + std::to_string(more) + " 行";
}

inline std::string named_lines(const std::vector<std::size_t>& lines,
                               std::string (*more)(std::size_t) = more_lines_ja)
{
    constexpr std::size_t k_named = 10;
    std::string named;
    for (std::size_t i = 0; i < lines.size() && i < k_named; ++i)
        named += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
    if (lines.size() > k_named)
        named += more(lines.size() - k_named);
    return named;
}

}  // namespace velta
