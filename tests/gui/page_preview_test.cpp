// Protects the page preview: where the title lines sit, their colours, border, fill and level,
// what ブランク and unknown characters leave alone, custom characters drawn pixel for pixel
// from the glyph store, the still behind the title, and the strip's choice of a page.
#include "ui/pages/page_preview.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <functional>
#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "support/box_recorder.h"
#include "support/temp_folder.h"
#include "ui/pages/page_preview_strip.h"

namespace velta {
namespace {

constexpr QRgb k_grey = qRgb(128, 128, 128);
constexpr QRgb k_white = qRgb(255, 255, 255);
constexpr QRgb k_black = qRgb(0, 0, 0);
constexpr QRgb k_red = qRgb(255, 0, 0);
constexpr QRgb k_green = qRgb(0, 255, 0);
const QSize k_size{640, 480};
// A cell of exactly 48 pixels: two screen pixels a small-glyph pixel.
const QSize k_glyph_size{1420, 1065};
const std::string k_kanji = "\x88\x9F";  // 亜

QImage solid(QSize size, QRgb colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The title bytes of the custom character in store slot s.
std::string glyph_element(int s)
{
    const unsigned element = glyph_code(s) - 0x9345;
    return {static_cast<char>(element >> 8), static_cast<char>(element & 0xFF)};
}

using Pattern = std::function<bool(int x, int y)>;

void set_glyph(GlyphStore& glyphs, GlyphSize size, int slot, const Pattern& lit)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const std::span<char> text = glyph_slot(glyphs, size, slot);
    for (int y = 0; y < info.pixels; ++y)
        for (int d = 0; d < info.digits_per_row; ++d) {
            int value = 0;
            for (int b = 0; b < 4; ++b)
                if (lit(d * 4 + b, y))
                    value |= glyph_pixel_mask(b);
            text[static_cast<std::size_t>(y * info.digits_per_row + d)] = glyph_value_digit(value);
        }
}

int count_colour(const QImage& image, const QRect& r, QRgb colour)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) n += image.pixel(x, y) == colour ? 1 : 0;
    return n;
}

// Whether every pixel of the rows first..last equals the background.
bool rows_untouched(const QImage& image, int first, int last, QRgb background)
{
    for (int y = std::max(0, first); y <= std::min(last, image.height() - 1); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                return false;
    return true;
}

DeviceConfig one_title(const std::string& title)
{
    DeviceConfig c;
    c.pages.page_title[0] = title;
    return c;
}

QImage render(const DeviceConfig& config, const GlyphStore& glyphs, int slot, QSize size)
{
    return render_page_preview(config, glyphs, slot, size, solid(size, k_grey));
}

TEST(PagePreviewRender, WhiteOnBlackLineSitsAtItsPositionAndLeavesTheRestAlone)
{
    for (const int position : {0, 1}) {
        SCOPED_TRACE(position);
        DeviceConfig c = one_title(k_kanji + k_kanji + "AB" + k_kanji);
        c.pages.page_title_position[0] = position;
        const QImage picture = render(c, GlyphStore{}, 0, k_size);
        const std::vector<PreviewLine> lines = preview_lines(c, 0, k_size);
        ASSERT_EQ(lines.size(), 1u);
        const QRect band = lines[0].band;
        EXPECT_EQ(band.width(), k_preview_cells * lines[0].cell);
        EXPECT_EQ(band.top() < k_size.height() / 2, position == 0);

        EXPECT_GT(count_colour(picture, band, k_white), 0);
        EXPECT_GT(count_colour(picture, band, k_black), 0);
        // The border comes first wherever a row meets a character.
        int rows_met = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = 0; x < k_size.width(); ++x)
                if (const QRgb p = picture.pixel(x, y); p != k_grey) {
                    EXPECT_LT(qRed(p), qRed(k_grey)) << x << "," << y;
                    ++rows_met;
                    break;
                }
        EXPECT_GT(rows_met, band.height() / 2);
        // Beyond the band and its outline, the picture is as it was.
        const int outline = 2;
        EXPECT_TRUE(rows_untouched(picture, 0, band.top() - outline - 1, k_grey));
        EXPECT_TRUE(rows_untouched(picture, band.bottom() + outline + 1, k_size.height(), k_grey));
    }
}

