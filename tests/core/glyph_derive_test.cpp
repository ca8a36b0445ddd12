// Protects the derivation of the other glyph sizes: every mapping, the skipped targets, the
// bottom row left alone and the margin fix.
#include "core/glyphs/glyph_derive.h"

#include <gtest/gtest.h>

#include <string>

#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::string row_of(GlyphSize size, int slot, int row)
{
    const int n = glyph_size_info(size).digits_per_row;
    auto s = glyph_slot(model().glyphs, size, slot);
    return {s.data() + row * n, static_cast<std::size_t>(n)};
}

// A glyph text whose every row is `row`.
std::string glyph_of_rows(GlyphSize size, const std::string& row)
{
    std::string t;
    for (int r = 0; r < glyph_size_info(size).pixels; ++r) t += row;
    return t;
}

void mark_all(GlyphSize size, char c)
{
    for (int s = 0; s < glyph_size_info(size).slot_count; ++s)
        for (int i = 0; i < glyph_size_info(size).glyph_digits; ++i)
            glyph_slot(model().glyphs, size, s)[static_cast<std::size_t>(i)] = c;
}

TEST(GlyphDerive, LargeAllLitGivesSmallAndMediumWithBottomRowKept)
{
    WireCapture wire;
    mark_all(GlyphSize::small, '5');
    mark_all(GlyphSize::medium, '5');
    create_other_sizes(model().glyphs, GlyphSize::large, 3, std::string(576, 'F'));
    for (int r = 0; r < 23; ++r) EXPECT_EQ(row_of(GlyphSize::small, 3, r), "FFFFFE") << r;
    EXPECT_EQ(row_of(GlyphSize::small, 3, 23), "555555");
    for (int r = 0; r < 31; ++r) EXPECT_EQ(row_of(GlyphSize::medium, 3, r), "7FFFFFFE") << r;
    EXPECT_EQ(row_of(GlyphSize::medium, 3, 31), "55555555");
    // Only slot 3 was written.
    EXPECT_EQ(row_of(GlyphSize::medium, 2, 0), "55555555");
}

TEST(GlyphDerive, LargeToMediumColumnsAndZeroFallback)
{
    WireCapture wire;
    derive_glyph(model().glyphs, GlyphSize::large, glyph_of_rows(GlyphSize::large, "0123456789AB"),
                 GlyphSize::medium, 0);
    // Columns 0, 2, 3, 5, 6, 8, 9, 11; the last digit B loses its rightmost pixel.
    EXPECT_EQ(row_of(GlyphSize::medium, 0, 0), "0235689A");
    derive_glyph(model().glyphs, GlyphSize::large,
                 glyph_of_rows(GlyphSize::large, std::string(12, 'A')), GlyphSize::medium, 0);
    EXPECT_EQ(row_of(GlyphSize::medium, 0, 5), "2AAAAAAA");
    // Medium column 1 takes large column 2, or column 1 when that is '0'.
    derive_glyph(model().glyphs, GlyphSize::large, glyph_of_rows(GlyphSize::large, "070000000000"),
                 GlyphSize::medium, 0);
    EXPECT_EQ(row_of(GlyphSize::medium, 0, 0), "07000000");
}

TEST(GlyphDerive, RowsOfTheSourceFollowTheRowMapping)
{
    WireCapture wire;
    // Large row R is lit only for R == 3: medium row r takes R = 3r/2, so r = 2 shows it.
    std::string src(576, '0');
    for (int c = 0; c < 12; ++c) src[static_cast<std::size_t>(3 * 12 + c)] = '6';
    derive_glyph(model().glyphs, GlyphSize::large, src, GlyphSize::medium, 1);
    EXPECT_EQ(row_of(GlyphSize::medium, 1, 2), "66666666");
    EXPECT_EQ(row_of(GlyphSize::medium, 1, 1), "00000000");
    EXPECT_EQ(row_of(GlyphSize::medium, 1, 3), "00000000");
}

