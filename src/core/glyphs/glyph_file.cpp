#include "core/glyphs/glyph_file.h"

#include <algorithm>

#include "core/common/file_io.h"
#include "core/common/message_boxes.h"
#include "core/common/named_lines.h"
#include "core/common/run_activity.h"
#include "core/common/save_target.h"
#include "core/glyphs/glyph_state.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"

namespace velta {
namespace {

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

bool busy_reading(const DeviceContext& c)
{
    return c.status.read_pending != 0;
}

// An editor's mouse press counts as well as any change to the size's store.
bool unsaved_glyphs(GlyphStore& glyphs, GlyphSize size)
{
    return glyph_state().glyph_edited != 0 || glyph_list_unsaved(glyphs, size);
}

// The store of the size went to path (or came from it).
void saved_as(GlyphStore& glyphs, GlyphSize size, const std::string& path)
{
    glyph_list_file_name(size) = path;
    glyph_state().glyph_edited = 0;
    mark_glyph_list_saved(glyphs, size);
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

std::string glyph_list_bytes(GlyphStore& glyphs, GlyphSize size)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    std::string out;
    out.reserve(static_cast<std::size_t>(glyph_file_records(size)) * 3);
    for (int s = 0; s < info.slot_count; ++s) {
        std::span<const char> slot = glyph_slot(glyphs, size, s);
        for (int i = 0; i < info.glyph_digits; ++i) {
            out.push_back(slot[static_cast<std::size_t>(i)]);
            out.append("\r\n");
        }
    }
    return out;
}

namespace {

// The layout every writer of these files has used: one character and CR LF per record, so a
// record holding a blank or a line end is still one record.
bool exact_layout(std::string_view bytes, std::size_t records)
{
    if (bytes.size() != records * 3)
        return false;
    for (std::size_t r = 0; r < records; ++r)
        if (bytes[3 * r + 1] != '\r' || bytes[3 * r + 2] != '\n')
            return false;
    return true;
}

void take_record(GlyphListParse& result, std::string_view record, std::size_t line)
{
    if (record.size() == 1 && is_glyph_digit(record.front())) {
        result.digits.push_back(record.front());
    } else {
        result.digits.push_back('0');
        result.bad_lines.push_back(line);
    }
}

}  // namespace

GlyphListParse parse_glyph_list(GlyphSize size, std::string_view bytes)
{
    const auto expected = static_cast<std::size_t>(glyph_file_records(size));
    GlyphListParse result;
    result.digits.reserve(expected);
    if (exact_layout(bytes, expected)) {
        for (std::size_t r = 0; r < expected; ++r)
            take_record(result, bytes.substr(3 * r, 1), r + 1);
        return result;
    }
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
        if (result.digits.size() == expected) {
            result = GlyphListParse{};
            result.error = "外字ファイルのデータが多すぎます（" + std::to_string(line_number) +
                           " 行目。" + std::string(glyph_size_info(size).name) + "のファイルは " +
                           std::to_string(expected) + " 行です）";
            return result;
        }
        take_record(result, line, line_number);
    }
    if (result.digits.size() != expected) {
        const std::size_t found = result.digits.size();
        result = GlyphListParse{};
        result.error = "外字ファイルのデータが足りません（" + std::to_string(found) + " 行。" +
                       std::string(glyph_size_info(size).name) + "のファイルは " +
                       std::to_string(expected) + " 行です）";
    }
    return result;
}

std::string blanked_records_text(const std::vector<std::size_t>& lines)
{
    return "外字ファイルの " + named_lines(lines) +
           " 行目は外字のデータではありません。その部分を空白にして読み込みました。";
}

bool write_glyph_list(GlyphStore& glyphs, GlyphSize size, const std::string& path, std::string* why)
{
    return write_file_atomically(path, glyph_list_bytes(glyphs, size), why);
}

GlyphReadResult read_glyph_list(GlyphStore& glyphs, GlyphSize size, const std::string& path,
                                std::string* message)
{
    const std::optional<std::string> bytes = read_file_bytes(path, k_glyph_file_max_bytes, message);
    if (!bytes)
        return GlyphReadResult::cannot_open;
    GlyphListParse parsed = parse_glyph_list(size, *bytes);
    if (!parsed.error.empty()) {
        if (message)
            *message = std::move(parsed.error);
        return GlyphReadResult::refused;
    }
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto per_glyph = static_cast<std::size_t>(info.glyph_digits);
    for (int s = 0; s < info.slot_count; ++s) {
        const auto from = parsed.digits.begin() + static_cast<std::ptrdiff_t>(s * per_glyph);
        std::copy_n(from, per_glyph, glyph_slot(glyphs, size, s).begin());
    }
    if (parsed.bad_lines.empty())
        return GlyphReadResult::read;
    if (message)
        *message = blanked_records_text(parsed.bad_lines);
    return GlyphReadResult::read_with_blanks;
}

bool glyph_file_open(DeviceContext& c, GlyphSize size, const GlyphPathChooser& choose)
{
    GlyphStore& glyphs = c.model.glyphs;
    if (busy_reading(c) || settings_run_active(c.activity))
        return false;
    if (unsaved_glyphs(glyphs, size) && !ask_yes_no("VELTA", k_text_open_unsaved_glyphs))
        return false;
    const std::optional<std::string> path = choose();
    if (!path)
        return false;
    std::string message;
    switch (read_glyph_list(glyphs, size, *path, &message)) {
        case GlyphReadResult::cannot_open:
            warning_box(k_text_cant_open, message);
            return false;
        case GlyphReadResult::refused:
            warning_box(message);
            return false;
        case GlyphReadResult::read_with_blanks:
            warning_box(message);
            break;
        case GlyphReadResult::read:
            break;
    }
    saved_as(glyphs, size, *path);
    return true;
}

bool glyph_file_save(DeviceContext& c, GlyphSize size, const GlyphPathChooser& choose)
{
    if (busy_reading(c))
        return false;
    const std::string name = glyph_list_file_name(size);
    // A list that has no file yet is saved under a name the operator chooses.
    if (name.empty())
        return glyph_file_save_as(c, size, choose);
    std::string why;
    if (!write_glyph_list(c.model.glyphs, size, name, &why)) {
        error_box(k_text_cant_open, why);
        return false;
    }
    saved_as(c.model.glyphs, size, name);
    return true;
}

bool glyph_file_save_as(DeviceContext& c, GlyphSize size, const GlyphPathChooser& choose)
{
    if (busy_reading(c))
        return false;
    const std::optional<std::string> chosen = choose();
    if (!chosen)
        return false;
    const std::optional<std::string> path =
        confirmed_save_path(*chosen, glyph_file_extension(size));
    if (!path)
        return false;
    std::string why;
    if (!write_glyph_list(c.model.glyphs, size, *path, &why)) {
        error_box(k_text_cant_open, why);
        return false;
    }
    saved_as(c.model.glyphs, size, *path);
    return true;
}

bool glyph_buffer_clear(DeviceContext& c, GlyphSize size, const void* owner)
{
    GlyphStore& glyphs = c.model.glyphs;
    if (busy_reading(c))
        return false;
    if (unsaved_glyphs(glyphs, size) && !ask_yes_no(k_caption_new, k_text_new_unsaved, owner))
        return false;
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s) std::ranges::fill(glyph_slot(glyphs, size, s), '0');
    saved_as(glyphs, size, {});
    return true;
}

}  // namespace velta