TEST(PagePreviewRender, FillPaintsTheBandInTheBorderColour)
{
    struct Case {
        int fill;
        int border;
        QRgb band;
    };
    for (const Case& t : {Case{0, 0, k_grey}, Case{1, 0, k_black}, Case{1, 1, k_red},
                          Case{1, 8, k_black}, Case{1, 9, k_black}}) {
        SCOPED_TRACE(testing::Message() << t.fill << "/" << t.border);
        DeviceConfig c;
        c.pages.page_background_fill[0] = t.fill;
        c.pages.page_border_color[0] = t.border;
        const QImage picture = render(c, GlyphStore{}, 0, k_size);
        const QRect band = preview_lines(c, 0, k_size)[0].band;
        EXPECT_EQ(count_colour(picture, band, t.band), band.width() * band.height());
        EXPECT_TRUE(rows_untouched(picture, 0, band.top() - 1, k_grey));
        EXPECT_TRUE(rows_untouched(picture, band.bottom() + 1, k_size.height(), k_grey));
    }
}

TEST(PagePreviewRender, BlankColoursAndUnknownCharactersDrawNothing)
{
    GlyphStore glyphs;
    set_glyph(glyphs, GlyphSize::large, 0, [](int, int) { return true; });
    const std::string beyond_large = glyph_element(100);  // the large size has 70 slots
    struct Case {
        const char* what;
        std::function<void(DeviceConfig&)> edit;
    };
    const Case cases[] = {
        {"ブランク on ブランク",
         [](DeviceConfig& c) {
             c.pages.page_char_color[0] = 8;
             c.pages.page_border_color[0] = 8;
         }},
        {"colours outside the list",
         [](DeviceConfig& c) {
             c.pages.page_char_color[0] = 9;
             c.pages.page_border_color[0] = -1;
         }},
        {"a custom character the size lacks",
         [&](DeviceConfig& c) {
             c.pages.page_title[0] = beyond_large + beyond_large;
             c.device.lower_font_size = 2;
         }},
        {"full-width spaces", [](DeviceConfig& c) { c.pages.page_title[0] = "\x81\x40\x81\x40"; }},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.what);
        DeviceConfig c = one_title(k_kanji + glyph_element(0) + "A");
        c.device.lower_font_size = 2;
        t.edit(c);
        EXPECT_EQ(render(c, glyphs, 0, k_size), solid(k_size, k_grey));
    }
}

