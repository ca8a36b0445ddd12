#pragma once
// Glyph list files: every slot of one size, one digit per line with CR LF, no header. The
// reader takes CR LF or LF and blank lines. A record that is not one glyph digit (an earlier
// version wrote whatever a garbled reply left in the store) is read as blank and named; a file
// that does not hold exactly the size's records is refused, so a wrong file never
// half-overwrites the store. The files hold glyphs only: they never touch the titles' unsaved
// flag.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/file_io.h"
#include "core/glyphs/glyph_sizes.h"

namespace velta {

struct DeviceContext;

// ".tll", ".tlm", ".tls".
std::string_view glyph_file_extension(GlyphSize size);
// "データ(*.tll)" and its sisters: the first filter of the file dialogs.
std::string glyph_file_filter_name(GlyphSize size);
// Records in a file of the size (slots × digits per glyph).
int glyph_file_records(GlyphSize size);
// The largest list is about 123 KB as written; a file beyond this is refused before it is read.
inline constexpr std::uintmax_t k_glyph_file_max_bytes = 1u << 20;

// The whole file as written.
std::string glyph_list_bytes(GlyphStore& glyphs, GlyphSize size);

struct GlyphListParse {
    std::string digits;  // all records in file order, a bad one as '0'; empty when refused
    std::string error;   // why the file is refused, for the operator; empty when it is read
    std::vector<std::size_t> bad_lines;  // lines (from 1) whose record was read as blank
};
GlyphListParse parse_glyph_list(GlyphSize size, std::string_view bytes);

// The warning after a file was read with blank records, naming their lines.
std::string blanked_records_text(const std::vector<std::size_t>& lines);

// Writes every slot's digits to path (atomically). False when the file could not be written;
// the old file then stays as it was and why (if given) says why.
bool write_glyph_list(GlyphStore& glyphs, GlyphSize size, const std::string& path,
                      std::string* why = nullptr);

enum class GlyphReadResult { read, read_with_blanks, cannot_open, refused };
// Reads path into the store of the size. Otherwise the store is untouched and message (if
// given) says why: the system's reason when the file cannot be read, the problem of its content
// when it is refused; after read_with_blanks it names the lines read as blank.
GlyphReadResult read_glyph_list(GlyphStore& glyphs, GlyphSize size, const std::string& path,
                                std::string* message = nullptr);

// The file flows of a list dialog. A chooser shows the open or save dialog and returns the
// chosen path, or nothing on cancel. Open and clear return true when the store of the size
// changed, the saves when the file was written. Opening or clearing over unsaved glyphs of the
// size (glyph_list_unsaved, or an editor's press) asks first; a file read or written leaves the
// size saved. Save without a file of the size is Save As.
using GlyphPathChooser = std::function<std::optional<std::string>()>;
bool glyph_file_open(DeviceContext& context, GlyphSize size, const GlyphPathChooser& choose);
bool glyph_file_save(DeviceContext& context, GlyphSize size, const GlyphPathChooser& choose);
bool glyph_file_save_as(DeviceContext& context, GlyphSize size, const GlyphPathChooser& choose);
bool glyph_buffer_clear(DeviceContext& context, GlyphSize size, const void* owner);

inline constexpr std::string_view k_text_cant_open = k_text_file_error;
inline constexpr std::string_view k_text_open_unsaved_glyphs =
    "外字データを保存せずに別のファイルを開きますか？";
inline constexpr std::string_view k_text_new_unsaved = "データを保存せずに新規作成しますか？";
inline constexpr std::string_view k_caption_new = "新規作成";

}  // namespace velta
