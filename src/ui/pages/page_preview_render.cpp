#include "ui/pages/page_preview_render.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QStringList>
#include <algorithm>
#include <array>

#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "link/text_cp932.h"

namespace velta {
namespace {

// 黒 赤 緑 黄 青 マゼンタ シアン 白, as full-level video colours; 8 (ブランク) is not drawn.
constexpr std::array<QRgb, 8> k_colour_rgb{
    qRgb(0, 0, 0),   qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255), qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};
constexpr double k_low_level = 0.75;  // still readable on a mid-grey picture
constexpr QRgb k_field_grey = 0x808080;
constexpr qsizetype k_glyph_cache_limit = 2048;

const QStringList& font_families()
{
    // The first Japanese font the system has; the device's own font is its own.
    static const QStringList families{
        "Noto Sans CJK JP", "Source Han Sans JP", "IPAexGothic", "IPAGothic", "VL Gothic",
        "TakaoGothic",      "Yu Gothic",          "Meiryo",      "MS Gothic"};
    return families;
}

int value_at(const PageArray<int>& values, int slot)
{
    return values[static_cast<std::size_t>(std::clamp(slot, 0, k_page_slots - 1))];
}

bool sjis_lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool custom_lead(unsigned char b)
{
    return b >= 0x01 && b <= 0x13;
}

// The outline: a pixel, two on large pictures.
int border_width(int cell)
{
    return std::clamp(cell / 16, 1, 2);
}

// A character that draws something; empty for controls and what code page 932 lacks.
QString printable(const QString& s)
{
    if (s.isEmpty() || s.contains(QChar::ReplacementCharacter) || !s.at(0).isPrint())
        return {};
    return s;
}

// Every store slot by its element, the largest size's numbering (the small one has them all).
const std::array<short, 0x1400>& slots_by_element()
{
    static const std::array<short, 0x1400> table = [] {
        std::array<short, 0x1400> t{};
        t.fill(-1);
        const int count = glyph_size_info(GlyphSize::small).slot_count;
        for (int s = 0; s < count; ++s) {
            const unsigned element = glyph_code(s) - k_custom_char_offset;
            if (element < t.size())
                t[element] = static_cast<short>(s);
        }
        return t;
    }();
    return table;
}

// Recolours every pixel the image covers, keeping its coverage.
void tint(QImage& image, QRgb colour)
{
    QPainter p(&image);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(image.rect(), QColor(colour));
}

// The ink grown by `width` pixels in all eight directions: the border behind the characters.
QImage grown(const QImage& ink, int width)
{
    QImage out = ink;
    for (int pass = 0; pass < width; ++pass) {
        QImage next(out.size(), QImage::Format_ARGB32_Premultiplied);
        next.fill(Qt::transparent);
        QPainter p(&next);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) p.drawImage(dx, dy, out);
        p.end();
        out = next;
    }
    return out;
}

void paint_grid(QImage& picture)
{
    const int w = picture.width();
    const int h = picture.height();
    QPainter p(&picture);
    p.setPen(QColor(0x8C8C8C));
    for (int i = 1; i < 16; ++i) p.drawLine(i * w / 16, 0, i * w / 16, h - 1);
    for (int i = 1; i < 12; ++i) p.drawLine(0, i * h / 12, w - 1, i * h / 12);
    // Soft grey steps across the middle: a reference for the levels of the title.
    const int steps = 8;
    for (int i = 0; i < steps; ++i) {
        const int grey = 0x58 + i * 0x50 / (steps - 1);
        p.fillRect(QRect(i * w / steps, 5 * h / 12, (i + 1) * w / steps - i * w / steps, h / 6),
                   QColor(grey, grey, grey));
    }
    p.setPen(QColor(0x989898));
    p.drawLine(w / 2, 0, w / 2, 5 * h / 12 - 1);
    p.drawLine(w / 2, 7 * h / 12, w / 2, h - 1);
}

}  // namespace

QImage test_picture(QSize size)
{
    if (size.isEmpty())
        return {};
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(k_field_grey);
    paint_grid(picture);
    return picture;
}

std::optional<QRgb> preview_colour(int number, bool low)
{
    if (number < 0 || number >= static_cast<int>(k_colour_rgb.size()))
        return std::nullopt;
    const QRgb c = k_colour_rgb[static_cast<std::size_t>(number)];
    if (!low)
        return c;
    const auto dim = [](int v) { return static_cast<int>(v * k_low_level + 0.5); };
    return qRgb(dim(qRed(c)), dim(qGreen(c)), dim(qBlue(c)));
}

