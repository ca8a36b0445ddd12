#include "device_state.h"

namespace devsim {

const GlyphGeometry& geometry(GlyphSize size)
{
    static const GlyphGeometry table[3] = {{'L', 70, 576}, {'M', 160, 256}, {'S', 256, 144}};
    return table[static_cast<int>(size)];
}

// Glyph codes run in four blocks of JIS-like rows, skipping the unused cells of each row.
namespace {
struct CodeBlock {
    int first_slot;
    int last_slot;
    int base;  // code of slot s is base + s
};
constexpr CodeBlock k_code_blocks[] = {
    {0, 25, 0xA365}, {26, 119, 0xA407}, {120, 213, 0xA4A9}, {214, 255, 0xA54B}};
}  // namespace

int glyph_code(int slot)
{
    for (const CodeBlock& b : k_code_blocks)
        if (slot >= b.first_slot && slot <= b.last_slot)
            return b.base + slot;
    return -1;
}

int glyph_slot_of_code(int code)
{
    for (const CodeBlock& b : k_code_blocks)
        if (code >= b.base + b.first_slot && code <= b.base + b.last_slot)
            return code - b.base;
    return -1;
}

DeviceState factory_state()
{
    DeviceState s;
    for (auto& codes : s.title) codes.fill(k_blank_code);
    s.title_position.fill(1);
    s.switch_time.fill(3);
    s.char_color.fill(7);
    s.border_color.fill(0);
    s.fill.fill(0);
    s.char_level.fill(1);
    for (int i = 0; i < k_connectors; ++i) s.connectors[i] = i + 1;
    for (auto& day : s.schedule)
        for (int e = 0; e < k_entries; ++e) day[e] = ScheduleEntry{e, 0, k_page_off};
    for (int size = 0; size < 3; ++size) {
        const GlyphGeometry& g = geometry(static_cast<GlyphSize>(size));
        for (int slot = 0; slot < 256; ++slot)
            s.glyphs[size][slot] = slot < g.slot_count ? std::string(g.digits, '0') : std::string();
    }
    return s;
}

}  // namespace devsim
