#pragma once
// Where things are on the glyph editors and lists, as pure functions of dialog client pixels,
// and the texts the lists show.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

// The editing grid always covers 480 × 384 screen pixels from (12, 12) of the dialog.
inline constexpr int k_grid_origin = 12;
inline constexpr int k_grid_width = 480;
inline constexpr int k_grid_height = 384;

struct GlyphEditorLayout {
    int cell_width;
    int cell_height;
    int x_min, x_max;              // accepted mouse x
    int y_min, y_max;              // accepted mouse y
    std::string_view caption;      // "外字登録設定（大文字）"
    std::string_view peer_prefix;  // put before a selected peer's address
};
const GlyphEditorLayout& editor_layout(GlyphSize size);

struct GridHit {
    int column;  // glyph pixel column
    int row;
    int digit;  // position in the glyph text
    int bit;    // 0 is the digit value 8, 3 the value 1
};
// The glyph pixel under dialog client point (x, y), or nothing outside the accepted ranges.
std::optional<GridHit> grid_hit(GlyphSize size, std::int16_t x, std::int16_t y);

// Sets or clears the pixel under (x, y) in glyph_work and copies the glyph into store slot
// glyph_transfer_index. Returns the pixel when its digit changed (the cell to repaint).
std::optional<GridHit> edit_pixel(GlyphStore& glyphs, GlyphSize size, std::int16_t x,
                                  std::int16_t y, bool set);

struct GlyphListLayout {
    int columns;  // boxes per row; two rows
    int boxes_per_page;
    int pages;
    int picture;                   // picture side in screen pixels (2 per glyph pixel)
    int progress_range;            // progress bar 0..progress_range
    std::string_view caption;      // "外字一覧（大文字）"
    std::string_view peer_prefix;  // put before a selected peer's address
};
const GlyphListLayout& list_layout(GlyphSize size);

// Box geometry on the list dialog: box i of a row spans x 114 i + 12 .. 114 i + 106; the two
// rows span y 11..105 and 158..252.
inline constexpr int k_box_pitch = 114;
inline constexpr int k_box_left = 12;
inline constexpr int k_box_span = 94;  // right edge minus left edge
inline constexpr int k_box_row_top[2] = {11, 158};

// The box (0..boxes per page - 1) under dialog client point (x, y), or nothing.
std::optional<int> thumbnail_hit(GlyphSize size, int x, int y);

// "No. 1～14" (large) or "No.  1～ 16" (medium, small): the page list entry of a page.
std::string glyph_page_text(GlyphSize size, int page);
// " 01.4": the percent field of a run after `done` of `total` slots.
std::string glyph_percent_text(int done, int total);
// The glyph number as the editor and export name show it ("01" or "001").
std::string glyph_number_text(GlyphSize size, int number);

}  // namespace velta
