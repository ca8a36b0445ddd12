#include "core/glyphs/glyph_state.h"

#include <algorithm>

namespace velta {

GlyphState& glyph_state()
{
    static GlyphState s;
    return s;
}

void reset_glyph_state()
{
    glyph_state() = GlyphState{};
}

std::string& glyph_list_file_name(GlyphSize size)
{
    return glyph_state().glyph_list_file_name[static_cast<std::size_t>(size)];
}

namespace {

// The saved copy of a slot; only the glyph's digits count, not the spare bytes of the slot.
std::span<char> saved_slot(GlyphSize size, int slot)
{
    GlyphStore& g = glyph_state().glyph_saved;
    const auto i = static_cast<std::size_t>(slot);
    switch (size) {
        case GlyphSize::large:
            return g.glyph_large.at(i);
        case GlyphSize::medium:
            return g.glyph_medium.at(i);
        case GlyphSize::small:
            break;
    }
    return g.glyph_small.at(i);
}

}  // namespace

bool glyph_list_unsaved(GlyphStore& glyphs, GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto digits = static_cast<std::size_t>(info.glyph_digits);
    for (int s = 0; s < info.slot_count; ++s)
        if (!std::ranges::equal(glyph_slot(glyphs, size, s).first(digits),
                                saved_slot(size, s).first(digits)))
            return true;
    return false;
}

void mark_glyph_list_saved(GlyphStore& glyphs, GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s)
        std::ranges::copy(glyph_slot(glyphs, size, s), saved_slot(size, s).begin());
}

}  // namespace velta
