#include "core/glyphs/glyph_text.h"

#include <algorithm>

#include "core/model/settings_model.h"

namespace velta {

int glyph_digit_value(char digit)
{
    return digit > '9' ? digit - 0x37 : digit - 0x30;
}

char glyph_value_digit(int value)
{
    return static_cast<char>(value < 10 ? '0' + value : 'A' + value - 10);
}

bool is_glyph_digit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool glyph_pixel(GlyphSize size, std::string_view text, int x, int y)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto at = static_cast<std::size_t>(y * info.digits_per_row + x / 4);
    if (at >= text.size())
        return false;
    return (glyph_digit_value(text[at]) & glyph_pixel_mask(x)) != 0;
}

std::string_view glyph_work_text(const GlyphStore& glyphs, GlyphSize size)
{
    const auto& work = glyphs.glyph_work;
    return {work.data(), static_cast<std::size_t>(glyph_size_info(size).glyph_digits)};
}

void store_glyph_work(GlyphStore& glyphs, GlyphSize size, int slot)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    if (slot < 0 || slot >= info.slot_count)
        return;
    const auto& work = glyphs.glyph_work;
    std::copy_n(work.begin(), info.glyph_digits, glyph_slot(glyphs, size, slot).begin());
}

void load_glyph_work(GlyphStore& glyphs, GlyphSize size, int slot)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    if (slot < 0 || slot >= info.slot_count)
        return;
    std::span<char> from = glyph_slot(glyphs, size, slot);
    std::copy_n(from.begin(), info.glyph_digits, glyphs.glyph_work.begin());
}

}  // namespace velta
