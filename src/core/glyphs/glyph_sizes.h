#pragma once
// Everything that differs between the three custom-character sizes.

#include <array>
#include <span>
#include <string_view>

#include "core/pages/title_encoding.h"  // glyph_code

namespace velta {

struct GlyphStore;

enum class GlyphSize { large, medium, small };

inline constexpr std::array<GlyphSize, 3> k_glyph_sizes = {GlyphSize::large, GlyphSize::medium,
                                                           GlyphSize::small};

struct GlyphSizeInfo {
    char letter;  // "L", "M", "S" in commands and replies
    int pixels;   // width = height
    int digits_per_row;
    int glyph_digits;                  // digits per glyph
    int slot_count;                    // glyph numbers 1..slot_count
    int slot_bytes;                    // bytes per slot in the store
    int number_digits;                 // "01".."70" or "001".."160"
    std::string_view register_prefix;  // "GRL"
    std::string_view read_template;    // "RFBML2121\r\n"
    std::string_view reply_prefix;     // "FBML"
    std::string_view name;             // "大文字", "中文字", "小文字"
};

// The one of three values that belongs to a size.
template <typename T>
const T& by_size(GlyphSize size, const T& large, const T& medium, const T& small)
{
    return size == GlyphSize::large ? large : size == GlyphSize::medium ? medium : small;
}

const GlyphSizeInfo& glyph_size_info(GlyphSize size);

// The store slot of a size (slot_bytes characters); slot must lie in 0..slot_count-1.
std::span<char> glyph_slot(GlyphStore& glyphs, GlyphSize size, int slot);

}  // namespace velta
