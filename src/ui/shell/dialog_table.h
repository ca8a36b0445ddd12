#pragma once
// The dialog each menu command id opens, in one table.

class QWidget;

namespace velta {

// True when a menu command id has a dialog in the table.
bool has_command_dialog(int command_id);
// Opens the dialog of a menu command id modally; false when the id opens no dialog.
bool open_command_dialog(int command_id, QWidget* owner);

}  // namespace velta
