#include "core/pages/title_encoding.h"

#include <cstdio>

#include "core/model/settings_model.h"
#include "core/pages/page_lists.h"
#include "core/wire/codecs.h"

namespace velta {
namespace {

bool lead_byte(unsigned b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool trail_byte(unsigned b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

bool ibm_extended(unsigned v)
{
    return (v >= 0xFA40 && v <= 0xFA49) || (v >= 0xFA55 && v <= 0xFA57) || v >= 0xFA5C;
}

constexpr std::size_t k_codes_at = 5;
constexpr unsigned k_wide_space_sjis = 0x8140;  // pads a title to its 56 bytes
constexpr std::size_t k_code_count = 28;

// The JIS code of one two-byte element of a padded title, or 0 when the device cannot take it.
unsigned element_code(unsigned v)
{
    if (v <= k_custom_char_limit)
        return v + k_custom_char_offset;
    if (ibm_extended(v))
        v = ibm_to_nec_extension(v);
    return sjis_to_jis(v);
}

Cp932Reader& text_reader()
{
    static Cp932Reader reader = nullptr;
    return reader;
}

std::string default_char_text(std::string_view c)
{
    const auto b = static_cast<unsigned char>(c[0]);
    if (c.size() == 1 && b >= 0x20 && b < 0x7F)
        return std::string(c);
    if (c.size() == 1 && b >= 0xA1 && b <= 0xDF) {
        const unsigned u = 0xFF61 + (b - 0xA1);  // half-width katakana, three bytes in UTF-8
        return {static_cast<char>(0xE0 | (u >> 12)), static_cast<char>(0x80 | ((u >> 6) & 0x3F)),
                static_cast<char>(0x80 | (u & 0x3F))};
    }
    char code[8];
    if (c.size() == 1)
        std::snprintf(code, sizeof code, "0x%02X", b);
    else
        std::snprintf(code, sizeof code, "0x%02X%02X", b, static_cast<unsigned char>(c[1]));
    return code;
}

}  // namespace

std::uint16_t sjis_to_jis(unsigned v)
{
    const unsigned lead = (v >> 8) & 0xFF;
    const unsigned trail = v & 0xFF;
    if (v > 0xFFFF || !lead_byte(lead) || !trail_byte(trail))
        return 0;
    const unsigned h = lead < 0xA0 ? lead - 0x81 : lead - 0xC1;
    unsigned j = 0;
    if (trail < 0x9F) {
        j = h * 512 + 0x2100 + (trail - 0x1F);
        if (trail > 0x7E)
            j -= 1;
    } else {
        j = h * 512 + 0x2200 + (trail - 0x7E);
    }
    const unsigned low = j & 0xFF;
    if (j < 0x2121 || j > 0x7E7E || low < 0x21 || low > 0x7E)
        return 0;
    return static_cast<std::uint16_t>(j);
}

std::uint16_t jis_to_sjis(unsigned code)
{
    const unsigned hi = (code >> 8) & 0xFF;
    const unsigned lo = code & 0xFF;
    if (code > 0xFFFF || hi < 0x21 || hi > 0x7E || lo < 0x21 || lo > 0x7E)
        return 0;
    unsigned trail = 0;
    if (hi % 2 == 1)
        trail = lo <= 0x5F ? lo + 0x1F : lo + 0x20;
    else
        trail = lo + 0x7E;
    unsigned lead = (hi - 0x21) / 2 + 0x81;
    if (lead > 0x9F)
        lead += 0x40;
    return static_cast<std::uint16_t>(lead << 8 | trail);
}

std::uint16_t ibm_to_nec_extension(unsigned v)
{
    struct Range {
        unsigned first, last, subtract;
    };
    static constexpr Range ranges[] = {
        {0xFA40, 0xFA49, 0x0B51}, {0xFA55, 0xFA57, 0x0B5B}, {0xFA5C, 0xFA7E, 0x0D1C},
        {0xFA80, 0xFA9B, 0x0D1D}, {0xFA9C, 0xFAFC, 0x0D1C}, {0xFB40, 0xFB5B, 0x0D5F},
        {0xFB5C, 0xFB7E, 0x0D1C}, {0xFB80, 0xFB9B, 0x0D1D}, {0xFB9C, 0xFBFC, 0x0D1C},
        {0xFC40, 0xFC4B, 0x0D5F},
    };
    for (const Range& r : ranges)
        if (v >= r.first && v <= r.last)
            return static_cast<std::uint16_t>(v - r.subtract);
    return 0;
}

unsigned glyph_code(int s)
{
    if (s < 26)
        return 0xA365u + static_cast<unsigned>(s);
    if (s < 120)
        return 0xA407u + static_cast<unsigned>(s);
    if (s < 214)
        return 0xA4A9u + static_cast<unsigned>(s);
    return 0xA54Bu + static_cast<unsigned>(s);
}

std::string title_command(int slot, std::string_view title)
{
    if (slot < 0 || slot >= k_page_slots ||
        title.size() > static_cast<std::size_t>(k_title_max_bytes) || title.size() % 2 != 0)
        return {};
    std::string cmd = "CA000";
    format_dec3(slot + 1, cmd.data() + 2);
    for (std::size_t i = 0; i < k_code_count; ++i) {
        const unsigned element = 2 * i < title.size()
                                     ? static_cast<unsigned char>(title[2 * i]) * 256u +
                                           static_cast<unsigned char>(title[2 * i + 1])
                                     : k_wide_space_sjis;
        const unsigned j = element_code(element);
        if (j == 0)
            return {};
        char digits[4];
        format_hex4(j, digits);
        cmd.append(digits, 4);
    }
    cmd.append("\r\n");
    return cmd;
}

BuiltCommand page_title_command(const DeviceConfig& config, int slot)
{
    if (slot < 0 || slot >= k_page_slots)
        return {};
    std::string cmd = title_command(slot, config.pages.page_title[static_cast<std::size_t>(slot)]);
    if (cmd.empty())
        return BuiltCommand::refused(RefusalKind::title_unencodable,
                                     title_fault_detail(config, slot));
    return cmd;
}

void set_title_text_reader(Cp932Reader reader)
{
    text_reader() = reader;
}

std::string title_fault_detail(const DeviceConfig& config, int slot)
{
    if (slot < 0 || slot >= k_page_slots)
        return {};
    const std::string& title = config.pages.page_title[static_cast<std::size_t>(slot)];
    std::string detail = "ページ " + slot_label(slot, config.device.page_mode) + ": ";
    if (title.size() > static_cast<std::size_t>(k_title_max_bytes))
        return detail + std::to_string(title.size()) + " バイト（" +
               std::to_string(k_title_max_bytes) + " バイトまで）";
    // Elements are byte pairs, so the first pair that fails starts at the character to name.
    std::size_t at = 0;
    while (at + 1 < title.size() && element_code(static_cast<unsigned char>(title[at]) * 256u +
                                                 static_cast<unsigned char>(title[at + 1])) != 0)
        at += 2;
    if (at >= title.size())
        return detail;  // nothing wrong with it
    const bool two_bytes =
        lead_byte(static_cast<unsigned char>(title[at])) && at + 1 < title.size();
    const std::string_view c(title.data() + at, two_bytes ? 2 : 1);
    const std::string text = text_reader() ? text_reader()(c) : default_char_text(c);
    return detail + "「" + (text.empty() ? default_char_text(c) : text) + "」";
}

bool decode_title_reply(std::string_view line, PageSettings& pages)
{
    if (line.size() != k_title_reply_length || !digits_at(line, 2, 3) ||
        !hex_digits_at(line, k_codes_at, 4 * k_code_count))
        return false;
    const int slot = parse_dec3(line, 2) - 1;
    if (slot < 0 || slot >= k_page_slots)
        return false;

    unsigned codes[k_code_count];
    for (std::size_t i = 0; i < k_code_count; ++i)
        codes[i] = parse_hex_pair(line, k_codes_at + 4 * i) * 256u +
                   parse_hex_pair(line, k_codes_at + 4 * i + 2);
    std::size_t m = k_code_count;
    while (m > 0 && codes[m - 1] == k_jis_space) --m;

    std::string title;
    for (std::size_t i = 0; i < m; ++i) {
        const unsigned code = codes[i];
        const unsigned element =
            code > k_jis_limit ? (code - k_custom_char_offset) & 0xFFFF : jis_to_sjis(code);
        const char first = static_cast<char>(element >> 8);
        const char second = static_cast<char>(element & 0xFF);
        if (first == '\0')
            break;
        title.push_back(first);
        if (second == '\0')
            break;
        title.push_back(second);
    }
    const std::string sent = title_command(slot, title);
    if (sent.size() != line.size() + 2 || !sent.starts_with(line))
        return false;
    pages.page_title[static_cast<std::size_t>(slot)] = title;
    return true;
}

}  // namespace velta
