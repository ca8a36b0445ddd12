#pragma once
// The one text form of a glyph: rows top to bottom, each row as upper-case hexadecimal digits
// of four pixels, the value 8 being the leftmost pixel of its digit.

#include <span>
#include <string_view>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

// Digit to value and back, as the device and the files write them.
int glyph_digit_value(char digit);
char glyph_value_digit(int value);
bool is_glyph_digit(char c);

// The mask of pixel column x within its digit (x mod 4 == 0 gives 8).
inline int glyph_pixel_mask(int x)
{
    return 8 >> (x % 4);
}

// Whether pixel (x, y) of a glyph text of the given size is lit.
bool glyph_pixel(GlyphSize size, std::string_view text, int x, int y);

// The first glyph_digits characters of glyph_work.
std::string_view glyph_work_text(const GlyphStore& glyphs, GlyphSize size);
// Copies the first glyph_digits characters of glyph_work into a store slot.
void store_glyph_work(GlyphStore& glyphs, GlyphSize size, int slot);
// Loads glyph_work from a store slot (the glyph digits only).
void load_glyph_work(GlyphStore& glyphs, GlyphSize size, int slot);

}  // namespace velta
