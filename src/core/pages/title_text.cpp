#include "core/pages/title_text.h"

#include <cctype>
#include <charconv>
#include <cstdio>

#include "core/pages/title_encoding.h"
#include "core/pages/utf8_chars.h"

namespace velta {
namespace {

constexpr std::string_view k_glyph_word = "外字";
constexpr int k_glyph_numbers = 256;

unsigned element_of_glyph_number(int number)
{
    return glyph_code(number - 1) - k_custom_char_offset;
}

// The glyph number (1 .. 256) of a custom-character element, or 0 when no glyph has its code.
int glyph_number_of_element(unsigned element)
{
    if (element > k_custom_char_limit)
        return 0;
    const unsigned code = element + k_custom_char_offset;
    // The codes rise with the numbers, so the first code not below it is the only candidate.
    int low = 1;
    int high = k_glyph_numbers;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (glyph_code(mid - 1) < code)
            low = mid + 1;
        else
            high = mid;
    }
    return glyph_code(low - 1) == code ? low : 0;
}

bool sjis_lead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool custom_lead(unsigned char b)
{
    return b >= 0x01 && b <= (k_custom_char_limit >> 8);
}

bool control(unsigned char b)
{
    return b < 0x20 || b == 0x7F;
}

// Bytes that a title never holds: the settings file's line ends and its terminator.
bool banned_byte(unsigned char b)
{
    return b == 0 || b == '\n' || b == '\r';
}

std::string hex_escape(std::string_view bytes)
{
    std::string out = "{";
    char digits[3];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02X", static_cast<unsigned char>(c));
        out += digits;
    }
    return out + "}";
}

// Text that title_from_text reads back as itself: well-formed, no brace, no control character.
bool plain_text(std::string_view utf8)
{
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '{' || control(b))
            return false;
    }
    return valid_utf8(utf8);
}

// The text of a run of characters when it comes back as the same bytes; nothing otherwise.
bool as_text(std::string_view run, const TitleText& text, std::string& out)
{
    std::string utf8 = text.to_utf8(run);
    const std::optional<std::string> back = text.to_cp932(utf8);
    if (!back || *back != run || !plain_text(utf8))
        return false;
    out += utf8;
    return true;
}

std::size_t char_bytes(std::string_view title, std::size_t i)
{
    return sjis_lead(static_cast<unsigned char>(title[i])) && i + 1 < title.size() ? 2 : 1;
}

// A run of characters, at once when it comes back as itself, else character by character with
// the ones that do not (a byte no character begins with, a twin such as an NEC-selected IBM
// kanji, which the conversion writes in its IBM form) in hexadecimal.
void append_run(std::string_view run, const TitleText& text, std::string& out)
{
    if (run.empty() || as_text(run, text, out))
        return;
    for (std::size_t i = 0; i < run.size();) {
        const std::size_t n = char_bytes(run, i);
        const std::string_view one = run.substr(i, n);
        if (!as_text(one, text, out))
            out += hex_escape(one);
        i += n;
    }
}

bool hex_value(std::string_view digits, unsigned& out)
{
    for (const char c : digits)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out, 16);
    return ec == std::errc() && p == digits.data() + digits.size();
}

