#pragma once
// The rows of the reply table and the field readers their decoders share. Each area registers
// its own rows (register_replies); the dispatcher picks, for a line, the row with the longest
// head it starts with, so "FBML" wins over "FB", "IDPM" over "IDP", "POSP" over "P".
//
// Positions count from the first letter of the reply. A decoder returns false when the reply
// does not hold what its layout promises (shorter than its layout, a non-digit where digits are
// decoded, a page no device has) and then leaves its target as it was. Letter fields keep the
// rule that any letter other than the tested one gives the other value.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/outcome.h"

namespace velta {

// Where a reply is decoded to, and the link it came on.
struct ReplyTarget {
    DeviceConfig& config;
    DeviceExtras& extras;
    LinkKind link;
};

using ReplyDecoder = bool (*)(std::string_view body, const ReplyTarget& target);

struct ReplyRow {
    std::string_view prefix;
    ReplyDecoder decode;
    std::size_t number_digits = 0;  // digits after the prefix that name the item (page, day)
};

// Adds rows to the reply table; a head already in it keeps its first row. The rows must
// outlive the table (static arrays).
void register_replies(std::span<const ReplyRow> rows);

inline bool reply_has(std::string_view body, std::size_t pos)
{
    return body.size() > pos;
}

// 0 when the character at pos is `zero`, else 1.
inline bool reply_letter(std::string_view b, std::size_t pos, char zero, int& field)
{
    if (!reply_has(b, pos))
        return false;
    field = b[pos] == zero ? 0 : 1;
    return true;
}

// A page number 001..256 at `at`, stored as its index.
inline bool reply_page_number(std::string_view b, std::size_t at, int& index)
{
    if (!digits_at(b, at, 3))
        return false;
    const int v = parse_dec3(b, at);
    if (v < 1 || v > k_page_slots)
        return false;
    index = v - 1;
    return true;
}

// One character per page from `at`, handed to fn(page, character).
template <typename Fn>
bool reply_per_page(std::string_view b, std::size_t at, Fn fn)
{
    if (b.size() < at + k_page_slots)
        return false;
    for (std::size_t i = 0; i < k_page_slots; ++i) fn(i, b[at + i]);
    return true;
}

}  // namespace velta
