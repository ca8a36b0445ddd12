#include "page_files.h"

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "core/common/file_io.h"
#include "core/model/settings_file.h"
#include "core/model/settings_model.h"
#include "core/pages/page_csv.h"

namespace veltactl {
namespace {

// One file under two names (a link, "./a.dat" and "a.dat") counts as the same.
bool same_file(const std::string& a, const std::string& b)
{
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(velta::path_from_utf8(a), velta::path_from_utf8(b), ec) &&
           !ec;
}

Outcome failed(int exit_code, std::string error)
{
    Outcome out;
    out.exit_code = exit_code;
    out.error = std::move(error);
    return out;
}

// The settings file, or the outcome that ends the command; a file read with defaulted values
// leaves a warning in out.
std::optional<velta::DeviceConfig> load_input(const Options& o, Outcome& out)
{
    const velta::FileResult r = velta::load_settings_file(o.file);
    if (r.status != velta::FileStatus::ok) {
        out = failed(k_exit_file, settings_load_error(o.file, r));
        return std::nullopt;
    }
    if (!r.defaulted_lines.empty())
        out.error = o.file + ": " + defaulted_lines_note(r.defaulted_lines) + "; read as " +
                    (r.defaulted_lines.size() == 1 ? "its default" : "their defaults");
    return r.config;
}

Outcome pages_export(const Options& o, const velta::TitleText& text)
{
    if (same_file(o.file, o.csv_file))
        return failed(k_exit_usage, "pages-export: " + o.csv_file + " is the settings file " +
                                        o.file + "; give another file to write");
    Outcome out;
    const std::optional<velta::DeviceConfig> config = load_input(o, out);
    if (!config)
        return out;
    std::string why;
    if (!velta::write_file_atomically(o.csv_file, velta::pages_to_csv(*config, text), &why))
        return failed(k_exit_file, o.csv_file + ": cannot be written: " + why);
    out.report =
        "ページ " + std::to_string(velta::k_page_slots) + " 行を書き出しました: " + o.csv_file;
    return out;
}

Outcome pages_import(const Options& o, const velta::TitleText& text)
{
    if (same_file(o.file, o.out_file))
        return failed(k_exit_usage, "pages-import: " + o.out_file + " is the settings file " +
                                        o.file +
                                        ", which stays as it is; give another file to write");
    Outcome out;
    const std::optional<velta::DeviceConfig> config = load_input(o, out);
    if (!config)
        return out;
    std::string why;
    const std::optional<std::string> csv =
        velta::read_file_bytes(o.csv_file, velta::k_pages_csv_max_bytes, &why);
    if (!csv)
        return failed(k_exit_file, o.csv_file + ": cannot be read: " + why);
    const velta::PagesImport taken = velta::pages_from_csv(*config, *csv, text);
    if (!taken.config)
        return failed(k_exit_file, o.csv_file + ": not imported: " + taken.error + "; " +
                                       o.out_file + " not written");
    if (!velta::save_settings_file(o.out_file, *taken.config, &why))
        return failed(k_exit_file, o.out_file + ": cannot be written: " + why);
    out.report = std::to_string(taken.changed_cells) + " セルを変更しました: " + o.out_file;
    return out;
}

}  // namespace

Outcome run_page_file_command(const Options& o, const velta::TitleText& text)
{
    return o.command == Command::pages_export ? pages_export(o, text) : pages_import(o, text);
}

}  // namespace veltactl