// The bytes a brace names ("外字001", "0521", "83"), or a fault.
bool brace_bytes(std::string_view inside, std::string& bytes, std::string& fault)
{
    const std::string shown = "「{" + std::string(inside) + "}」";
    if (inside.starts_with(k_glyph_word)) {
        const std::string_view digits = inside.substr(k_glyph_word.size());
        int number = 0;
        const auto [p, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (digits.empty() || digits.size() > 3 || ec != std::errc() ||
            p != digits.data() + digits.size() || number < 1 || number > k_glyph_numbers) {
            fault = shown + "は外字の番号ではありません（{外字001}～{外字256}）";
            return false;
        }
        const unsigned element = element_of_glyph_number(number);
        bytes = {static_cast<char>(element >> 8), static_cast<char>(element & 0xFF)};
        return true;
    }
    unsigned value = 0;
    if ((inside.size() != 2 && inside.size() != 4) || !hex_value(inside, value)) {
        fault = shown + "は外字でも文字コードでもありません（「{」そのものは「{{」と書きます）";
        return false;
    }
    bytes.clear();
    if (inside.size() == 4)
        bytes.push_back(static_cast<char>(value >> 8));
    bytes.push_back(static_cast<char>(value & 0xFF));
    for (const char c : bytes) {
        if (banned_byte(static_cast<unsigned char>(c))) {
            fault = shown + "はタイトルに入れられないバイトです";
            return false;
        }
    }
    return true;
}

// Converts a run of plain text, or names its first character code page 932 does not have.
bool append_cp932(std::string_view run, const TitleText& text, std::string& out, std::string& fault)
{
    if (run.empty())
        return true;
    if (const std::optional<std::string> bytes = text.to_cp932(run)) {
        out += *bytes;
        return true;
    }
    for (std::size_t i = 0; i < run.size();) {
        const std::size_t n = utf8_char_length(run.substr(i));
        if (!text.to_cp932(run.substr(i, n))) {
            fault = "「" + std::string(run.substr(i, n)) + "」はコード ページ 932 にない文字です";
            return false;
        }
        i += n;
    }
    fault = "「" + std::string(run) + "」はコード ページ 932 で書けません";
    return false;
}

}  // namespace

std::string title_to_text(std::string_view cp932, const TitleText& text)
{
    std::string out;
    std::size_t run = 0;  // where the characters not yet written begin
    std::size_t i = 0;
    auto flush = [&] { append_run(cp932.substr(run, i - run), text, out); };
    while (i < cp932.size()) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        if (custom_lead(b) && i + 1 < cp932.size()) {
            flush();
            const unsigned element = b << 8 | static_cast<unsigned char>(cp932[i + 1]);
            if (const int number = glyph_number_of_element(element)) {
                char name[16];
                std::snprintf(name, sizeof name, "%03d", number);
                out += "{" + std::string(k_glyph_word) + name + "}";
            } else {
                out += hex_escape(cp932.substr(i, 2));
            }
            run = i += 2;
        } else if (b == '{' || control(b)) {
            flush();
            out += b == '{' ? "{{" : hex_escape(cp932.substr(i, 1));
            run = i += 1;
        } else {
            i += char_bytes(cp932, i);
        }
    }
    flush();
    return out;
}

TitleParse parse_title_text(std::string_view utf8, const TitleText& text)
{
    TitleParse r;
    std::string run;  // plain text not yet converted
    auto fail = [&r](std::string fault) {
        r.fault = std::move(fault);
        return r;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b == '{' && i + 1 < utf8.size() && utf8[i + 1] == '{') {
            run += '{';
            i += 2;
            continue;
        }
        if (b == '{') {
            const std::size_t close = utf8.find('}', i);
            if (close == std::string_view::npos)
                return fail("「{」に閉じる「}」がありません（「{」そのものは「{{」と書きます）");
            std::string bytes;
            if (!append_cp932(run, text, r.bytes, r.fault) ||
                !brace_bytes(utf8.substr(i + 1, close - i - 1), bytes, r.fault))
                return r;
            run.clear();
            r.bytes += bytes;
            i = close + 1;
            continue;
        }
        const std::size_t n = utf8_char_length(utf8.substr(i));
        if (n == 0)
            return fail("UTF-8 として読めないバイトがあります");
        if (control(b)) {
            char code[8];
            std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(b));
            return fail("制御文字 U+" + std::string(code) + " はタイトルに使えません");
        }
        run.append(utf8.substr(i, n));
        i += n;
    }
    if (!append_cp932(run, text, r.bytes, r.fault))
        return r;
    r.ok = true;
    return r;
}

std::optional<std::string> title_from_text(std::string_view utf8, const TitleText& text)
{
    TitleParse r = parse_title_text(utf8, text);
    if (!r.ok)
        return std::nullopt;
    return std::move(r.bytes);
}

}  // namespace velta