QRgb preview_fill_colour(int border_colour)
{
    return preview_colour(border_colour, false).value_or(k_colour_rgb[0]);
}

GlyphSize preview_glyph_size(int font_size)
{
    return font_size == 0   ? GlyphSize::small
           : font_size == 1 ? GlyphSize::medium
                            : GlyphSize::large;
}

std::optional<int> preview_glyph_slot(unsigned element, GlyphSize size)
{
    const auto& table = slots_by_element();
    if (element >= table.size())
        return std::nullopt;
    const int s = table[element];
    if (s < 0 || s >= glyph_size_info(size).slot_count)
        return std::nullopt;
    return s;
}

std::vector<PreviewLine> preview_lines(const DeviceConfig& config, int slot, QSize size)
{
    const int w = size.width();
    const int h = size.height();
    if (w <= 0 || h <= 0)
        return {};
    const int cell = std::max(1, (w - 2 * (w / 40)) / k_preview_cells);
    const int left = (w - cell * k_preview_cells) / 2;
    const int margin = h / 25;
    const int gap = std::max(1, cell / 6);

    slot = std::clamp(slot, 0, k_page_slots - 1);
    const bool two_lines = config.device.page_mode == 1;
    const int first = two_lines ? slot - slot % 2 : slot;
    const int count = two_lines ? 2 : 1;
    const bool top = value_at(config.pages.page_title_position, first) == 0;
    const GlyphSize glyph_size =
        preview_glyph_size(top ? config.device.upper_font_size : config.device.lower_font_size);
    const int block = count * cell + (count - 1) * gap;
    const int y = top ? margin : h - margin - block;

    std::vector<PreviewLine> lines;
    for (int i = 0; i < count; ++i)
        lines.push_back({first + i, QRect(left, y + i * (cell + gap), cell * k_preview_cells, cell),
                         cell, glyph_size});
    return lines;
}

std::vector<PreviewChar> preview_chars(std::string_view title, GlyphSize size)
{
    std::vector<PreviewChar> chars;
    int used = 0;
    for (std::size_t i = 0; i < title.size() && title[i] != '\0';) {
        const auto lead = static_cast<unsigned char>(title[i]);
        const bool pair = (sjis_lead(lead) || custom_lead(lead)) && i + 1 < title.size();
        PreviewChar c;
        c.half_cells = pair ? 2 : 1;
        if (used + c.half_cells > 2 * k_preview_cells)
            break;
        if (pair && custom_lead(lead))
            c.glyph =
                preview_glyph_slot(lead * 256u + static_cast<unsigned char>(title[i + 1]), size);
        else
            c.text = printable(from_cp932(title.substr(i, pair ? 2 : 1)));
        c.offset_half_cells = used;
        used += c.half_cells;
        i += pair ? 2 : 1;
        chars.push_back(std::move(c));
    }
    return chars;
}

QImage PreviewRenderer::render(const DeviceConfig& config, const GlyphStore& glyphs, int slot,
                               QSize size, const QImage& background)
{
    if (size.isEmpty())
        return {};
    QImage picture = background_for(background, size);
    slot = std::clamp(slot, 0, k_page_slots - 1);
    const int page = config.device.page_mode == 1 ? slot / 2 : slot;
    const bool low = value_at(config.pages.page_char_level, page) == 0;
    for (const PreviewLine& line : preview_lines(config, slot, size))
        draw_line(picture, config, glyphs, line, low);
    return picture;
}

