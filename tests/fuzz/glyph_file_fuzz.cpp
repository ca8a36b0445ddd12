// Feeds the glyph list file reader arbitrary bytes, and files of the right length damaged in
// small ways: it must never crash, what it accepts holds the size's count of glyph digits with
// the bad records named in order, a file without bad records reads as its digits, and what it
// accepts writes back to the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "glyphs/glyph_file.h"
#include "glyphs/glyph_text.h"
#include "model/settings_model.h"

namespace {

using namespace velta;

// The digits of a file, blanks and line ends dropped.
std::string records_of(std::string_view bytes)
{
    std::string out;
    for (char c : bytes)
        if (is_glyph_digit(c))
            out.push_back(c);
    return out;
}

void check(GlyphSize size, std::string_view bytes)
{
    const GlyphListParse parsed = parse_glyph_list(size, bytes);
    const auto expected = static_cast<std::size_t>(glyph_file_records(size));
    if (!parsed.error.empty()) {
        if (!parsed.digits.empty() || !parsed.bad_lines.empty())
            std::abort();
        return;
    }
    if (parsed.digits.size() != expected)
        std::abort();
    for (char c : parsed.digits)
        if (!is_glyph_digit(c))
            std::abort();
    for (std::size_t i = 1; i < parsed.bad_lines.size(); ++i)
        if (parsed.bad_lines[i] <= parsed.bad_lines[i - 1])
            std::abort();
    if (parsed.bad_lines.empty() && records_of(bytes) != parsed.digits)
        std::abort();
    const GlyphSizeInfo& info = glyph_size_info(size);
    for (int s = 0; s < info.slot_count; ++s)
        for (int i = 0; i < info.glyph_digits; ++i)
            glyph_slot(size, s)[static_cast<std::size_t>(i)] =
                parsed.digits[static_cast<std::size_t>(s * info.glyph_digits + i)];
    if (records_of(glyph_list_bytes(size)) != parsed.digits)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (GlyphSize glyph_size : k_glyph_sizes) check(glyph_size, bytes);
    if (size < 2)
        return 0;

    // A well-formed file of the size picked by the first byte, then edits picked by the rest:
    // each pair of bytes is a position and what to do there.
    const GlyphSize glyph_size = k_glyph_sizes[data[0] % 3];
    reset_settings_model();
    std::string file = glyph_list_bytes(glyph_size);
    bool only_blanks = true;
    for (std::size_t i = 1; i + 1 < size && i < 64; i += 2) {
        const std::size_t at = (static_cast<std::size_t>(data[i]) * 977u) % file.size();
        switch (data[i + 1] % 6) {
            case 0:
                file.insert(at - at % 3, "\r\n");  // a blank line between records
                break;
            case 1:
                if (file[at] == '\r')
                    file.erase(at, 1);  // LF only
                break;
            case 2:
                file.insert(at - at % 3, " \t");
                break;
            case 3:
                file[at] = static_cast<char>(data[i + 1]);
                only_blanks = false;
                break;
            case 4:
                file.erase(at, 1);
                only_blanks = false;
                break;
            default:
                file.insert(at, 1, static_cast<char>(data[i]));
                only_blanks = false;
                break;
        }
    }
    check(glyph_size, file);
    // Line ends and blanks alone never make a sound file unreadable.
    if (only_blanks) {
        const GlyphListParse parsed = parse_glyph_list(glyph_size, file);
        if (!parsed.error.empty() || !parsed.bad_lines.empty())
            std::abort();
    }
    return 0;
}
