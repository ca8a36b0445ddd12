// Protects the pure geometry and texts of the glyph dialogs: the editor's hit test and pixel
// edit, the list's box hit test, page and percent texts, the bitmap file and the insertion
// command.
#include "core/glyphs/glyph_layout.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/common/save_target.h"
#include "core/glyphs/glyph_bmp.h"
#include "core/glyphs/glyph_insert.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/wire_capture.h"

namespace velta {
namespace {

std::uint32_t le32(const std::string& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

TEST(GridHit, LargeEdgeAndTheUnreachableMargin)
{
    const auto hit = grid_hit(GlyphSize::large, 22, 20);
    ASSERT_TRUE(hit.has_value());
    EXPECT_EQ(hit->column, 1);
    EXPECT_EQ(hit->row, 1);
    EXPECT_EQ(hit->digit, 12);
    EXPECT_EQ(hit->bit, 1);
    EXPECT_FALSE(grid_hit(GlyphSize::large, 21, 20).has_value());
    EXPECT_FALSE(grid_hit(GlyphSize::large, 22, 19).has_value());
    // The far corners reach pixel 46, never 47.
    for (GlyphSize size : k_glyph_sizes) {
        const GlyphEditorLayout& e = editor_layout(size);
        const auto far =
            grid_hit(size, static_cast<std::int16_t>(e.x_max), static_cast<std::int16_t>(e.y_max));
        ASSERT_TRUE(far.has_value());
        EXPECT_EQ(far->column, glyph_size_info(size).pixels - 2);
        EXPECT_EQ(far->row, glyph_size_info(size).pixels - 2);
        EXPECT_FALSE(grid_hit(size, static_cast<std::int16_t>(e.x_max + 1), 100));
        EXPECT_FALSE(grid_hit(size, 100, static_cast<std::int16_t>(e.y_max + 1)));
        const auto near =
            grid_hit(size, static_cast<std::int16_t>(e.x_min), static_cast<std::int16_t>(e.y_min));
        ASSERT_TRUE(near.has_value());
        EXPECT_EQ(near->column, 1);
        EXPECT_EQ(near->row, 1);
    }
    EXPECT_FALSE(grid_hit(GlyphSize::small, -5, 100));
}

TEST(EditPixel, SetsClearsAndCopiesIntoTheChosenSlot)
{
    WireCapture wire;
    model().glyphs.glyph_transfer_index = 9;
    const auto changed = edit_pixel(model().glyphs, GlyphSize::large, 22, 20, true);
    ASSERT_TRUE(changed.has_value());
    EXPECT_EQ(model().glyphs.glyph_work[12], '4');
    EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::large, 9)[12], '4');
    // The same pixel again changes no digit: nothing to repaint.
    EXPECT_FALSE(edit_pixel(model().glyphs, GlyphSize::large, 23, 21, true).has_value());
    EXPECT_FALSE(edit_pixel(model().glyphs, GlyphSize::large, 21, 20, true).has_value());
    EXPECT_EQ(model().glyphs.glyph_work[12], '4');

