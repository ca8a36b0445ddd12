#include "gui/dialog_openers_widgets.h"
#include "glyphs/glyph_insert_dialog.h"
#include "glyphs/glyph_list_dialog.h"

namespace velta {
namespace {
constexpr int k_cmd_glyph_insert = 32794;
constexpr int k_cmd_small_list = 32805;
constexpr int k_cmd_medium_list = 32806;
constexpr int k_cmd_large_list = 32807;
constexpr int k_cmd_glyph_info = 32808;

void open_list(GlyphSize size, QWidget* owner)
{
    GlyphListDialog dialog(size, owner);
    dialog.exec();
}
}  // namespace

bool open_glyph_dialog(int command_id, QWidget* owner)
{
    switch (command_id) {
        case k_cmd_glyph_insert: {
            GlyphInsertDialog dialog(owner);
            dialog.exec();
            return true;
        }
        case k_cmd_small_list:
            open_list(GlyphSize::small, owner);
            return true;
        case k_cmd_medium_list:
            open_list(GlyphSize::medium, owner);
            return true;
        case k_cmd_large_list:
            open_list(GlyphSize::large, owner);
            return true;
        case k_cmd_glyph_info: {
            GlyphInfoDialog dialog(owner);
            dialog.exec();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace velta
