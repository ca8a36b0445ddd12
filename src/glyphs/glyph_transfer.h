#pragma once
// Registering a custom character in the device, asking for a bitmap and taking the reply.

#include <functional>
#include <string_view>

#include "glyphs/glyph_sizes.h"

namespace velta {

void send_glyph_register(GlyphSize size, int slot, std::string_view digits);
// Asks for the bitmap of a character code (0 stands for 0x2121).
void send_glyph_read(GlyphSize size, unsigned code);
// Called by both dispatchers for a line beginning with "FBML", "FBMM" or "FBMS".
void on_glyph_bitmap_reply(GlyphSize size, std::string_view line);

// The open editor of a size redraws its grid when a single read is answered.
void set_glyph_redraw_hook(std::function<void(GlyphSize)> hook);

}  // namespace velta
