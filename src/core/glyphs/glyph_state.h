#pragma once
// The glyph dialogs' own process-wide state, kept apart from the device settings: none of it
// is reset by the settings defaults.

#include <array>
#include <string>

#include "core/glyphs/glyph_sizes.h"

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
};

GlyphState& glyph_state();
// Back to the start-up values (tests).
void reset_glyph_state();

std::string& glyph_list_file_name(GlyphSize size);

}  // namespace velta