TEST(PagePreviewRender, CustomCharacterIsTheStoredGlyphPixelForPixel)
{
    const Pattern pattern = [](int x, int y) { return (x * 7 + y * 3) % 5 == 0 || x == y; };
    GlyphStore glyphs;
    set_glyph(glyphs, GlyphSize::small, 3, pattern);
    // The other sizes hold the opposite, so reading the wrong size shows.
    const Pattern opposite = [&](int x, int y) { return !pattern(x, y); };
    set_glyph(glyphs, GlyphSize::medium, 3, opposite);
    set_glyph(glyphs, GlyphSize::large, 3, opposite);

    struct Case {
        std::string before;
        int half_cells;  // where the glyph's cell starts
        int char_colour;
        int border_colour;
        QRgb lit;          // what a lit glyph pixel shows
        bool unlit_plain;  // unlit pixels show the picture (no border)
    };
    const Case cases[] = {
        {"", 0, 7, 0, k_white, false},
        {"AB", 2, 7, 0, k_white, false},
        {"A", 1, 1, 8, k_red, true},
        {k_kanji, 2, 8, 0, k_grey, false},  // no character: the border rings the picture
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(t.before + "/" + std::to_string(t.char_colour));
        DeviceConfig c = one_title(t.before + glyph_element(3));
        c.device.lower_font_size = 0;
        c.pages.page_char_color[0] = t.char_colour;
        c.pages.page_border_color[0] = t.border_colour;
        const QImage picture = render(c, glyphs, 0, k_glyph_size);
        const PreviewLine line = preview_lines(c, 0, k_glyph_size)[0];
        ASSERT_EQ(line.cell, 48);
        const int block = line.cell / 24;
        const QPoint origin = line.band.topLeft() + QPoint(t.half_cells * line.cell / 2, 0);
        int mismatches = 0;
        int border_pixels = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 24; ++x) {
                const QRect r(origin + QPoint(x * block, y * block), QSize(block, block));
                const int lit_count = count_colour(picture, r, t.lit);
                border_pixels += count_colour(picture, r, k_black);
                if (pattern(x, y))
                    mismatches += lit_count == block * block ? 0 : 1;
                else if (t.unlit_plain)
                    mismatches += count_colour(picture, r, k_grey) == block * block ? 0 : 1;
                else if (t.lit != k_grey)
                    mismatches += lit_count == 0 ? 0 : 1;
            }
        EXPECT_EQ(mismatches, 0);
        EXPECT_EQ(border_pixels > 0, t.border_colour == 0);
    }
}

TEST(PagePreviewRender, LowLevelDimsTheCharactersOfItsPage)
{
    GlyphStore glyphs;
    set_glyph(glyphs, GlyphSize::small, 0, [](int, int) { return true; });
    struct Case {
        int page_mode;
        int slot;
        int low_entry;
        bool dim;
    };
    for (const Case& t :
         {Case{0, 5, 5, true}, Case{0, 5, 4, false}, Case{1, 3, 1, true}, Case{1, 3, 3, false}}) {
        SCOPED_TRACE(testing::Message() << t.page_mode << "/" << t.slot << "/" << t.low_entry);
        DeviceConfig c;
        c.device.page_mode = t.page_mode;
        c.device.lower_font_size = 0;
        c.device.upper_font_size = 0;
        c.pages.page_title[static_cast<std::size_t>(t.slot)] = glyph_element(0);
        c.pages.page_char_level[static_cast<std::size_t>(t.low_entry)] = 0;
        const QImage picture = render(c, glyphs, t.slot, k_glyph_size);
        for (const PreviewLine& line : preview_lines(c, t.slot, k_glyph_size)) {
            if (line.slot != t.slot)
                continue;
            const QRgb lit = picture.pixel(line.band.topLeft() + QPoint(24, 24));
            EXPECT_EQ(qGray(lit) < 255, t.dim);
            EXPECT_GT(qGray(lit), qGray(k_grey));
            EXPECT_EQ(qRed(lit), qBlue(lit));
        }
    }
}

TEST(PagePreviewRender, TwoLinePageIsOneBlockWithTopAboveBottom)
{
    DeviceConfig c;
    c.device.page_mode = 1;
    for (const int s : {2, 3}) {
        c.pages.page_title[static_cast<std::size_t>(s)] = k_kanji + k_kanji;
        c.pages.page_border_color[static_cast<std::size_t>(s)] = 8;
    }
    c.pages.page_char_color[2] = 1;  // 赤
    c.pages.page_char_color[3] = 2;  // 緑
    c.pages.page_title_position[2] = 0;
    c.pages.page_title_position[3] = 1;   // the block goes by the top line's position
    c.pages.page_background_fill[3] = 1;  // each line its own fill: black behind ブランク
    const QImage picture = render(c, GlyphStore{}, 3, k_size);
    EXPECT_EQ(picture, render(c, GlyphStore{}, 2, k_size));

    const std::vector<PreviewLine> lines = preview_lines(c, 3, k_size);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].slot, 2);
    EXPECT_EQ(lines[1].slot, 3);
    EXPECT_LT(lines[0].band.bottom(), lines[1].band.top());
    EXPECT_LT(lines[1].band.bottom(), k_size.height() / 2);
    EXPECT_GT(count_colour(picture, lines[0].band, k_red), 0);
    EXPECT_EQ(count_colour(picture, lines[0].band, k_green), 0);
    EXPECT_GT(count_colour(picture, lines[1].band, k_green), 0);
    EXPECT_EQ(count_colour(picture, lines[1].band, k_red), 0);
    EXPECT_EQ(picture.pixel(lines[0].band.topLeft()), k_grey);
    EXPECT_EQ(picture.pixel(lines[1].band.topLeft()), k_black);
    EXPECT_TRUE(rows_untouched(picture, k_size.height() / 2, k_size.height(), k_grey));
}

