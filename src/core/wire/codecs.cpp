#include "core/wire/codecs.h"

namespace velta {

int parse_dec2(std::string_view s, std::size_t pos)
{
    return (s[pos] - '0') * 10 + (s[pos + 1] - '0');
}

int parse_dec3(std::string_view s, std::size_t pos)
{
    return (s[pos] - '0') * 100 + (s[pos + 1] - '0') * 10 + (s[pos + 2] - '0');
}

namespace {
int hex_value(char c)
{
    return c > '9' ? c - 'A' + 10 : c - '0';
}
char hex_digit(unsigned v)
{
    return static_cast<char>(v < 10 ? '0' + v : 'A' + (v - 10));
}
}  // namespace

std::uint8_t parse_hex_pair(std::string_view s, std::size_t pos)
{
    return static_cast<std::uint8_t>((hex_value(s[pos]) << 4) | hex_value(s[pos + 1]));
}

void format_dec2(int n, char* out)
{
    out[0] = static_cast<char>('0' + n / 10);
    out[1] = static_cast<char>('0' + n % 10);
}

void format_dec3(int n, char* out)
{
    out[0] = static_cast<char>('0' + n / 100);
    out[1] = static_cast<char>('0' + (n % 100) / 10);
    out[2] = static_cast<char>('0' + n % 10);
}

void format_hex4(unsigned code, char* out)
{
    out[0] = hex_digit((code >> 12) & 0xF);
    out[1] = hex_digit((code >> 8) & 0xF);
    out[2] = hex_digit((code >> 4) & 0xF);
    out[3] = hex_digit(code & 0xF);
}

bool digits_at(std::string_view s, std::size_t pos, std::size_t n)
{
    if (pos > s.size() || s.size() - pos < n)
        return false;
    for (std::size_t i = pos; i < pos + n; ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

bool hex_digits_at(std::string_view s, std::size_t pos, std::size_t n)
{
    if (pos > s.size() || s.size() - pos < n)
        return false;
    for (std::size_t i = pos; i < pos + n; ++i) {
        const char c = s[i];
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

std::string dec2_text(int n)
{
    std::string s(2, '0');
    format_dec2(n, s.data());
    return s;
}

std::string dec3_text(int n)
{
    std::string s(3, '0');
    format_dec3(n, s.data());
    return s;
}

}  // namespace velta
