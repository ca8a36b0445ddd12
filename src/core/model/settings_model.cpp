#include "core/model/settings_model.h"

namespace velta {

void reset_settings_model(SettingsModel& m)
{
    // The link settings below are not reset, the device's addresses and port are.
    m.config = DeviceConfig{};
    m.extras = DeviceExtras{};

    PageChoices& c = m.choices;
    c.title_position_choice = 1;
    c.auto_switch_time_choice = 3;
    c.char_color_choice = 7;
    c.border_color_choice = 0;
    c.background_fill_choice = 0;
    c.char_level_choice = 1;
    c.list_repaint_pending = 0;
    c.insert_position = 0;

    m.glyphs = GlyphStore{};
}

int page_count_for_mode(int page_mode)
{
    return page_mode == 1 ? 128 : 256;
}

int page_list_index(int value, int count, bool with_none)
{
    if (value == k_page_pas)
        return count;
    if (value >= 0 && value < count)
        return value;
    return with_none ? count + 1 : -1;
}

int page_from_list_index(int index, int count)
{
    if (index == count)
        return k_page_pas;
    return index >= 0 && index < count ? index : k_page_none;
}

}  // namespace velta
