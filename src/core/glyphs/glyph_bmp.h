#pragma once
// A list box's picture as a 24-bit bitmap file, and the naming of the export.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/glyphs/glyph_sizes.h"

namespace velta {

struct LinkStatus;

// Bytes per pixel row: 3 × width rounded up to a multiple of 4.
int bmp_stride(int width);
// The whole file: 54-byte header, no palette, rows bottom-up in blue, green, red order.
// `pixels` holds width × height values 0xRRGGBB, top row first.
std::string bmp_file_bytes(int width, int height, std::span<const std::uint32_t> pixels);

// "大文字外字登録番号01をbmpファイルで保存" with the glyph number in place of 01.
std::string glyph_bmp_title(GlyphSize size, int number);
// "gl01.bmp", "gm001.bmp", "gs001.bmp" with the glyph number.
std::string glyph_bmp_default_name(GlyphSize size, int number);

// Shows the save dialog with a title and a default name; nothing on cancel.
using BmpPathChooser = std::function<std::optional<std::string>(const std::string& title,
                                                                const std::string& default_name)>;
// Asks for the name and writes the file. Nothing happens while a read is outstanding or on
// cancel (or when the operator keeps an existing file); a file that cannot be created is
// skipped without a message. True when written.
bool export_glyph_bmp(const LinkStatus& link, GlyphSize size, int number,
                      std::string_view file_bytes, const BmpPathChooser& choose);

}  // namespace velta
