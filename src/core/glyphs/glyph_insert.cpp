#include "core/glyphs/glyph_insert.h"

#include <array>

#include "core/glyphs/glyph_state.h"
#include "core/model/settings_model.h"
#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"

namespace velta {
namespace {
constexpr std::array<int, 3> k_glyph_counts = {256, 160, 70};
constexpr std::array<int, 3> k_position_counts = {28, 21, 14};

std::size_t size_index(int font_size)
{
    return font_size >= 0 && font_size < 3 ? static_cast<std::size_t>(font_size) : 0;
}
}  // namespace

int insert_glyph_count(int font_size)
{
    return k_glyph_counts[size_index(font_size)];
}

int insert_position_count(int font_size)
{
    return k_position_counts[size_index(font_size)];
}

void change_insert_font_size(SettingsModel& m, int font_size)
{
    GlyphState& g = glyph_state();
    if (font_size == g.insert_font_size)
        return;
    g.insert_font_size = font_size;
    int& position = m.choices.insert_position;
    if (position >= insert_position_count(font_size))
        position = 0;
    int& index = m.glyphs.glyph_transfer_index;
    if (index >= insert_glyph_count(font_size))
        index = 0;
}

std::string glyph_insert_command(const SettingsModel& m)
{
    std::string cmd = "G001P001I01\r\n";
    format_dec3(m.glyphs.glyph_transfer_index + 1, cmd.data() + 1);
    format_dec3(m.choices.current_page + 1, cmd.data() + 5);
    format_dec2(m.choices.insert_position + 1, cmd.data() + 9);
    return cmd;
}

void send_glyph_insert(DeviceContext& context)
{
    send_command(context, glyph_insert_command(context.model));
}

}  // namespace velta
