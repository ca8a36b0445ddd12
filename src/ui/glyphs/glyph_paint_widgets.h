#pragma once
// Drawing glyph pixels as the editors and lists show them: each pixel a cell outlined in its
// pen colour and filled with its brush colour; lit white on white, unlit black around blue.

#include <QImage>
#include <string_view>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

inline constexpr QRgb k_lit_rgb = qRgb(255, 255, 255);
inline constexpr QRgb k_unlit_pen_rgb = qRgb(0, 0, 0);
inline constexpr QRgb k_unlit_brush_rgb = qRgb(0, 0, 255);

// One cell at (x, y): a 1-pixel outline inside w × h, the brush inside that.
void paint_glyph_cell(QImage& image, int x, int y, int w, int h, bool lit);
// Every pixel of a glyph text, cell_w × cell_h screen pixels each, from the image's corner.
void paint_glyph(QImage& image, GlyphSize size, std::string_view text, int cell_w, int cell_h);

}  // namespace velta
