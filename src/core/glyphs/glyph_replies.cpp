#include "core/glyphs/glyph_replies.h"

#include "core/glyphs/glyph_transfer.h"
#include "core/wire/reply_fields.h"

namespace velta {
namespace {

// A damaged bitmap is not stored, yet answers the read (on_glyph_bitmap_reply).
template <GlyphSize size>
bool glyph_bitmap(std::string_view b, const ReplyTarget& t)
{
    return on_glyph_bitmap_reply(t.context, size, b);
}

const ReplyRow k_glyph_rows[] = {
    {"FBML", glyph_bitmap<GlyphSize::large>},
    {"FBMM", glyph_bitmap<GlyphSize::medium>},
    {"FBMS", glyph_bitmap<GlyphSize::small>},
};

}  // namespace

void register_glyph_replies()
{
    register_replies(k_glyph_rows);
}

}  // namespace velta
