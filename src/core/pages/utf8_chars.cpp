#include "core/pages/utf8_chars.h"

namespace velta {
namespace {

constexpr char32_t k_no_char = 0xFFFFFFFF;

struct Decoded {
    std::size_t length = 0;
    char32_t code = k_no_char;
};

Decoded decode(std::string_view text)
{
    if (text.empty())
        return {};
    const auto lead = static_cast<unsigned char>(text[0]);
    if (lead < 0x80)
        return {1, lead};
    std::size_t length = 0;
    char32_t code = 0;
    char32_t lowest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
        lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
        lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
        lowest = 0x10000;
    } else {
        return {};
    }
    if (text.size() < length)
        return {};
    for (std::size_t i = 1; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        if ((b & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (b & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {length, code};
}

}  // namespace

std::size_t utf8_char_length(std::string_view text)
{
    return decode(text).length;
}

char32_t utf8_char_code(std::string_view text)
{
    return decode(text).code;
}

bool valid_utf8(std::string_view text)
{
    while (!text.empty()) {
        const std::size_t n = utf8_char_length(text);
        if (n == 0)
            return false;
        text.remove_prefix(n);
    }
    return true;
}

}  // namespace velta