    // Another number, then a click: the whole grid goes into the new slot.
    model().glyphs.glyph_transfer_index = 20;
    ASSERT_TRUE(
        edit_pixel(model().glyphs, GlyphSize::large, 32, 20, true).has_value());  // column 2
    EXPECT_EQ(model().glyphs.glyph_work[12], '6');
    EXPECT_EQ(std::string(glyph_slot(model().glyphs, GlyphSize::large, 20).data(), 576),
              std::string(glyph_work_text(model().glyphs, GlyphSize::large)));
    ASSERT_TRUE(edit_pixel(model().glyphs, GlyphSize::large, 22, 20, false).has_value());
    EXPECT_EQ(model().glyphs.glyph_work[12], '2');
    EXPECT_EQ(glyph_slot(model().glyphs, GlyphSize::large, 9)[12], '4');
}

TEST(ThumbnailHit, BoxesRowsAndGaps)
{
    EXPECT_EQ(thumbnail_hit(GlyphSize::large, 240, 160), std::optional<int>(9));
    EXPECT_FALSE(thumbnail_hit(GlyphSize::large, 110, 50).has_value());
    EXPECT_EQ(thumbnail_hit(GlyphSize::small, 12, 11), std::optional<int>(0));
    EXPECT_EQ(thumbnail_hit(GlyphSize::small, 106, 105), std::optional<int>(0));
    EXPECT_FALSE(thumbnail_hit(GlyphSize::small, 50, 106).has_value());
    EXPECT_FALSE(thumbnail_hit(GlyphSize::small, 50, 157).has_value());
    EXPECT_EQ(thumbnail_hit(GlyphSize::small, 12 + 114 * 7, 252), std::optional<int>(15));
    // The large list has seven columns: the eighth place is no box.
    EXPECT_FALSE(thumbnail_hit(GlyphSize::large, 12 + 114 * 7, 50).has_value());
}

TEST(GlyphListTexts, PageEntriesAndPercent)
{
    EXPECT_EQ(glyph_page_text(GlyphSize::large, 0), "No. 1～14");
    EXPECT_EQ(glyph_page_text(GlyphSize::large, 2), "No.29～42");
    EXPECT_EQ(glyph_page_text(GlyphSize::large, 4), "No.57～70");
    EXPECT_EQ(glyph_page_text(GlyphSize::medium, 0), "No.  1～ 16");
    EXPECT_EQ(glyph_page_text(GlyphSize::medium, 1), "No. 17～ 32");
    EXPECT_EQ(glyph_page_text(GlyphSize::medium, 9), "No.145～160");
    EXPECT_EQ(glyph_page_text(GlyphSize::small, 15), "No.241～256");
    EXPECT_EQ(glyph_percent_text(1, 70), " 01.4");
    EXPECT_EQ(glyph_percent_text(35, 70), " 50.0");
    EXPECT_EQ(glyph_percent_text(0, 256), " 00.0");
    EXPECT_EQ(glyph_percent_text(255, 256), " 99.6");
}

TEST(GlyphBmp, BoxOf83By104)
{
    EXPECT_EQ(bmp_stride(83), 252);
    EXPECT_EQ(bmp_stride(96), 288);
    std::vector<std::uint32_t> px(83 * 104, 0x0000FF);  // blue
    px[0] = 0xFF8040;                                   // top-left
    px[83 * 103 + 82] = 0x102030;                       // bottom-right
    const std::string b = bmp_file_bytes(83, 104, px);
    ASSERT_EQ(b.size(), 26262u);
    EXPECT_EQ(b.substr(0, 2), "BM");
    EXPECT_EQ(le32(b, 2), 26262u);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 83u);
    EXPECT_EQ(le32(b, 22), 104u);
    EXPECT_EQ(b[26], 1);
    EXPECT_EQ(b[27], 0);
    EXPECT_EQ(b[28], 24);
    EXPECT_EQ(b[29], 0);
    for (std::size_t i = 30; i < 54; ++i) EXPECT_EQ(b[i], 0) << i;
    // Rows bottom-up: the first stored row is the bottom one; blue, green, red; padding 0.
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 82 * 3]), 0x30);
    EXPECT_EQ(static_cast<unsigned char>(b[54 + 82 * 3 + 2]), 0x10);
    EXPECT_EQ(b[54 + 249], 0);
    const std::size_t top = 54 + 103 * 252;
    EXPECT_EQ(static_cast<unsigned char>(b[top]), 0x40);
    EXPECT_EQ(static_cast<unsigned char>(b[top + 1]), 0x80);
    EXPECT_EQ(static_cast<unsigned char>(b[top + 2]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(b[top + 3]), 0xFF);  // the next pixel is blue
    EXPECT_EQ(b[top + 5], 0);
}

