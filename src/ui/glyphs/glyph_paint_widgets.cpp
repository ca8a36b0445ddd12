#include "ui/glyphs/glyph_paint_widgets.h"

#include "core/glyphs/glyph_text.h"

namespace velta {
namespace {

void fill(QImage& image, int x, int y, int w, int h, QRgb rgb)
{
    const int x0 = std::max(0, x);
    const int y0 = std::max(0, y);
    const int x1 = std::min(image.width(), x + w);
    const int y1 = std::min(image.height(), y + h);
    for (int row = y0; row < y1; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(row));
        for (int col = x0; col < x1; ++col) line[col] = rgb;
    }
}

}  // namespace

void paint_glyph_cell(QImage& image, int x, int y, int w, int h, bool lit)
{
    if (lit) {
        fill(image, x, y, w, h, k_lit_rgb);
        return;
    }
    fill(image, x, y, w, h, k_unlit_pen_rgb);
    fill(image, x + 1, y + 1, w - 2, h - 2, k_unlit_brush_rgb);
}

void paint_glyph(QImage& image, GlyphSize size, std::string_view text, int cell_w, int cell_h)
{
    const int n = glyph_size_info(size).pixels;
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col)
            paint_glyph_cell(image, col * cell_w, row * cell_h, cell_w, cell_h,
                             glyph_pixel(size, text, col, row));
}

}  // namespace velta
