#pragma once
// Derives the two other sizes of a glyph from one, digit by digit.

#include <string_view>
#include <utility>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

// The pair of large digits that one small digit becomes: a run of lit pixels centred in the
// eight pixels, two pixels wide for each lit source pixel (or as the fixed pairs say).
std::pair<char, char> enlarged_pair(char source_digit);

// Writes the derivation of `source` (a glyph text of size `from`) into store slot `slot` of
// `to`. Only rows 0 to height - 2 are written; the bottom row keeps what it held.
void derive_glyph(GlyphStore& glyphs, GlyphSize from, std::string_view source, GlyphSize to,
                  int slot);

// Derives both other sizes from `source` into slot `slot`, skipping a size that has no such
// slot. Nothing is sent or redrawn.
void create_other_sizes(GlyphStore& glyphs, GlyphSize from, int slot, std::string_view source);

}  // namespace velta
