#include "core/glyphs/glyph_bmp.h"

#include "core/common/file_io.h"
#include "core/common/save_target.h"
#include "core/glyphs/glyph_layout.h"
#include "core/glyphs/glyph_state.h"
#include "core/model/settings_model.h"
#include "core/wire/link_status.h"

namespace velta {
namespace {

void put16(std::string& out, std::size_t at, unsigned v)
{
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void put32(std::string& out, std::size_t at, std::uint32_t v)
{
    put16(out, at, v & 0xFFFF);
    put16(out, at + 2, v >> 16);
}

}  // namespace

int bmp_stride(int width)
{
    return (3 * width + 3) / 4 * 4;
}

std::string bmp_file_bytes(int width, int height, std::span<const std::uint32_t> pixels)
{
    if (width < 0 || height < 0)
        return {};
    constexpr std::size_t header = 54;
    const auto stride = static_cast<std::size_t>(bmp_stride(width));
    const auto w = static_cast<std::size_t>(width);
    const auto h = static_cast<std::size_t>(height);
    std::string out(header + stride * h, '\0');
    out[0] = 'B';
    out[1] = 'M';
    put32(out, 2, static_cast<std::uint32_t>(out.size()));
    put32(out, 10, header);
    put32(out, 14, 40);
    put32(out, 18, static_cast<std::uint32_t>(width));
    put32(out, 22, static_cast<std::uint32_t>(height));
    put16(out, 26, 1);
    put16(out, 28, 24);
    for (std::size_t y = 0; y < h; ++y) {
        // The bottom row comes first.
        const std::size_t row_at = header + (h - 1 - y) * stride;
        for (std::size_t x = 0; x < w; ++x) {
            const std::size_t i = y * w + x;
            const std::uint32_t rgb = i < pixels.size() ? pixels[i] : 0;
            out[row_at + 3 * x] = static_cast<char>(rgb & 0xFF);
            out[row_at + 3 * x + 1] = static_cast<char>((rgb >> 8) & 0xFF);
            out[row_at + 3 * x + 2] = static_cast<char>((rgb >> 16) & 0xFF);
        }
    }
    return out;
}

std::string glyph_bmp_title(GlyphSize size, int number)
{
    return std::string(glyph_size_info(size).name) + "外字登録番号" +
           glyph_number_text(size, number) + "をbmpファイルで保存";
}

std::string glyph_bmp_default_name(GlyphSize size, int number)
{
    return std::string("g") + static_cast<char>(glyph_size_info(size).letter + ('a' - 'A')) +
           glyph_number_text(size, number) + ".bmp";
}

bool export_glyph_bmp(const LinkStatus& link, GlyphSize size, int number,
                      std::string_view file_bytes, const BmpPathChooser& choose)
{
    if (link.read_pending != 0)
        return false;
    const std::optional<std::string> chosen =
        choose(glyph_bmp_title(size, number), glyph_bmp_default_name(size, number));
    if (!chosen)
        return false;
    const std::optional<std::string> path = confirmed_save_path(*chosen, ".bmp");
    if (!path)
        return false;
    glyph_state().glyph_bmp_file_name = *path;
    return write_file_atomically(*path, file_bytes);
}

}  // namespace velta
