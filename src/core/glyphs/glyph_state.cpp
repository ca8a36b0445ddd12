#include "core/glyphs/glyph_state.h"

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

}  // namespace velta
