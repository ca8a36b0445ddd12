#pragma once
// Code page 932 (Shift-JIS) conversion, kept behind one pair of functions so that a Windows
// build can use the system's code-page API instead.

#include <QString>
#include <string>
#include <string_view>

#include "core/pages/page_table.h"

namespace velta {

QString from_cp932(std::string_view bytes);
std::string to_cp932(const QString& text);
// One code page 932 character as UTF-8, for messages; empty when it is not a character there.
// The pair the encoder writes for a character it cannot hold is named as such.
std::string cp932_char_to_utf8(std::string_view cp932);
// Whether code page 932 holds the character: the encoder writes a stand-in for one it does not.
bool cp932_has(char32_t c);
// The page table's titles through these conversions; to_cp932 refuses a text with a character
// cp932_has does not hold.
const TitleText& cp932_title_text();

}  // namespace velta