TEST(GlyphDerive, MediumToSmallAndToLarge)
{
    WireCapture wire;
    derive_glyph(model().glyphs, GlyphSize::medium, glyph_of_rows(GlyphSize::medium, "12345678"),
                 GlyphSize::small, 0);
    // Small columns take medium columns 0, 1, 3, 4, 5, 7.
    EXPECT_EQ(row_of(GlyphSize::small, 0, 0), "124568");
    derive_glyph(model().glyphs, GlyphSize::medium, glyph_of_rows(GlyphSize::medium, "F2345F7E"),
                 GlyphSize::large, 0);
    // Large columns take medium columns 2c/3; columns 1, 4, 7 and 10 keep only 'F'.
    EXPECT_EQ(row_of(GlyphSize::large, 0, 0), "7F230450F70E");
    EXPECT_EQ(row_of(GlyphSize::large, 0, 47), std::string(12, '0'));
}

TEST(GlyphDerive, SmallToMediumAndToLargePairs)
{
    WireCapture wire;
    derive_glyph(model().glyphs, GlyphSize::small, glyph_of_rows(GlyphSize::small, "9AF3C1"),
                 GlyphSize::medium, 0);
    // Medium columns take small columns 0, 1, 1, 2, 3, 4, 4, 5; columns 2 and 6 keep only 'F'.
    EXPECT_EQ(row_of(GlyphSize::medium, 0, 0), "1A0F3C00");

    std::string row0(6, '0');
    row0[1] = 'F';
    std::string src = row0 + std::string(144 - 6, '0');
    derive_glyph(model().glyphs, GlyphSize::small, src, GlyphSize::large, 0);
    EXPECT_EQ(row_of(GlyphSize::large, 0, 0), "00FF00000000");
    EXPECT_EQ(row_of(GlyphSize::large, 0, 1), "00FF00000000");
    EXPECT_EQ(row_of(GlyphSize::large, 0, 2), std::string(12, '0'));
}

TEST(GlyphDerive, EnlargedPairsAreCentredRuns)
{
    // Every pair is a run of lit pixels centred in its eight pixels.
    const std::string digits = "0123456789ABCDEF";
    for (char d : digits) {
        const auto [l, r] = enlarged_pair(d);
        const int bits = glyph_digit_value(l) << 4 | glyph_digit_value(r);
        int width = 0;
        for (int b = 0; b < 8; ++b) width += (bits >> b) & 1;
        const int run = ((1 << width) - 1) << ((8 - width) / 2);
        EXPECT_EQ(bits, run) << d;
    }
    EXPECT_EQ(enlarged_pair('1'), std::make_pair('1', '8'));
    EXPECT_EQ(enlarged_pair('3'), std::make_pair('3', 'C'));
    EXPECT_EQ(enlarged_pair('5'), std::make_pair('7', 'E'));
    EXPECT_EQ(enlarged_pair('8'), std::make_pair('1', '8'));
    EXPECT_EQ(enlarged_pair('E'), std::make_pair('F', 'F'));
    EXPECT_EQ(enlarged_pair('9'), std::make_pair('3', 'C'));
    EXPECT_EQ(enlarged_pair('A'), std::make_pair('3', 'C'));
    EXPECT_EQ(enlarged_pair('B'), std::make_pair('7', 'E'));
    EXPECT_EQ(enlarged_pair('C'), std::make_pair('3', 'C'));
    EXPECT_EQ(enlarged_pair('D'), std::make_pair('7', 'E'));
}

TEST(GlyphDerive, TargetsWithoutTheSlotAreSkipped)
{
    WireCapture wire;
    create_other_sizes(model().glyphs, GlyphSize::small, 100, std::string(144, 'F'));
    EXPECT_EQ(row_of(GlyphSize::medium, 100, 0), "7FFFFFFE");
    for (int s = 0; s < 70; ++s)
        EXPECT_EQ(row_of(GlyphSize::large, s, 0), std::string(12, '0')) << s;

    create_other_sizes(model().glyphs, GlyphSize::small, 200, std::string(144, 'F'));
    for (int s = 0; s < 160; ++s)
        EXPECT_EQ(row_of(GlyphSize::medium, s, 0), s == 100 ? "7FFFFFFE" : "00000000") << s;

    create_other_sizes(model().glyphs, GlyphSize::medium, 69, std::string(256, 'F'));
    EXPECT_EQ(row_of(GlyphSize::large, 69, 0), "7FFFFFFFFFFE");
    EXPECT_EQ(row_of(GlyphSize::small, 69, 0), "7FFFFE");
}

}  // namespace
}  // namespace velta
