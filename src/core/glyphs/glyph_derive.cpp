#include "core/glyphs/glyph_derive.h"

#include "core/glyphs/glyph_text.h"

namespace velta {
namespace {

struct Grid {
    std::string_view text;
    int digits_per_row;
    char at(int row, int column) const
    {
        return text[static_cast<std::size_t>(row * digits_per_row + column)];
    }
};

// The digit of the target at (r, c) before the margin fix.
char mapped_digit(GlyphSize from, GlyphSize to, const Grid& src, int r, int c)
{
    auto keep_only_full = [](char d) { return d == 'F' ? d : '0'; };
    if (from == GlyphSize::large && to == GlyphSize::small)
        return src.at(2 * r, 2 * c);
    if (from == GlyphSize::large && to == GlyphSize::medium) {
        const char d = src.at(3 * r / 2, (3 * c + 1) / 2);
        return d == '0' ? src.at(3 * r / 2, 3 * c / 2) : d;
    }
    if (from == GlyphSize::medium && to == GlyphSize::small)
        return src.at(4 * r / 3, (4 * c + 1) / 3);
    if (from == GlyphSize::medium && to == GlyphSize::large) {
        const char d = src.at(2 * r / 3, 2 * c / 3);
        return c % 3 == 1 ? keep_only_full(d) : d;
    }
    if (from == GlyphSize::small && to == GlyphSize::medium) {
        const char d = src.at(3 * r / 4, (3 * c + 1) / 4);
        return c % 4 == 2 ? keep_only_full(d) : d;
    }
    // small to large: each source digit becomes a pair, repeated on two rows
    const std::pair<char, char> pair = enlarged_pair(src.at(r / 2, c / 2));
    return c % 2 == 0 ? pair.first : pair.second;
}

}  // namespace

std::pair<char, char> enlarged_pair(char source_digit)
{
    // Width of the centred run: 2, 4, 6 or 8 pixels, two for each lit source pixel where the
    // fixed pairs leave the choice open: 9, A and C (two lit pixels) give 3C, B and D (three)
    // give 7E.
    switch (source_digit) {
        case '0':
            return {'0', '0'};
        case '1':
        case '8':
            return {'1', '8'};
        case '2':
        case '3':
        case '9':
        case 'A':
        case 'C':
            return {'3', 'C'};
        case '4':
        case '5':
        case '6':
        case '7':
        case 'B':
        case 'D':
            return {'7', 'E'};
        default:
            return {'F', 'F'};
    }
}

void derive_glyph(GlyphStore& glyphs, GlyphSize from, std::string_view source, GlyphSize to,
                  int slot)
{
    const GlyphSizeInfo& src_info = glyph_size_info(from);
    const GlyphSizeInfo& dst_info = glyph_size_info(to);
    if (from == to || slot < 0 || slot >= dst_info.slot_count ||
        source.size() < static_cast<std::size_t>(src_info.glyph_digits))
        return;
    const Grid src{source, src_info.digits_per_row};
    std::span<char> target = glyph_slot(glyphs, to, slot);
    const int last = dst_info.digits_per_row - 1;
    // Large to small keeps the leftmost pixel column: halving already moves the margin in.
    const bool fix_first = !(from == GlyphSize::large && to == GlyphSize::small);
    for (int r = 0; r < dst_info.pixels - 1; ++r) {
        for (int c = 0; c <= last; ++c) {
            int v = glyph_digit_value(mapped_digit(from, to, src, r, c));
            if (c == last)
                v &= ~1;
            if (c == 0 && fix_first)
                v &= ~8;
            target[static_cast<std::size_t>(r * dst_info.digits_per_row + c)] =
                glyph_value_digit(v & 0xF);
        }
    }
}

void create_other_sizes(GlyphStore& glyphs, GlyphSize from, int slot, std::string_view source)
{
    for (GlyphSize to : k_glyph_sizes) {
        if (to != from && slot < glyph_size_info(to).slot_count)
            derive_glyph(glyphs, from, source, to, slot);
    }
}

}  // namespace velta
