#pragma once
// The File menu's flows on the settings data file (New, Open, Save, Save As) and the save that
// the exit path offers. The file dialog is handed in, so the flows run without hands in tests.

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/common/file_io.h"

namespace velta {

enum class FileDialogMode { open, save };

// Returns the chosen path, or nothing when the operator cancelled.
using SettingsFileChooser = std::function<std::optional<std::string>(FileDialogMode)>;

inline constexpr std::string_view k_text_new_unsaved = "データを保存せずに新規作成しますか？";
inline constexpr std::string_view k_text_open_unsaved =
    "データを保存せずに別のファイルを開きますか？";
inline constexpr std::string_view k_text_exit_unsaved = "データを保存せずに終了しますか？";
inline constexpr std::string_view k_text_disconnect_first = "TCP/IPを切断してください。";
inline constexpr std::string_view k_text_cannot_open = k_text_file_error;
inline constexpr std::string_view k_text_no_file = "Don't file open";

void file_new();
void file_open(const SettingsFileChooser& choose);
// True when the model reached the disk.
bool file_save();
bool file_save_as(const SettingsFileChooser& choose);

// The checks of the exit request: refused while a TCP/IP link is up; with unsaved changes (the
// configuration differs from the document's baseline) the operator may save first. False keeps
// the program open, also when that save was cancelled or failed, so no change is lost on the
// way out.
bool exit_allowed(const SettingsFileChooser& choose);

// The save dialog's extension rule, applied to the file name (not to the folders above it).
std::string settings_file_name_for_save(std::string_view chosen);

}  // namespace velta
