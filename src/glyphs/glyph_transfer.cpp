#include "glyphs/glyph_transfer.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/message_boxes.h"
#include "link/codecs.h"
#include "link/framing.h"
#include "model/settings_model.h"

namespace velta {
namespace {
std::function<void(GlyphSize)>& redraw_hook()
{
    static std::function<void(GlyphSize)> h;
    return h;
}
constexpr std::size_t k_reply_digits_at = 8;
}  // namespace

void set_glyph_redraw_hook(std::function<void(GlyphSize)> hook)
{
    redraw_hook() = std::move(hook);
}

void send_glyph_register(GlyphSize size, int slot, std::string_view digits)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::string cmd(info.register_prefix);
    cmd.append("000");
    format_dec3(slot + 1, cmd.data() + 3);
    const auto n = std::min<std::size_t>(digits.size(), static_cast<std::size_t>(info.glyph_digits));
    cmd.append(digits.substr(0, n));
    cmd.append("\r\n");
    send_command(cmd);
}

void send_glyph_read(GlyphSize size, unsigned code)
{
    std::string cmd(glyph_size_info(size).read_template);
    format_hex4(code == 0 ? 0x2121u : code, cmd.data() + 5);
    if (!link_ready()) {
        error_box(k_text_not_connected);
        return;
    }
    LinkState& s = model().state;
    if (s.read_pending == 1)
        return;
    s.read_pending = 1;
    send_command(cmd);
}

void on_glyph_bitmap_reply(GlyphSize size, std::string_view line)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto digits = static_cast<std::size_t>(info.glyph_digits);
    GlyphStore& g = model().glyphs;

    // A short or garbled bitmap is not stored; the read still counts as answered.
    if (hex_digits_at(line, k_reply_digits_at, digits)) {
        const std::string_view text = line.substr(k_reply_digits_at, digits);
        std::copy(text.begin(), text.end(), g.glyph_work.begin());
        g.glyph_work[digits] = '\0';
        if (g.glyph_transfer_index >= 0 && g.glyph_transfer_index < info.slots) {
            std::span<char> slot = glyph_slot(size, g.glyph_transfer_index);
            std::copy(text.begin(), text.end(), slot.begin());
            slot[digits] = '\0';
        }
    }

    model().state.read_pending = 0;
    if (model().state.glyph_batch_running == 0) {
        if (redraw_hook())
            redraw_hook()(size);
    } else {
        ++g.glyph_transfer_index;
    }
}

}  // namespace velta
