#pragma once
// Drawing a page as it appears on the picture: its title line (two lines in two-line page
// mode) at the top or the bottom, in its character and border colours, on its solid fill, at
// its character level, custom characters pixel for pixel from the glyph store. Ordinary
// characters are drawn with a system font, so the preview is an approximation of the device.

#include <QHash>
#include <QImage>
#include <QRect>
#include <QRgb>
#include <QSize>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

struct DeviceConfig;
struct GlyphStore;

inline constexpr int k_preview_cells = 28;  // full-width characters across the picture

// A neutral picture behind the title: mid grey with a faint grid, so colours read true.
QImage test_picture(QSize size);

// The RGB of colour number 0..8 at HIGH or LOW level; none for ブランク and for a number
// outside the list.
std::optional<QRgb> preview_colour(int number, bool low);
// The solid fill is drawn in the border colour, so the title stays readable on it in every
// combination the operator chooses; black where the border is ブランク.
QRgb preview_fill_colour(int border_colour);
// The glyph size of a font size setting: 0 small, 1 medium, any other large.
GlyphSize preview_glyph_size(int font_size);
// The glyph store slot of a title's custom-character element (lead byte 0x01..0x13) in a
// size; none when no slot of that size has its code.
std::optional<int> preview_glyph_slot(unsigned element, GlyphSize size);

// One title line on the picture: the slot it shows and the band of its 28 square cells.
struct PreviewLine {
    int slot = 0;
    QRect band;
    int cell = 0;  // width = height of a full-width cell, pixels
    GlyphSize glyph_size = GlyphSize::medium;
};
// The lines of the page slot `slot` belongs to, top first: one, or the "T" and "B" slots of a
// two-line page, placed as a block by the "T" slot's position.
std::vector<PreviewLine> preview_lines(const DeviceConfig& config, int slot, QSize size);

// One character of a title in its cell: half a cell for a half-width character.
struct PreviewChar {
    int half_cells = 2;
    QString text;               // an ordinary character; empty for none
    std::optional<int> glyph;   // a custom character's store slot
    int offset_half_cells = 0;  // from the start of the line
};
// The characters of a stored title (code page 932 bytes) that fit in the 28 cells.
std::vector<PreviewChar> preview_chars(std::string_view title, GlyphSize size);

// Renders previews and keeps what is costly to make again: the scaled background and the
// glyph images of the cell sizes in use.
class PreviewRenderer {
public:
    // Draws slot's page onto background scaled to size (cropped to keep its proportions); a
    // null background draws on the test picture.
    QImage render(const DeviceConfig& config, const GlyphStore& glyphs, int slot, QSize size,
                  const QImage& background);

private:
    struct GlyphImage {
        std::string text;
        QImage mask;
    };

    const QImage& background_for(const QImage& still, QSize size);
    const QImage& glyph_mask(const GlyphStore& glyphs, GlyphSize size, int glyph, int cell);
    void draw_line(QImage& picture, const DeviceConfig& config, const GlyphStore& glyphs,
                   const PreviewLine& line, bool low);
    QImage line_ink(const GlyphStore& glyphs, const PreviewLine& line, std::string_view title,
                    int pad);

    qint64 background_key_ = 0;
    QSize background_size_;
    QImage background_;
    QHash<quint64, GlyphImage> glyphs_;
};

// The same, without keeping anything between calls.
QImage render_page_preview(const DeviceConfig& config, const GlyphStore& glyphs, int slot,
                           QSize size, const QImage& background);

}  // namespace velta
