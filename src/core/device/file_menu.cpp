#include "core/device/file_menu.h"

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/common/save_target.h"
#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_state.h"
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"

namespace velta {
namespace {

bool write_to(DeviceContext& c, const std::string& path)
{
    std::string why;
    if (!save_settings_file(path, c.model.config, &why)) {
        warning_box(k_text_cannot_open, why);
        return false;
    }
    mark_config_saved(c.model.config);
    return true;
}

// Saves each unsaved part in turn, each to its file or through its save dialog; the first
// that is cancelled or fails stops the rest.
bool save_unsaved(DeviceContext& c, const UnsavedData& unsaved, const FileChoosers& choose)
{
    if (unsaved.settings && !file_save(c, choose.settings))
        return false;
    for (GlyphSize size : unsaved.glyph_lists) {
        const GlyphPathChooser glyph_choose = [&choose, size] {
            return choose.glyph_list ? choose.glyph_list(size) : std::nullopt;
        };
        if (!glyph_file_save(c, size, glyph_choose))
            return false;
    }
    return true;
}

bool may_drop(DeviceContext& c, std::string_view question, UnsavedData unsaved,
              const FileChoosers& choose)
{
    if (!unsaved.any())
        return true;
    switch (ask_question(question, BoxButtons::yes_no_cancel, BoxAnswer::no,
                         unsaved_data_text(unsaved))) {
        case BoxAnswer::yes:
            return true;
        case BoxAnswer::no:
            return save_unsaved(c, unsaved, choose);
        case BoxAnswer::cancel:
        case BoxAnswer::ok:
            break;
    }
    return false;
}

}  // namespace

UnsavedData unsaved_data(SettingsModel& m)
{
    UnsavedData u;
    u.settings = has_unsaved_changes(m.config);
    for (GlyphSize size : k_glyph_sizes)
        if (glyph_list_unsaved(m.glyphs, size))
            u.glyph_lists.push_back(size);
    return u;
}

std::string unsaved_data_text(const UnsavedData& unsaved)
{
    std::string parts = unsaved.settings ? "設定データ" : "";
    for (GlyphSize size : unsaved.glyph_lists)
        parts += (parts.empty() ? "外字" : "、外字") + std::string(glyph_size_info(size).name);
    return "保存されていないデータ：" + parts;
}

bool file_new(DeviceContext& c, const FileChoosers& choose)
{
    if (settings_run_active(c.activity) ||
        !may_drop(c, k_text_new_unsaved, unsaved_data(c.model), choose))
        return false;
    // The port is also the link's, kept in velta.ini; the link itself is not the document's.
    const std::string port = c.model.extras.port_number;
    reset_settings_model(c.model);
    c.model.extras.port_number = port;
    mark_config_saved(c.model.config);
    document().file_name.clear();
    for (GlyphSize size : k_glyph_sizes) {
        glyph_list_file_name(size).clear();
        mark_glyph_list_saved(c.model.glyphs, size);
    }
    glyph_state().glyph_edited = 0;
    return true;
}

bool file_open(DeviceContext& c, const FileChoosers& choose)
{
    UnsavedData settings_only;
    settings_only.settings = has_unsaved_changes(c.model.config);
    if (settings_run_active(c.activity) || !may_drop(c, k_text_open_unsaved, settings_only, choose))
        return false;
    const std::optional<std::string> path =
        choose.settings ? choose.settings(FileDialogMode::open) : std::nullopt;
    if (!path)
        return false;
    const FileResult loaded = load_settings_file(*path);
    if (loaded.status != FileStatus::ok) {
        // The loader names the line of a malformed file; the model is as it was.
        warning_box(loaded.message, loaded.reason);
        return false;
    }
    c.model.config = loaded.config;
    document().file_name = *path;
    mark_config_saved(c.model.config);
    if (!loaded.warning.empty())
        warning_box(loaded.warning);
    return true;
}

bool file_save(DeviceContext& c, const SettingsFileChooser& choose)
{
    const std::string name = document().file_name;
    return name.empty() ? file_save_as(c, choose) : write_to(c, name);
}

bool file_save_as(DeviceContext& c, const SettingsFileChooser& choose)
{
    const std::optional<std::string> chosen = choose ? choose(FileDialogMode::save) : std::nullopt;
    if (!chosen)
        return false;
    const std::optional<std::string> path = confirmed_save_path(*chosen, k_settings_extension);
    if (!path || !write_to(c, *path))
        return false;
    document().file_name = *path;
    return true;
}

bool exit_allowed(DeviceContext& c, const FileChoosers& choose)
{
    if (c.status.socket_connected == 1) {
        error_box(k_text_disconnect_first);
        return false;
    }
    return may_drop(c, k_text_exit_unsaved, unsaved_data(c.model), choose);
}

bool read_all_may_replace_unsaved(const DeviceConfig& config)
{
    return !has_unsaved_changes(config) || ask_question(k_text_read_all_unsaved, BoxButtons::yes_no,
                                                        BoxAnswer::no) == BoxAnswer::yes;
}

}  // namespace velta
