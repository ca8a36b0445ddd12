#include "shell/command_table.h"

namespace velta {

const std::array<ToolbarButton, k_toolbar_buttons> k_toolbar{{
    {501, command::date_time, "日付，時刻の設定"},
    {502, command::title, "タイトルの設定"},
    {503, command::title_position, "タイトル表示位置の設定"},
    {504, command::auto_switch, "自動切換えの設定"},
    {505, command::colours, "文字＆縁取り色の設定"},
    {506, command::background_fill, "背景色ベタ塗りの設定"},
    {507, command::char_level, "文字レベルの設定"},
    {508, command::schedule, "スケジュールの設定"},
    {509, command::alarm, "アラームの設定"},
    {510, command::remote, "リモートの設定"},
    {511, command::others, "その他の設定"},
    {512, command::display_page, "表示ページの設定"},
}};

int menu_command_of(int command_id)
{
    for (const ToolbarButton& b : k_toolbar)
        if (b.id == command_id)
            return b.menu_id;
    return command_id;
}

DialogArea area_of(int command_id)
{
    switch (command_id) {
    case command::date_time:
    case command::title:
    case command::title_position:
    case command::auto_switch:
    case command::colours:
    case command::background_fill:
    case command::char_level:
    case command::display_page:
        return DialogArea::pages;
    case command::schedule:
    case command::alarm:
    case command::remote:
    case command::others:
    case command::set_all:
    case command::read_all:
    case command::protocol:
        return DialogArea::device;
    case command::slave_address:
    case command::interface_setup:
    case command::serial_setup:
    case command::client_server:
    case command::tcp_setup:
        return DialogArea::connection;
    case command::glyph_insert:
    case command::glyph_list_small:
    case command::glyph_list_medium:
    case command::glyph_list_large:
    case command::about_glyphs:
        return DialogArea::glyphs;
    default:
        return DialogArea::shell;
    }
}

}  // namespace velta
