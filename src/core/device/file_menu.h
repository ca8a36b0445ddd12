#pragma once
// The File menu's flows on the settings data file (New, Open, Save, Save As), the saves that
// New, Open and the exit offer for what is unsaved (the settings and the glyph lists of each
// size), and the question before a read-all replaces unsaved settings. The file dialogs are
// handed in, so the flows run without hands in tests.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/file_io.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_sizes.h"
#include "core/model/settings_model.h"

namespace velta {

struct DeviceContext;

enum class FileDialogMode { open, save };

// Returns the chosen path, or nothing when the operator cancelled.
using SettingsFileChooser = std::function<std::optional<std::string>(FileDialogMode)>;
// The save dialog of a glyph list, for a list saved from the File menu's flows.
using GlyphSaveChooser = std::function<std::optional<std::string>(GlyphSize)>;

struct FileChoosers {
    // Implicit, so a flow that only ever saves settings takes a settings chooser alone.
    FileChoosers(SettingsFileChooser s = {}, GlyphSaveChooser g = {})
        : settings(std::move(s)), glyph_list(std::move(g))
    {
    }
    SettingsFileChooser settings;
    GlyphSaveChooser glyph_list;
};

// k_text_new_unsaved, the question before New, is the glyph lists' own.
inline constexpr std::string_view k_text_open_unsaved =
    "データを保存せずに別のファイルを開きますか？";
inline constexpr std::string_view k_text_exit_unsaved = "データを保存せずに終了しますか？";
inline constexpr std::string_view k_text_read_all_unsaved =
    "データを保存せずにデバイスから読み込みますか？";
inline constexpr std::string_view k_text_disconnect_first = "TCP/IPを切断してください。";
inline constexpr std::string_view k_text_cannot_open = k_text_file_error;

// What would be lost: the settings (against the document's baseline) and the glyph lists
// whose store differs from their file.
struct UnsavedData {
    bool settings = false;
    std::vector<GlyphSize> glyph_lists;
    bool any() const { return settings || !glyph_lists.empty(); }
};
UnsavedData unsaved_data(SettingsModel& model);
// "保存されていないデータ：設定データ、外字大文字": the detail under the questions.
std::string unsaved_data_text(const UnsavedData& unsaved);

// New and Open over unsaved data ask (はい goes on without saving, いいえ saves first,
// キャンセル stops; いいえ is the default). New resets the device configuration and the glyph
// stores and leaves an untitled document; the link settings and the link's state stay. Open
// asks only about the settings, which is all it replaces. True when the flow went through.
bool file_new(DeviceContext& context, const FileChoosers& choose = {});
bool file_open(DeviceContext& context, const FileChoosers& choose);
// True when the model reached the disk. Save without a file in use is Save As.
bool file_save(DeviceContext& context, const SettingsFileChooser& choose);
bool file_save_as(DeviceContext& context, const SettingsFileChooser& choose);

// The checks of the exit request: refused while a TCP/IP link is up; with unsaved data the
// operator may save each part first, or stay. False keeps the program open, also when a save
// was cancelled or failed, so nothing is lost on the way out.
bool exit_allowed(DeviceContext& context, const FileChoosers& choose);

// Before a read-all writes the device's values over unsaved settings: true to go on.
bool read_all_may_replace_unsaved(const DeviceConfig& config);

}  // namespace velta
