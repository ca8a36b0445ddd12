#pragma once
// The lines of a file a message names: "4022, 4023", at most ten of them and then the count of
// the rest ("… ほか 5 行"), enough to find them.

#include <cstddef>
#include <string>
#include <vector>

namespace velta {

inline std::string named_lines(const std::vector<std::size_t>& lines)
{
    constexpr std::size_t k_named = 10;
    std::string named;
    for (std::size_t i = 0; i < lines.size() && i < k_named; ++i)
        named += (i == 0 ? "" : ", ") + std::to_string(lines[i]);
    if (lines.size() > k_named)
        named += " ほか " + std::to_string(lines.size() - k_named) + " 行";
    return named;
}

}  // namespace velta
