// Shows a glyph editor or list filled with sample glyphs, for screenshots:
//   glyphs_screens editor|list|insert|info L|M|S
#include <QApplication>
#include <cmath>
#include <cstring>

#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "program/program_context.h"
#include "ui/glyphs/glyph_editor_dialog.h"
#include "ui/glyphs/glyph_insert_dialog.h"
#include "ui/glyphs/glyph_list_dialog.h"

namespace {

using namespace velta;

// A ring with a cross bar, its size varying with the slot, inside the one-pixel margin.
void draw_sample(GlyphSize size, int slot)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::span<char> text = glyph_slot(model().glyphs, size, slot);
    const double c = (info.pixels - 1) / 2.0;
    const double r = 3 + (slot % 7) * (info.pixels / 2 - 5) / 6.0;
    for (int y = 1; y < info.pixels - 1; ++y) {
        for (int x = 1; x < info.pixels - 1; ++x) {
            const double d = std::hypot(x - c, y - c);
            const bool ring = std::abs(d - r) < 1.0;
            const bool bar = y == static_cast<int>(c) && std::abs(x - c) < r;
            const bool diag = (slot % 3 == 0) && x == y;
            if (ring || bar || diag) {
                char& digit = text[static_cast<std::size_t>(y * info.digits_per_row + x / 4)];
                digit = glyph_value_digit(glyph_digit_value(digit) | glyph_pixel_mask(x));
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    reset_settings_model();
    const char* what = argc > 1 ? argv[1] : "editor";
    const char letter = argc > 2 ? argv[2][0] : 'L';
    const GlyphSize size = letter == 'S'   ? GlyphSize::small
                           : letter == 'M' ? GlyphSize::medium
                                           : GlyphSize::large;
    for (GlyphSize s : k_glyph_sizes)
        for (int i = 0; i < glyph_size_info(s).slot_count; ++i) draw_sample(s, i);
    model().glyphs.glyph_transfer_index = 5;
    if (std::strcmp(what, "list") == 0) {
        GlyphListDialog d(size);
        return d.exec();
    }
    if (std::strcmp(what, "insert") == 0) {
        GlyphInsertDialog d;
        return d.exec();
    }
    if (std::strcmp(what, "info") == 0) {
        GlyphInfoDialog d;
        return d.exec();
    }
    GlyphEditorDialog d(size);
    return d.exec();
}
