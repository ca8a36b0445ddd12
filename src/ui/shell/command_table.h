#pragma once
// The command ids of the menu and the toolbar, and the toolbar's buttons with their tooltips.

#include <array>
#include <string_view>

namespace velta {

namespace command {
inline constexpr int file_new = 32775;
inline constexpr int file_open = 32776;
inline constexpr int file_save = 32777;
inline constexpr int file_save_as = 32778;
inline constexpr int exit = 121;
inline constexpr int version = 120;
inline constexpr int date_time = 32780;
inline constexpr int title = 32781;
inline constexpr int title_position = 32782;
inline constexpr int auto_switch = 32783;
inline constexpr int colours = 32784;
inline constexpr int background_fill = 32785;
inline constexpr int char_level = 32786;
inline constexpr int schedule = 32787;
inline constexpr int alarm = 32788;
inline constexpr int remote = 32789;
inline constexpr int others = 32790;
inline constexpr int display_page = 32802;
inline constexpr int glyph_insert = 32794;
inline constexpr int glyph_list_small = 32805;
inline constexpr int glyph_list_medium = 32806;
inline constexpr int glyph_list_large = 32807;
inline constexpr int set_all = 32791;
inline constexpr int slave_address = 32792;
inline constexpr int read_all = 32804;
inline constexpr int compare = 32809;
inline constexpr int restore_backup = 32810;
inline constexpr int backup_folder = 32811;
inline constexpr int interface_setup = 32798;
inline constexpr int serial_setup = 32799;
inline constexpr int client_server = 32803;
inline constexpr int tcp_setup = 32800;
inline constexpr int protocol = 32801;
inline constexpr int about_glyphs = 32808;
inline constexpr int fleet_run = 32812;
inline constexpr int undo = 32813;
inline constexpr int redo = 32814;
inline constexpr int page_overview = 32815;
inline constexpr int first_toolbar = 501;
}  // namespace command

struct ToolbarButton {
    int id;       // 501..514
    int menu_id;  // the menu item that opens the same dialog
    std::string_view tooltip;
};

inline constexpr int k_toolbar_buttons = 14;
extern const std::array<ToolbarButton, k_toolbar_buttons> k_toolbar;

// A toolbar id stands for its menu item; any other id stays as it is.
int menu_command_of(int command_id);

}  // namespace velta
