// Feeds the glyph list file reader arbitrary bytes, and files of the right length damaged in
// small ways: it must never crash; what it accepts holds the size's count of glyph digits with
// the bad records named in order, a file without bad records reads as its digits, and what it
// accepts writes back to the same records.
//
// A whole file is about 10,000 lines, some 4 ms of reading in the fuzz build against a few
// microseconds for other inputs, so the damaged-file mode is taken by one input in 64, and the
// damage stays within a window of 32 records of a file built once at start.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "core/glyphs/glyph_file.h"
#include "core/glyphs/glyph_text.h"
#include "core/model/settings_model.h"
#include "fuzz_support.h"
#include "program/program_context.h"

namespace {

using velta::fuzz::check;
using namespace velta;

constexpr std::size_t k_window_records = 32;
constexpr std::size_t k_record_bytes = 3;  // digit, CR, LF

// The digits of a file, blanks and line ends dropped.
std::string records_of(std::string_view bytes)
{
    std::string out;
    for (char c : bytes)
        if (is_glyph_digit(c))
            out.push_back(c);
    return out;
}

void store_digits(GlyphSize size, std::string_view digits)
{
    const GlyphSizeInfo& info = glyph_size_info(size);
    const auto per_glyph = static_cast<std::size_t>(info.glyph_digits);
    for (int s = 0; s < info.slot_count; ++s)
        std::copy_n(digits.begin() + static_cast<std::ptrdiff_t>(s * per_glyph), per_glyph,
                    glyph_slot(model().glyphs, size, s).begin());
}

struct SoundFile {
    std::string bytes;
    std::string digits;
};

// One sound file per size, every digit value used, written by the tool's own writer.
const SoundFile& sound_file(GlyphSize size)
{
    static const std::array<SoundFile, 3> files = [] {
        std::array<SoundFile, 3> out;
        for (std::size_t i = 0; i < k_glyph_sizes.size(); ++i) {
            const GlyphSize s = k_glyph_sizes[i];
            std::string digits(static_cast<std::size_t>(glyph_file_records(s)), '0');
            for (std::size_t d = 0; d < digits.size(); ++d)
                digits[d] = glyph_value_digit(static_cast<int>((d * 7 + d / 5) % 16));
            store_digits(s, digits);
            out[i].bytes = glyph_list_bytes(model().glyphs, s);
            out[i].digits = records_of(out[i].bytes);
            check(out[i].digits == digits);
        }
        return out;
    }();
    return files[static_cast<std::size_t>(size)];
}

// What the reader makes of a file: nothing when refused, else the digits it read. A refusal
// leaves no digits and names no line; a file without bad records reads as its own digits.
std::optional<std::string> accepted(GlyphSize size, std::string_view bytes,
                                    const std::string& records)
{
    GlyphListParse parsed = parse_glyph_list(size, bytes);
    if (!parsed.error.empty()) {
        check(parsed.digits.empty() && parsed.bad_lines.empty());
        return std::nullopt;
    }
    check(parsed.digits.size() == static_cast<std::size_t>(glyph_file_records(size)));
    for (char c : parsed.digits) check(is_glyph_digit(c));
    for (std::size_t i = 1; i < parsed.bad_lines.size(); ++i)
        check(parsed.bad_lines[i] > parsed.bad_lines[i - 1]);
    if (parsed.bad_lines.empty())
        check(parsed.digits == records);
    return std::move(parsed.digits);
}

void damaged_file(const std::uint8_t* data, std::size_t size)
{
    const GlyphSize glyph_size = k_glyph_sizes[data[0] % 3];
    const SoundFile& sound = sound_file(glyph_size);
    const std::size_t records = sound.digits.size();
    const std::size_t first = data[1] * (records - k_window_records) / 255;
    std::string window =
        sound.bytes.substr(first * k_record_bytes, k_window_records * k_record_bytes);

    // Each pair of bytes is a position in the window and what to do there.
    bool only_blanks = true;
    for (std::size_t i = 2; i + 1 < size && i < 64; i += 2) {
        if (window.empty())
            window = "0";
        const std::size_t at = (static_cast<std::size_t>(data[i]) * 977u) % window.size();
        switch (data[i + 1] % 6) {
            case 0:
                window.insert(at - at % 3, "\r\n");  // a blank line between records
                break;
            case 1:
                if (window[at] == '\r')
                    window.erase(at, 1);  // LF only
                break;
            case 2:
                window.insert(at - at % 3, " \t");
                break;
            case 3:
                window[at] = static_cast<char>(data[i + 1]);
                only_blanks = false;
                break;
            case 4:
                window.erase(at, 1);
                only_blanks = false;
                break;
            default:
                window.insert(at, 1, static_cast<char>(data[i]));
                only_blanks = false;
                break;
        }
    }
    const std::size_t after = first + k_window_records;
    const std::string file = sound.bytes.substr(0, first * k_record_bytes) + window +
                             sound.bytes.substr(after * k_record_bytes);
    const std::string expected =
        sound.digits.substr(0, first) + records_of(window) + sound.digits.substr(after);
    const std::optional<std::string> read = accepted(glyph_size, file, expected);
    // Line ends and blanks alone never make a sound file unreadable.
    check(read.has_value() || !only_blanks);
    if (read && *read != sound.digits) {
        store_digits(glyph_size, *read);
        check(records_of(glyph_list_bytes(model().glyphs, glyph_size)) == *read);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = fuzz::text_of(data, size);
    if (size >= 2 && fuzz::one_in(64, data, size)) {
        damaged_file(data, size);
        return 0;
    }
    // The sizes differ only in the count, so one size per input will do.
    if (size > 0)
        accepted(k_glyph_sizes[data[0] % 3], bytes, records_of(bytes));
    return 0;
}
