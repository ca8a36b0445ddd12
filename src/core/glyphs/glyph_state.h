#pragma once
// The glyph dialogs' own process-wide state, kept apart from the device settings: none of it
// is reset by the settings defaults.

#include <array>
#include <string>

#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_model.h"

namespace velta {

struct GlyphState {
    int glyph_edited = 0;         // a mouse button went down in an editor since the last clear
    int glyph_list_page = 0;      // the page shown, shared by the three lists
    int glyph_transfer_mode = 0;  // 1 register run, 0 read run
    int insert_font_size = 0;     // 0 small, 1 medium, 2 large
    // The list file last opened or saved, one per size, so "保存" in one list never writes
    // another size's file in the wrong layout.
    std::array<std::string, 3> glyph_list_file_name;
    std::string glyph_bmp_file_name;  // the path of the last bitmap export
    // The stores as last read from or written to their files (or cleared): a size whose store
    // differs has unsaved glyphs, whatever changed them (an edit, a derivation, a read).
    GlyphStore glyph_saved;
};

GlyphState& glyph_state();
// Back to the start-up values (tests).
void reset_glyph_state();

std::string& glyph_list_file_name(GlyphSize size);

// True when the store of the size differs from what its file holds (or the clear left).
bool glyph_list_unsaved(GlyphStore& glyphs, GlyphSize size);
// The store of the size as it is now is what its file holds.
void mark_glyph_list_saved(GlyphStore& glyphs, GlyphSize size);

}  // namespace velta