const QImage& PreviewRenderer::background_for(const QImage& still, QSize size)
{
    const qint64 key = still.isNull() ? 0 : still.cacheKey();
    if (!background_.isNull() && key == background_key_ && size == background_size_)
        return background_;
    background_key_ = key;
    background_size_ = size;
    if (still.isNull()) {
        background_ = test_picture(size);
    } else if (still.size() == size) {
        background_ = still.convertToFormat(QImage::Format_RGB32);
    } else {
        const QImage scaled =
            still.scaled(size, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
        background_ = scaled
                          .copy((scaled.width() - size.width()) / 2,
                                (scaled.height() - size.height()) / 2, size.width(), size.height())
                          .convertToFormat(QImage::Format_RGB32);
    }
    return background_;
}

const QImage& PreviewRenderer::glyph_mask(const GlyphStore& glyphs, GlyphSize size, int glyph,
                                          int cell)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    // The store is only read here; glyph_slot hands out a writable view of it.
    const std::span<char> slot = glyph_slot(const_cast<GlyphStore&>(glyphs), size, glyph);
    const std::string_view text(slot.data(), static_cast<std::size_t>(info.glyph_digits));
    const quint64 key = (quint64(static_cast<int>(size)) << 48) | (quint64(glyph) << 24) |
                        quint64(static_cast<unsigned>(cell));
    if (glyphs_.size() > k_glyph_cache_limit && !glyphs_.contains(key))
        glyphs_.clear();  // sizes long left behind by resizing
    GlyphImage& cached = glyphs_[key];
    if (!cached.mask.isNull() && cached.text == text)
        return cached.mask;

    // Each glyph pixel becomes a whole block of screen pixels where the cell has room for it;
    // a cell smaller than the grid shows the glyph scaled down smoothly.
    const int n = info.pixels;
    const int block = std::max(1, cell / n);
    QImage mask(n * block, n * block, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            if (!glyph_pixel(size, text, x, y))
                continue;
            for (int by = 0; by < block; ++by) {
                auto* row = reinterpret_cast<QRgb*>(mask.scanLine(y * block + by));
                std::fill(row + x * block, row + (x + 1) * block, 0xFFFFFFFFu);
            }
        }
    }
    if (cell < n)
        mask = mask.scaled(cell, cell, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    cached = {std::string(text), std::move(mask)};
    return cached.mask;
}

QImage PreviewRenderer::line_ink(const GlyphStore& glyphs, const PreviewLine& line,
                                 std::string_view title, int pad)
{
    const std::vector<PreviewChar> chars = preview_chars(title, line.glyph_size);
    QImage ink(line.band.width() + 2 * pad, line.band.height() + 2 * pad,
               QImage::Format_ARGB32_Premultiplied);
    ink.fill(Qt::transparent);
    bool any = false;
    QPainter p(&ink);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::white);
    QFont font;
    font.setFamilies(font_families());
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, line.cell - pad));
    p.setFont(font);
    const int c = line.cell;
    for (const PreviewChar& ch : chars) {
        const int x = pad + ch.offset_half_cells * c / 2;
        const int width =
            (ch.offset_half_cells + ch.half_cells) * c / 2 - ch.offset_half_cells * c / 2;
        if (ch.glyph) {
            const QImage& mask = glyph_mask(glyphs, line.glyph_size, *ch.glyph, c);
            p.drawImage(x + (width - mask.width()) / 2, pad + (c - mask.height()) / 2, mask);
            any = true;
        } else if (!ch.text.isEmpty()) {
            p.drawText(QRect(x, pad, width, c), Qt::AlignCenter, ch.text);
            any = true;
        }
    }
    p.end();
    return any ? ink : QImage();
}

void PreviewRenderer::draw_line(QImage& picture, const DeviceConfig& config,
                                const GlyphStore& glyphs, const PreviewLine& line, bool low)
{
    const PageSettings& pages = config.pages;
    const int border = value_at(pages.page_border_color, line.slot);
    // The level is the characters' own signal: the border and the fill keep theirs.
    const std::optional<QRgb> fg = preview_colour(value_at(pages.page_char_color, line.slot), low);
    const std::optional<QRgb> edge = preview_colour(border, false);

    QPainter p(&picture);
    if (value_at(pages.page_background_fill, line.slot) != 0)
        p.fillRect(line.band, QColor(preview_fill_colour(border)));
    if (!fg && !edge)
        return;
    const int pad = border_width(line.cell);
    QImage ink = line_ink(glyphs, line, pages.page_title[static_cast<std::size_t>(line.slot)], pad);
    if (ink.isNull())
        return;
    const QPoint at = line.band.topLeft() - QPoint(pad, pad);
    if (edge) {
        QImage ring = grown(ink, pad);
        if (!fg) {
            // No character: the border rings what would be its shape, the picture shows inside.
            QPainter cut(&ring);
            cut.setCompositionMode(QPainter::CompositionMode_DestinationOut);
            cut.drawImage(0, 0, ink);
        }
        tint(ring, *edge);
        p.drawImage(at, ring);
    }
    if (fg) {
        tint(ink, *fg);
        p.drawImage(at, ink);
    }
}

QImage render_page_preview(const DeviceConfig& config, const GlyphStore& glyphs, int slot,
                           QSize size, const QImage& background)
{
    PreviewRenderer renderer;
    return renderer.render(config, glyphs, slot, size, background);
}

}  // namespace velta
