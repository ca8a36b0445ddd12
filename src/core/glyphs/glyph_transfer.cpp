#include "core/glyphs/glyph_transfer.h"

#include <algorithm>
#include <string>
#include <utility>

#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/settings_model.h"
#include "core/pages/title_encoding.h"
#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "core/wire/link_status.h"

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

std::string glyph_register_command(GlyphSize size, int slot, std::string_view digits)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::string cmd(info.register_prefix);
    cmd.append("000");
    format_dec3(slot + 1, cmd.data() + 3);
    const auto n =
        std::min<std::size_t>(digits.size(), static_cast<std::size_t>(info.glyph_digits));
    cmd.append(digits.substr(0, n));
    cmd.append("\r\n");
    return cmd;
}

void send_glyph_register(DeviceContext& context, GlyphSize size, int slot, std::string_view digits)
{
    send_command(context, glyph_register_command(size, slot, digits));
}

std::string glyph_read_query(GlyphSize size, unsigned code)
{
    std::string cmd(glyph_size_info(size).read_template);
    format_hex4(code == 0 ? 0x2121u : code, cmd.data() + 5);
    return cmd;
}

void send_glyph_read(DeviceContext& context, GlyphSize size, unsigned code)
{
    if (!link_ready(context)) {
        context.boxes().error(k_text_not_connected);
        return;
    }
    if (context.status.read_pending == 1)
        return;
    context.status.read_pending = 1;
    send_glyph_query(context, size, code);
}

void send_glyph_query(DeviceContext& context, GlyphSize size, unsigned code)
{
    GlyphStore& g = context.model.glyphs;
    g.glyph_query_code = code == 0 ? 0x2121u : code;
    g.glyph_query_size = static_cast<int>(size);
    send_command(context, glyph_read_query(size, code));
}

std::string glyph_sample_text(std::string_view field_bytes)
{
    if (field_bytes.size() < 2)
        return {};
    return std::string(field_bytes.substr(0, 3));
}

unsigned glyph_sample_code(std::string_view sample_text)
{
    unsigned v = 0;
    if (sample_text.size() >= 2)
        v = static_cast<unsigned char>(sample_text[0]) * 256u +
            static_cast<unsigned char>(sample_text[1]);
    if (v >= 0xFA5C || (v >= 0xFA40 && v <= 0xFA49) || (v >= 0xFA55 && v <= 0xFA57))
        v = ibm_to_nec_extension(v);
    const unsigned code = sjis_to_jis(v);
    return code == 0 ? k_jis_space : code;
}

bool on_glyph_bitmap_reply(DeviceContext& context, GlyphSize size, std::string_view line)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto digits = static_cast<std::size_t>(info.glyph_digits);
    GlyphStore& g = context.model.glyphs;

    // A damaged bitmap, or one of another code, is not stored; the read still counts as
    // answered, so a list run goes on with the next slot.
    char asked[4];
    format_hex4(g.glyph_query_code, asked);
    const bool whole = line.size() == k_reply_digits_at + digits &&
                       g.glyph_query_size == static_cast<int>(size) &&
                       line.substr(4, 4) == std::string_view(asked, 4) &&
                       hex_digits_at(line, k_reply_digits_at, digits);
    if (whole) {
        const std::string_view text = line.substr(k_reply_digits_at, digits);
        std::copy(text.begin(), text.end(), g.glyph_work.begin());
        g.glyph_work[digits] = '\0';
        if (g.glyph_transfer_index >= 0 && g.glyph_transfer_index < info.slot_count) {
            std::span<char> slot = glyph_slot(g, size, g.glyph_transfer_index);
            std::copy(text.begin(), text.end(), slot.begin());
            slot[digits] = '\0';
        }
    }

    context.status.read_pending = 0;
    if (!context.activity.glyph_run) {
        if (redraw_hook())
            redraw_hook()(size);
    } else {
        ++g.glyph_transfer_index;
    }
    return whole;
}

}  // namespace velta