TEST(GlyphBmp, ExportNamesAndFlow)
{
    WireCapture wire;
    reset_glyph_state();
    EXPECT_EQ(glyph_bmp_title(GlyphSize::medium, 20), "中文字外字登録番号020をbmpファイルで保存");
    EXPECT_EQ(glyph_bmp_title(GlyphSize::large, 38), "大文字外字登録番号38をbmpファイルで保存");
    EXPECT_EQ(glyph_bmp_default_name(GlyphSize::medium, 20), "gm020.bmp");
    EXPECT_EQ(glyph_bmp_default_name(GlyphSize::large, 7), "gl07.bmp");
    EXPECT_EQ(glyph_bmp_default_name(GlyphSize::small, 256), "gs256.bmp");

    const std::string dir = ::testing::TempDir();
    std::string title_seen;
    auto chooser = [&](std::string name) {
        return [&title_seen, name](const std::string& title, const std::string&) {
            title_seen = title;
            return std::optional<std::string>(name);
        };
    };
    const std::string bytes = bmp_file_bytes(2, 2, std::vector<std::uint32_t>(4, 0));
    EXPECT_TRUE(
        export_glyph_bmp(link_status(), GlyphSize::small, 3, bytes, chooser(dir + "velta_pic")));
    EXPECT_EQ(glyph_state().glyph_bmp_file_name, dir + "velta_pic.bmp");
    EXPECT_EQ(title_seen, "小文字外字登録番号003をbmpファイルで保存");
    // The same file again: replaced once the operator agrees.
    BoxRecorder boxes;
    EXPECT_TRUE(export_glyph_bmp(link_status(), GlyphSize::small, 3, bytes,
                                 chooser(dir + "velta_pic.bmp")));
    EXPECT_EQ(boxes.count("velta_pic.bmp" + std::string(k_text_overwrite_suffix)), 1);
    EXPECT_EQ(glyph_state().glyph_bmp_file_name, dir + "velta_pic.bmp");
    // While a read is outstanding nothing is asked or written.
    link_status().read_pending = 1;
    title_seen.clear();
    EXPECT_FALSE(
        export_glyph_bmp(link_status(), GlyphSize::small, 3, bytes, chooser(dir + "velta_other")));
    EXPECT_TRUE(title_seen.empty());
    link_status().read_pending = 0;
    EXPECT_FALSE(export_glyph_bmp(
        link_status(), GlyphSize::small, 3, bytes,
        [](const std::string&, const std::string&) { return std::optional<std::string>(); }));
    std::remove((dir + "velta_pic.bmp").c_str());
}

TEST(GlyphInsert, CommandAndListsAcrossSizes)
{
    WireCapture wire;
    reset_glyph_state();
    model().glyphs.glyph_transfer_index = 11;
    model().choices.current_page = 2;
    model().choices.insert_position = 4;
    send_glyph_insert(program_context());
    EXPECT_EQ(wire.last(), "G012P003I05\r\n");
    model().config.device.page_mode = 1;
    model().choices.current_page = 3;  // 002B
    EXPECT_EQ(glyph_insert_command(model()).substr(4, 4), "P004");

    // Small, position 20 and glyph 200, to large: both reset.
    model().choices.insert_position = 19;
    model().glyphs.glyph_transfer_index = 199;
    change_insert_font_size(model(), 2);
    EXPECT_EQ(insert_position_count(2), 14);
    EXPECT_EQ(insert_glyph_count(2), 70);
    EXPECT_EQ(model().choices.insert_position, 0);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 0);
    // Back to small: everything offered again, choices kept.
    model().choices.insert_position = 13;
    model().glyphs.glyph_transfer_index = 69;
    change_insert_font_size(model(), 0);
    EXPECT_EQ(insert_position_count(0), 28);
    EXPECT_EQ(insert_glyph_count(0), 256);
    EXPECT_EQ(model().choices.insert_position, 13);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 69);
    // Small to medium keeps what medium still offers.
    model().choices.insert_position = 20;
    model().glyphs.glyph_transfer_index = 159;
    change_insert_font_size(model(), 1);
    EXPECT_EQ(model().choices.insert_position, 20);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 159);
    change_insert_font_size(model(), 2);
    EXPECT_EQ(model().choices.insert_position, 0);
    EXPECT_EQ(model().glyphs.glyph_transfer_index, 0);
    EXPECT_EQ(glyph_state().insert_font_size, 2);
}

}  // namespace
}  // namespace velta
