#pragma once
// Glyph list files: every slot of one size, one digit per line with CR LF, no header. The
// reader takes CR LF or LF and blank lines, and refuses a file that does not hold exactly the
// size's digits, so a wrong or damaged file never half-overwrites the store.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_io.h"
#include "glyphs/glyph_sizes.h"

namespace velta {

// ".tll", ".tlm", ".tls".
std::string_view glyph_file_extension(GlyphSize size);
// "データ(*.tll)" and its sisters: the first filter of the file dialogs.
std::string glyph_file_filter_name(GlyphSize size);
// Records in a file of the size (slots × digits per glyph).
int glyph_file_records(GlyphSize size);
// The largest list is about 123 KB as written; a file beyond this is refused before it is read.
inline constexpr std::uintmax_t k_glyph_file_max_bytes = 1u << 20;

// The whole file as written.
std::string glyph_list_bytes(GlyphSize size);

struct GlyphListParse {
    std::string digits;  // all records in file order when the file is sound
    std::string error;   // what is wrong, for the operator; empty when sound
};
GlyphListParse parse_glyph_list(GlyphSize size, std::string_view bytes);

// Writes every slot's digits to path (atomically) and clears dirty. False when the file could
// not be written; the old file then stays as it was and why (if given) says why.
bool write_glyph_list(GlyphSize size, const std::string& path, std::string* why = nullptr);

enum class GlyphReadResult { read, cannot_open, refused };
// Reads path into the store of the size and clears dirty. Otherwise the store is untouched and
// error (if given) says why: the system's reason when the file cannot be read, the problem of
// its content when it is refused.
GlyphReadResult read_glyph_list(GlyphSize size, const std::string& path,
                                std::string* error = nullptr);

// The file flows of a list dialog. A chooser shows the open or save dialog and returns the
// chosen path, or nothing on cancel. Each returns true when the store of the size changed.
using GlyphPathChooser = std::function<std::optional<std::string>()>;
bool glyph_file_open(GlyphSize size, const GlyphPathChooser& choose);
void glyph_file_save(GlyphSize size);
void glyph_file_save_as(GlyphSize size, const GlyphPathChooser& choose);
bool glyph_buffer_clear(GlyphSize size, const void* owner);

inline constexpr std::string_view k_text_cant_open = k_text_file_error;
inline constexpr std::string_view k_text_no_file = "Don't file open";
inline constexpr std::string_view k_text_open_unsaved =
    "データを保存せずに別のファイルを開きますか？";
inline constexpr std::string_view k_text_new_unsaved = "データを保存せずに新規作成しますか？";
inline constexpr std::string_view k_caption_new = "新規作成";

}  // namespace velta
