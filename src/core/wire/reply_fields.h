#pragma once
// The rows of the reply table and the field readers their decoders share. Each area registers
// its own rows (register_replies); the dispatcher picks, for a line, the row with the longest
// head it starts with, so "FBML" wins over "FB", "IDPM" over "IDP", "POSP" over "P".
//
// Positions count from the first letter of the reply. A decoder returns false when the reply
// does not hold what its layout promises (not its layout's length, a non-digit where digits are
// decoded, a letter its layout does not have, a value its command cannot carry, a page no
// device has) and then leaves its target as it was: a real device sends only its layout, so
// anything else is a damaged line, never another value.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "core/model/field_ranges.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/outcome.h"

namespace velta {

struct DeviceContext;

// Where a reply is decoded to, and the link it came on.
struct ReplyTarget {
    DeviceConfig& config;
    DeviceExtras& extras;
    LinkKind link;
    DeviceContext& context;  // the answering device's: its status, runs and glyphs
};

using ReplyDecoder = bool (*)(std::string_view body, const ReplyTarget& target);

struct ReplyRow {
    std::string_view prefix;
    ReplyDecoder decode;
    std::size_t length = 0;         // the reply's exact length; 0: the decoder checks it
    std::size_t number_digits = 0;  // digits after the prefix that name the item (page, day)
};

// Adds rows to the reply table; a head already in it keeps its first row. The rows must
// outlive the table (static arrays).
void register_replies(std::span<const ReplyRow> rows);

inline bool reply_has(std::string_view body, std::size_t pos)
{
    return body.size() > pos;
}

// The index in `letters` of the character at pos; any other character is refused.
inline bool reply_choice(std::string_view b, std::size_t pos, std::string_view letters, int& field)
{
    if (!reply_has(b, pos))
        return false;
    const std::size_t i = letters.find(b[pos]);
    if (i == std::string_view::npos)
        return false;
    field = static_cast<int>(i);
    return true;
}

// `n` decimal digits at `at` whose value is within `range`.
inline bool reply_number(std::string_view b, std::size_t at, std::size_t n, FieldRange range,
                         int& field)
{
    if (!digits_at(b, at, n))
        return false;
    const int v = n == 1 ? b[at] - '0' : n == 2 ? parse_dec2(b, at) : parse_dec3(b, at);
    if (!range.holds(v))
        return false;
    field = v;
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

// One character per page from `at`, each the index of one of `letters` (a colour digit, a
// position letter); the field changes only when every page's character is one of them.
inline bool reply_per_page(std::string_view b, std::size_t at, std::string_view letters,
                           PageArray<int>& field)
{
    if (b.size() < at + k_page_slots)
        return false;
    PageArray<int> values{};
    for (std::size_t i = 0; i < k_page_slots; ++i)
        if (!reply_choice(b, at + i, letters, values[i]))
            return false;
    field = values;
    return true;
}

}  // namespace velta
