#include "core/glyphs/glyph_layout.h"

#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"

namespace velta {

const GlyphEditorLayout& editor_layout(GlyphSize size)
{
    static const GlyphEditorLayout large{
        10, 8, 22, 481, 20, 387, "外字登録設定（大文字）", "外字登録（大文字）の設定 "};
    static const GlyphEditorLayout medium{
        15, 12, 27, 476, 24, 383, "外字登録（中文字）の設定", "外字登録（中文字）の設定 "};
    static const GlyphEditorLayout small{
        20, 16, 32, 471, 28, 379, "外字登録（小文字）の設定", "外字登録（小文字）の設定 "};
    return by_size(size, large, medium, small);
}

std::optional<GridHit> grid_hit(GlyphSize size, std::int16_t x, std::int16_t y)
{
    const GlyphEditorLayout& e = editor_layout(size);
    if (x < e.x_min || x > e.x_max || y < e.y_min || y > e.y_max)
        return std::nullopt;
    GridHit hit{};
    hit.column = (x - k_grid_origin) / e.cell_width;
    hit.row = (y - k_grid_origin) / e.cell_height;
    hit.digit = hit.column / 4 + hit.row * glyph_size_info(size).digits_per_row;
    hit.bit = hit.column % 4;
    return hit;
}

std::optional<GridHit> edit_pixel(GlyphStore& g, GlyphSize size, std::int16_t x, std::int16_t y,
                                  bool set)
{
    const std::optional<GridHit> hit = grid_hit(size, x, y);
    if (!hit)
        return std::nullopt;
    char& digit = g.glyph_work[static_cast<std::size_t>(hit->digit)];
    const int mask = 8 >> hit->bit;
    const int before = glyph_digit_value(digit) & 0xF;
    const int after = set ? (before | mask) : (before & ~mask);
    const char written = glyph_value_digit(after);
    const bool changed = written != digit;
    digit = written;
    store_glyph_work(g, size, g.glyph_transfer_index);
    if (!changed)
        return std::nullopt;
    return hit;
}

const GlyphListLayout& list_layout(GlyphSize size)
{
    static const GlyphListLayout large{
        7, 14, 5, 96, 72, "外字一覧（大文字）", "外字一覧（大文字） "};
    static const GlyphListLayout medium{
        8, 16, 10, 64, 162, "外字一覧（中文字）", "外字一覧（中文字） "};
    static const GlyphListLayout small{
        8, 16, 16, 48, 258, "外字一覧（小文字）", "外字一覧（小文字） "};
    return by_size(size, large, medium, small);
}

std::optional<int> thumbnail_hit(GlyphSize size, int x, int y)
{
    const int columns = list_layout(size).columns;
    for (int i = 0; i < columns; ++i) {
        const int left = k_box_pitch * i + k_box_left;
        if (x < left || x > left + k_box_span)
            continue;
        if (y >= k_box_row_top[0] && y <= k_box_row_top[0] + k_box_span)
            return i;
        if (y >= k_box_row_top[1] && y <= k_box_row_top[1] + k_box_span)
            return i + columns;
        return std::nullopt;
    }
    return std::nullopt;
}

std::string glyph_page_text(GlyphSize size, int page)
{
    const GlyphListLayout& l = list_layout(size);
    const int first = page * l.boxes_per_page + 1;
    const int last = first + l.boxes_per_page - 1;
    const int width = size == GlyphSize::large ? 2 : 3;
    auto padded = [width](int n) {
        const std::string t = std::to_string(n);
        const auto w = static_cast<std::size_t>(width);
        return t.size() >= w ? t : std::string(w - t.size(), ' ') + t;
    };
    return "No." + padded(first) + "～" + padded(last);
}

std::string glyph_percent_text(int done, int total)
{
    if (total <= 0)
        return " 00.0";
    const int q = done * 100 / total;
    const int d = done * 1000 / total % 10;
    std::string t = " 00.0";
    t[1] = static_cast<char>('0' + q / 10 % 10);
    t[2] = static_cast<char>('0' + q % 10);
    t[4] = static_cast<char>('0' + d);
    return t;
}

std::string glyph_number_text(GlyphSize size, int number)
{
    return glyph_size_info(size).number_digits == 2 ? dec2_text(number) : dec3_text(number);
}

}  // namespace velta
