#pragma once
// Fixed-width field codecs of the command texts. The parsers do no validation (callers that
// decode device replies check with digits_at first); the formatters write no terminator.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace velta {

int parse_dec2(std::string_view s, std::size_t pos);
int parse_dec3(std::string_view s, std::size_t pos);
std::uint8_t parse_hex_pair(std::string_view s, std::size_t pos);

void format_dec2(int n, char* out);
void format_dec3(int n, char* out);
void format_hex4(unsigned code, char* out);

// True when s holds n decimal digits from pos on.
bool digits_at(std::string_view s, std::size_t pos, std::size_t n);
// True when s holds n upper-case hexadecimal digits from pos on.
bool hex_digits_at(std::string_view s, std::size_t pos, std::size_t n);

// The texts of a two- or three-digit field, for list items and file names.
std::string dec2_text(int n);
std::string dec3_text(int n);

}  // namespace velta
