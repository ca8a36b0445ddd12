#pragma once
// UTF-8 read one character at a time: what the page table needs to name a character in a
// message and to tell a UTF-8 spreadsheet file from a code page 932 one.

#include <cstddef>
#include <string_view>

namespace velta {

// The length of the well-formed UTF-8 character at the start of text (1 to 4 bytes), or 0 when
// text is empty or does not start with one (a stray continuation byte, an overlong form, a
// surrogate, a code above U+10FFFF, a sequence cut short).
std::size_t utf8_char_length(std::string_view text);
// The code of that character; 0xFFFFFFFF when there is none.
char32_t utf8_char_code(std::string_view text);
bool valid_utf8(std::string_view text);

}  // namespace velta
