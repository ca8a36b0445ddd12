#include "core/device/file_menu.h"

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/common/run_activity.h"
#include "core/model/document.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"

namespace velta {
namespace {

bool may_drop_unsaved(std::string_view question)
{
    return !has_unsaved_changes() || ask_yes_no("VELTA", question);
}

bool write_to(const std::string& path)
{
    std::string why;
    if (!save_settings_file(path, model().config, &why)) {
        warning_box(k_text_cannot_open, why);
        return false;
    }
    mark_config_saved();
    return true;
}

}  // namespace

void file_new()
{
    if (settings_run_active() || !may_drop_unsaved(k_text_new_unsaved))
        return;
    reset_settings_model();
    clear_answer_flags();
    mark_config_saved();
}

void file_open(const SettingsFileChooser& choose)
{
    if (settings_run_active() || !may_drop_unsaved(k_text_open_unsaved))
        return;
    const std::optional<std::string> path = choose(FileDialogMode::open);
    if (!path)
        return;
    const FileResult loaded = load_settings_file(*path);
    if (loaded.status != FileStatus::ok) {
        // The loader names the line of a malformed file; the model is as it was.
        warning_box(loaded.message, loaded.reason);
        return;
    }
    model().config = loaded.config;
    document().file_name = *path;
    mark_config_saved();
    if (!loaded.warning.empty())
        warning_box(loaded.warning);
}

bool file_save()
{
    const std::string& name = document().file_name;
    if (name.empty()) {
        warning_box(k_text_no_file);
        return false;
    }
    return write_to(name);
}

bool file_save_as(const SettingsFileChooser& choose)
{
    const std::optional<std::string> chosen = choose(FileDialogMode::save);
    if (!chosen)
        return false;
    const std::string path = settings_file_name_for_save(*chosen);
    if (!write_to(path))
        return false;
    document().file_name = path;
    return true;
}

bool exit_allowed(const SettingsFileChooser& choose)
{
    if (link_status().socket_connected == 1) {
        error_box(k_text_disconnect_first);
        return false;
    }
    if (has_unsaved_changes() && !ask_yes_no("VELTA", k_text_exit_unsaved))
        return document().file_name.empty() ? file_save_as(choose) : file_save();
    return true;
}

std::string settings_file_name_for_save(std::string_view chosen)
{
    const std::size_t slash = chosen.find_last_of("/\\");
    const std::size_t base = slash == std::string_view::npos ? 0 : slash + 1;
    return std::string(chosen.substr(0, base)) +
           complete_extension(chosen.substr(base), k_settings_extension);
}

}  // namespace velta