TEST(PagePreviewRender, StillFillsThePictureCroppedToItsProportions)
{
    // Twice as wide as high: filling 4:3 crops its sides, where the red stripes are.
    QImage still = solid({800, 400}, k_green);
    for (int y = 0; y < 400; ++y)
        for (int x : {0, 60, 739, 799}) still.setPixel(x, y, k_red);
    DeviceConfig c;
    c.pages.page_char_color[0] = 8;
    c.pages.page_border_color[0] = 8;
    const QImage picture = render_page_preview(c, GlyphStore{}, 0, k_size, still);
    EXPECT_EQ(picture.size(), k_size);
    EXPECT_EQ(count_colour(picture, picture.rect(), k_green), k_size.width() * k_size.height());
}

TEST(PagePreview, AFileThatIsNoImageIsRefusedAndAnImageGoesBehindTheTitle)
{
    reset_settings_model();
    BoxRecorder boxes;
    TempFolder folder;
    const std::string text_file = folder.path("notes.png");
    std::ofstream(text_file) << "not a picture";
    const std::string image_file = folder.path("frame.png");
    ASSERT_TRUE(solid({320, 240}, k_green).save(QString::fromStdString(image_file)));

    PagePreview preview;
    preview.show();
    QString chosen = QString::fromStdString(text_file);
    preview.set_image_chooser([&](QWidget*) { return chosen; });
    QTest::mouseClick(preview.choose_image_button(), Qt::LeftButton);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].kind, BoxKind::error);
    EXPECT_EQ(boxes.last_text(), k_text_image_unreadable);
    EXPECT_TRUE(preview.background().isNull());
    EXPECT_EQ(preview.picture(), test_picture(preview.picture().size()));

    chosen = QString::fromStdString(image_file);
    QTest::mouseClick(preview.choose_image_button(), Qt::LeftButton);
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(preview.picture().pixel(0, 0), k_green);

    QTest::mouseClick(preview.test_picture_button(), Qt::LeftButton);
    EXPECT_TRUE(preview.background().isNull());
    EXPECT_EQ(preview.picture().pixel(0, 0), test_picture(preview.picture().size()).pixel(0, 0));
}

TEST(PagePreviewStrip, ClickingAThumbnailChoosesItsPage)
{
    struct Case {
        int page_mode;
        int current;
        int clicked;
        int chosen;
    };
    for (const Case& t : {Case{0, 0, 3, 3}, Case{0, 100, 0, 98}, Case{0, 255, 0, 251},
                          Case{1, 255, 4, 254}, Case{1, 9, 1, 6}}) {
        SCOPED_TRACE(testing::Message() << t.page_mode << "/" << t.current << "/" << t.clicked);
        reset_settings_model();
        model().config.device.page_mode = t.page_mode;
        PagePreviewStrip strip;
        strip.show_slot(t.current);
        strip.show();
        QSignalSpy chosen(&strip, &PagePreviewStrip::slot_chosen);
        QTest::mouseClick(&strip, Qt::LeftButton, {}, strip.thumbnail_rect(t.clicked).center());
        ASSERT_EQ(chosen.count(), 1);
        EXPECT_EQ(chosen.at(0).at(0).toInt(), t.chosen);
    }
    reset_settings_model();
}

}  // namespace
}  // namespace velta
