#include "ui/shell/command_table.h"

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
    {513, command::compare, "デバイスと比較"},
    {514, command::page_overview, "全ページ一覧"},
}};

int menu_command_of(int command_id)
{
    for (const ToolbarButton& b : k_toolbar)
        if (b.id == command_id)
            return b.menu_id;
    return command_id;
}

}  // namespace velta
