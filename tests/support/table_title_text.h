#pragma once
// A TitleText for the core's tests, which have no Qt: ASCII and a handful of code page 932
// characters through a table, everything else refused (to code page 932) or read as U+FFFD
// (from it), as the real conversion does. 纊 has two codes, ED40 (NEC-selected) and FA5C (IBM),
// and is written as FA5C: a title holding ED40 does not come back through the conversion.

#include <optional>
#include <string>
#include <string_view>

#include "core/pages/page_table.h"
#include "core/pages/utf8_chars.h"

namespace velta {

struct TableChar {
    std::string_view cp932;
    std::string_view utf8;
};

// The first entry of a character is how it is written.
inline constexpr TableChar k_table_chars[] = {
    {"\x81\x40", "　"},
    {"\x88\x9F", "亜"},
    {"\x82\xA0", "あ"},
    {"\x83\x65", "テ"},
    {"\x83\x58", "ス"},
    {"\x83\x67", "ト"},
    {"\x83\x7B", "ボ"},  // trail byte "{"
    {"\x83\x5C", "ソ"},
    {"\x95\x5C", "表"},
    {"\x8E\x9A", "字"},
    {"\x8A\x4F", "外"},
    {"\xB1", "ｱ"},
    {"\xFA\x5C", "纊"},
    {"\xED\x40", "纊"},
    // The header of a page file saved in code page 932.
    {"\x83\x79", "ペ"},
    {"\x81\x5B", "ー"},
    {"\x83\x57", "ジ"},
    {"\x83\x5E", "タ"},
    {"\x83\x43", "イ"},
    {"\x83\x8B", "ル"},
    {"\x95\xB6", "文"},
    {"\x90\x46", "色"},
    {"\x90\xD4", "赤"},
};

inline std::string table_to_utf8(std::string_view cp932)
{
    std::string out;
    for (std::size_t i = 0; i < cp932.size();) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        const std::size_t n = lead && i + 1 < cp932.size() ? 2 : 1;
        const std::string_view c = cp932.substr(i, n);
        i += n;
        if (b < 0x80) {
            out += c;
            continue;
        }
        std::string_view found = "\xEF\xBF\xBD";  // U+FFFD
        for (const TableChar& t : k_table_chars) {
            if (t.cp932 == c) {
                found = t.utf8;
                break;
            }
        }
        out += found;
    }
    return out;
}

inline std::optional<std::string> table_to_cp932(std::string_view utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = utf8_char_length(utf8.substr(i));
        if (n == 0)
            return std::nullopt;
        const std::string_view c = utf8.substr(i, n);
        i += n;
        if (n == 1) {
            out += c;
            continue;
        }
        const TableChar* found = nullptr;
        for (const TableChar& t : k_table_chars) {
            if (t.utf8 == c) {
                found = &t;
                break;
            }
        }
        if (!found)
            return std::nullopt;
        out += found->cp932;
    }
    return out;
}

inline const TitleText& table_title_text()
{
    static const TitleText text{table_to_utf8, table_to_cp932};
    return text;
}

}  // namespace velta
