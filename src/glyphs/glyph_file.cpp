#include "glyphs/glyph_file.h"

#include <algorithm>

#include "common/file_io.h"
#include "common/message_boxes.h"
#include "glyphs/glyph_state.h"
#include "glyphs/glyph_text.h"
#include "model/settings_model.h"

namespace velta {
namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool busy_reading()
{
    return model().state.read_pending != 0;
}

}  // namespace

std::string_view glyph_file_extension(GlyphSize size)
{
    static constexpr std::string_view large = ".tll";
    static constexpr std::string_view medium = ".tlm";
    static constexpr std::string_view small = ".tls";
    return by_size(size, large, medium, small);
}

std::string glyph_file_filter_name(GlyphSize size)
{
    return "データ(*" + std::string(glyph_file_extension(size)) + ")";
}

int glyph_file_records(GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    return info.slot_count * info.glyph_digits;
}

std::string glyph_list_bytes(GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::string out;
    out.reserve(static_cast<std::size_t>(glyph_file_records(size)) * 3);
    for (int s = 0; s < info.slot_count; ++s) {
        std::span<const char> slot = glyph_slot(size, s);
        for (int i = 0; i < info.glyph_digits; ++i) {
            out.push_back(slot[static_cast<std::size_t>(i)]);
            out.append("\r\n");
        }
    }
    return out;
}

GlyphListParse parse_glyph_list(GlyphSize size, std::string_view bytes)
{
    const auto expected = static_cast<std::size_t>(glyph_file_records(size));
    GlyphListParse result;
    result.digits.reserve(expected);
    std::size_t line_number = 0;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++line_number;
        while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
        while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
        if (line.empty())
            continue;
        if (line.size() != 1 || !is_glyph_digit(line.front())) {
            result.digits.clear();
            result.error =
                "外字ファイルの形式が正しくありません（" + std::to_string(line_number) + " 行目）";
            return result;
        }
        if (result.digits.size() == expected) {
            result.digits.clear();
            result.error = "外字ファイルのデータが多すぎます（" + std::to_string(line_number) +
                           " 行目。" + std::string(glyph_size_info(size).name) + "のファイルは " +
                           std::to_string(expected) + " 行です）";
            return result;
        }
        result.digits.push_back(line.front());
    }
    if (result.digits.size() != expected) {
        result.error = "外字ファイルのデータが足りません（" + std::to_string(result.digits.size()) +
                       " 行。" + std::string(glyph_size_info(size).name) + "のファイルは " +
                       std::to_string(expected) + " 行です）";
        result.digits.clear();
    }
    return result;
}

bool write_glyph_list(GlyphSize size, const std::string& path, std::string* why)
{
    if (!write_file_atomically(path, glyph_list_bytes(size), why))
        return false;
    model().state.dirty = 0;
    return true;
}

GlyphReadResult read_glyph_list(GlyphSize size, const std::string& path, std::string* error)
{
    const std::optional<std::string> bytes = read_file_bytes(path, k_glyph_file_max_bytes, error);
    if (!bytes)
        return GlyphReadResult::cannot_open;
    GlyphListParse parsed = parse_glyph_list(size, *bytes);
    if (!parsed.error.empty()) {
        if (error)
            *error = std::move(parsed.error);
        return GlyphReadResult::refused;
    }
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto per_glyph = static_cast<std::size_t>(info.glyph_digits);
    for (int s = 0; s < info.slot_count; ++s) {
        const auto from = parsed.digits.begin() + static_cast<std::ptrdiff_t>(s * per_glyph);
        std::copy_n(from, per_glyph, glyph_slot(size, s).begin());
    }
    model().state.dirty = 0;
    return GlyphReadResult::read;
}

bool glyph_file_open(GlyphSize size, const GlyphPathChooser& choose)
{
    const LinkState& s = model().state;
    if (s.read_pending != 0 || s.batch_running != 0)
        return false;
    if (s.dirty != 0 && !ask_yes_no("VELTA", k_text_open_unsaved))
        return false;
    const std::optional<std::string> path = choose();
    if (!path)
        return false;
    std::string error;
    switch (read_glyph_list(size, *path, &error)) {
        case GlyphReadResult::cannot_open:
            warning_box(k_text_cant_open, error);
            return false;
        case GlyphReadResult::refused:
            warning_box(error);
            return false;
        case GlyphReadResult::read:
            break;
    }
    glyph_list_file_name(size) = *path;
    return true;
}

void glyph_file_save(GlyphSize size)
{
    if (busy_reading())
        return;
    const std::string& name = glyph_list_file_name(size);
    if (name.empty()) {
        warning_box(k_text_no_file);
        return;
    }
    std::string why;
    if (!write_glyph_list(size, name, &why))
        error_box(k_text_cant_open, why);
}

void glyph_file_save_as(GlyphSize size, const GlyphPathChooser& choose)
{
    if (busy_reading())
        return;
    const std::optional<std::string> chosen = choose();
    if (!chosen)
        return;
    const std::string path = complete_extension(*chosen, glyph_file_extension(size));
    std::string why;
    if (!write_glyph_list(size, path, &why)) {
        error_box(k_text_cant_open, why);
        return;
    }
    glyph_list_file_name(size) = path;
}

bool glyph_buffer_clear(GlyphSize size, const void* owner)
{
    if (busy_reading())
        return false;
    GlyphState& g = glyph_state();
    if (g.glyph_edited != 0 && !ask_yes_no(k_caption_new, k_text_new_unsaved, owner))
        return false;
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s) std::ranges::fill(glyph_slot(size, s), '0');
    glyph_list_file_name(size).clear();
    g.glyph_edited = 0;
    return true;
}

}  // namespace velta
