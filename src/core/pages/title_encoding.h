#pragma once
// Page titles: code page 932 bytes in the model, JIS X 0208 codes as hexadecimal on the wire.
// A two-byte element of value at most 0x1339 is a custom character, sent as value + 0x9345.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/common/built_command.h"
#include "core/model/settings_model.h"

namespace velta {

inline constexpr unsigned k_custom_char_limit = 0x1339;
inline constexpr unsigned k_custom_char_offset = 0x9345;
// The device's character code of the custom character in glyph store slot s (0-based, any
// size): the cells of rows of 94 from 0xA365 on. Its element in a title is code - offset.
unsigned glyph_code(int slot);

inline constexpr unsigned k_jis_limit = 0x7C7E;
inline constexpr unsigned k_jis_space = 0x2121;

// 0 when the value is not a convertible double-byte character.
std::uint16_t sjis_to_jis(unsigned v);
std::uint16_t jis_to_sjis(unsigned code);
std::uint16_t ibm_to_nec_extension(unsigned v);

// The "CA" command that gives a page slot its title, padded with full-width spaces to 56 bytes;
// empty when the slot is out of range, the title is longer or of odd length, or an element does
// not convert.
std::string title_command(int slot, std::string_view title);
// The command of the slot's title; refused (title_unencodable, with title_fault_detail) when
// the title has none, empty for a slot out of range.
BuiltCommand page_title_command(const DeviceConfig& config, int slot);
// Why the slot's title cannot be sent, for the line beneath the message: the page and the
// first character the device cannot take, or the title's length when it is too long. UTF-8.
std::string title_fault_detail(const DeviceConfig& config, int slot);
// Turns one code page 932 character into UTF-8 for that line. Without one, letters, digits,
// signs and half-width katakana are shown as they are and anything else by its code.
using Cp932Reader = std::string (*)(std::string_view cp932);
void set_title_text_reader(Cp932Reader reader);

// "CA", the slot's three digits and 28 four-digit codes.
inline constexpr std::size_t k_title_reply_length = 5 + 4 * 28;
// Decodes a "CA" reply into page_title; false for a malformed reply, which changes nothing. A
// reply is malformed too when its title would not be sent back as the same codes (a code no
// character has, such as FFFF or 0000): a title the tool could not restore to the device.
bool decode_title_reply(std::string_view line, PageSettings& pages);

}  // namespace velta
