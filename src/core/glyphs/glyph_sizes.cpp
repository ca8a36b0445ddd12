#include "core/glyphs/glyph_sizes.h"

#include "core/model/settings_model.h"

namespace velta {

const GlyphSizeInfo& glyph_size_info(GlyphSize size)
{
    // clang-format off
    static const GlyphSizeInfo large{'L', 48, 12, 576, 70, 580, 2,
                                     "GRL", "RFBML2121\r\n", "FBML", "大文字"};
    static const GlyphSizeInfo medium{'M', 32, 8, 256, 160, 260, 3,
                                      "GRM", "RFBMM2121\r\n", "FBMM", "中文字"};
    static const GlyphSizeInfo small{'S', 24, 6, 144, 256, 150, 3,
                                     "GRS", "RFBMS2121\r\n", "FBMS", "小文字"};
    // clang-format on
    return by_size(size, large, medium, small);
}

std::span<char> glyph_slot(GlyphStore& g, GlyphSize size, int slot)
{
    switch (size) {
        case GlyphSize::large:
            return g.glyph_large.at(static_cast<std::size_t>(slot));
        case GlyphSize::medium:
            return g.glyph_medium.at(static_cast<std::size_t>(slot));
        case GlyphSize::small:
            break;
    }
    return g.glyph_small.at(static_cast<std::size_t>(slot));
}
}  // namespace velta
