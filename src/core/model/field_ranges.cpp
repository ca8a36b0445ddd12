#include "core/model/field_ranges.h"

namespace velta {

int hold_time_seconds(std::string_view text)
{
    int value = 0;
    std::size_t digits = 0;
    while (digits < k_hold_time_bytes && digits < text.size() && text[digits] >= '0' &&
           text[digits] <= '9') {
        value = value * 10 + (text[digits] - '0');
        ++digits;
    }
    return digits == 0 ? -1 : value;
}

std::string hold_time_as_sent(std::string_view text)
{
    const int seconds = hold_time_seconds(text);
    if (!k_range_hold_seconds.holds(seconds))
        return std::string(text);
    return {static_cast<char>('0' + seconds / 100), static_cast<char>('0' + seconds / 10 % 10),
            static_cast<char>('0' + seconds % 10)};
}

}  // namespace velta
