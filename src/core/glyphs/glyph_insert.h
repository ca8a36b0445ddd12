#pragma once
// Placing a registered glyph into a page title: the lists offered per font size and the
// "G001P001I01" command.

#include <string>

namespace velta {

struct DeviceContext;
struct SettingsModel;

// Glyph numbers (256 / 160 / 70) and positions (28 / 21 / 14) of a font size (0 small,
// 1 medium, 2 large).
int insert_glyph_count(int font_size);
int insert_position_count(int font_size);

// Takes a new font size into insert_font_size, resetting a chosen position or glyph number that
// the new size no longer offers.
void change_insert_font_size(SettingsModel& model, int font_size);

// "G" glyph number, "P" page, "I" position, from glyph_transfer_index, current_page and
// insert_position.
std::string glyph_insert_command(const SettingsModel& model);
void send_glyph_insert(DeviceContext& context);

}  // namespace velta
