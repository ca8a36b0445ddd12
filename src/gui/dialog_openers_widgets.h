#pragma once
// The shell routes a command id of its menu or toolbar to the area that owns the dialog. Each
// area answers for its own ids and returns false for the ids it does not (yet) open.

class QWidget;

namespace velta {

bool open_page_dialog(int command_id, QWidget* owner);        // src/pages
bool open_device_dialog(int command_id, QWidget* owner);      // src/device: settings and batches
bool open_connection_dialog(int command_id, QWidget* owner);  // src/device: link set-up
bool open_glyph_dialog(int command_id, QWidget* owner);       // src/glyphs

}  // namespace velta
