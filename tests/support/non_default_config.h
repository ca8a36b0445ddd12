#pragma once
// A configuration in which nearly every value differs from its default, for the tests that
// carry a whole configuration to a device and back.

#include <string>

#include "core/model/settings_model.h"
#include "link/text_cp932.h"
#include "program/program_context.h"

namespace velta {

inline std::string sjis(const char* utf8)
{
    return to_cp932(QString::fromUtf8(utf8));
}

// A configuration in which nearly every value differs from its default. Left at their
// defaults: what neither run carries (the device's network settings) and the switching times
// of pages 129..256, which a two-line device does not take.
inline void fill_non_default_model()
{
    SettingsModel& m = model();
    PageSettings& p = m.config.pages;
    DeviceSettings& d = m.config.device;
    p.page_title[0] = sjis("漢字かなカナ");
    p.page_title[1] = std::string("\x10\x21", 2) + sjis("外字入り");
    // IBM extended kanji in the code points the device's codes come back as (纊 and 髙 in the
    // NEC-selected rows); the same characters typed as FA5C/FB.. return in this form.
    p.page_title[2] = "\xED\x40\xEE\xE0" + sjis("と");
    p.page_title[3] = sjis("ａｂｃ１２３　タイトル");
    p.page_title[255] = sjis("最終ページ");
    for (int s = 0; s < k_page_slots; ++s) {
        const auto i = static_cast<std::size_t>(s);
        if (s > 3 && s < 255 && s % 17 == 0)
            p.page_title[i] = sjis("第") + sjis("頁");
        p.page_title_position[i] = s % 2;
        p.page_auto_switch_time[i] = s < 128 ? 1 + s % 60 : 3;
        p.page_char_color[i] = s % 7;
        p.page_border_color[i] = (s + 3) % 8;
        p.page_background_fill[i] = (s + 1) % 2;
        p.page_char_level[i] = s % 2;
    }
    d.upper_display_offset = 12;
    d.lower_display_offset = 90;
    d.clock_display = 1;
    d.clock_display_range = 3;
    d.clock_display_size = 1;
    for (std::size_t day = 0; day < k_schedule_days; ++day) {
        for (std::size_t e = 0; e < k_schedule_entries; ++e) {
            d.schedule_hour[day][e] = static_cast<int>((e + 5) % 24);
            d.schedule_minute[day][e] = static_cast<int>((day + e * 7) % 60);
            d.schedule_page[day][e] = e % 3 == 0 ? k_schedule_page_none
                                      : e == 1   ? k_page_pas
                                                 : static_cast<int>((day * 4 + e) % 128);
        }
    }
    d.alarm_mode = 1;
    d.alarm_polarity = 1;
    d.alarm_return = 0;
    d.alarm_display = 0;
    d.alarm_hold_time = "045";
    d.connector_assignment = {10, 20, 30, 40, 50, 60, 70, 127};
    d.remote_mode = 2;
    d.connector_input = 1;
    d.page_mode = 1;
    d.power_on_page = k_page_pas;
    d.upper_font_size = 0;
    d.lower_font_size = 2;
    d.video_loss_background = 1;
}

}  // namespace velta
