#pragma once
// Registering a custom character in the device, asking for a bitmap and taking the reply.

#include <functional>
#include <string>
#include <string_view>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

struct DeviceContext;

// The register command of a slot: prefix, glyph number, the glyph's digits, CR LF.
std::string glyph_register_command(GlyphSize size, int slot, std::string_view digits);
void send_glyph_register(DeviceContext& context, GlyphSize size, int slot, std::string_view digits);
// The read query of a character code (0 stands for 0x2121).
std::string glyph_read_query(GlyphSize size, unsigned code);
// Asks for the bitmap of a character code (0 stands for 0x2121).
void send_glyph_read(DeviceContext& context, GlyphSize size, unsigned code);
// Sends the query and remembers what it asked, so that only its reply is stored.
void send_glyph_query(DeviceContext& context, GlyphSize size, unsigned code);
// Called by both dispatchers for a line beginning with "FBML", "FBMM" or "FBMS". A reply is
// stored only when it has its layout's length, hexadecimal digits and the code and size of the
// last query of the context; otherwise it is damaged (false). Either way it answers the read.
bool on_glyph_bitmap_reply(DeviceContext& context, GlyphSize size, std::string_view line);

// The sample field's text as the editor keeps it: its first three bytes when it holds two or
// more, otherwise nothing.
std::string glyph_sample_text(std::string_view field_bytes);
// The device code of a sample: its first two bytes as a code page 932 character converted to
// JIS (IBM extensions first mapped to their NEC places); 0x2121 when there is none.
unsigned glyph_sample_code(std::string_view sample_text);

// The open editor of a size redraws its grid when a single read is answered.
void set_glyph_redraw_hook(std::function<void(GlyphSize)> hook);

}  // namespace velta
