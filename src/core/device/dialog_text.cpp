#include "core/device/dialog_text.h"

namespace velta {
namespace {

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<std::vector<std::string>> split_address_input(std::string_view text,
                                                            std::size_t parts_left)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            continue;
        if (c == '.') {
            parts.emplace_back();
        } else if (is_digit(c)) {
            if (parts.back() == "0")
                parts.back().clear();  // a leading zero says nothing: "0" then "1" is "1"
            if (parts.back().size() == k_address_part_digits)
                parts.emplace_back();
            parts.back().push_back(c);
        } else {
            return std::nullopt;
        }
        if (parts.size() > parts_left)
            return std::nullopt;
    }
    return parts;
}

AddressCheck check_address_parts(const std::array<std::string, k_address_parts>& parts)
{
    AddressCheck check;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        int value = 0;
        for (char c : p) value = is_digit(c) ? value * 10 + (c - '0') : -1000;
        AddressFault fault = AddressFault::none;
        if (p.empty())
            fault = AddressFault::empty_part;
        else if (p.size() > k_address_part_digits || value < 0)
            fault = AddressFault::malformed;
        else if (value > 255)
            fault = AddressFault::part_too_large;
        if (fault != AddressFault::none) {
            check.fault = fault;
            check.part = i;
            return check;
        }
        check.address[i] = static_cast<std::uint8_t>(value);
    }
    return check;
}

AddressCheck check_dotted_address(std::string_view text)
{
    std::array<std::string, k_address_parts> parts;
    std::size_t i = 0;
    for (char c : text) {
        if (c != '.') {
            parts[i].push_back(c);
        } else if (++i == parts.size()) {
            AddressCheck check;
            check.fault = AddressFault::malformed;
            check.part = i - 1;
            return check;
        }
    }
    return check_address_parts(parts);
}

std::string address_fault_text(std::string_view field_caption, const AddressCheck& check)
{
    std::string text =
        std::string(field_caption) + " の " + std::to_string(check.part + 1) + " 番目の数";
    switch (check.fault) {
        case AddressFault::empty_part:
            text += "が入力されていません。";
            break;
        case AddressFault::part_too_large:
            text += "が 255 を超えています。";
            break;
        case AddressFault::malformed:
        case AddressFault::none:
            text += "が正しくありません。";
            break;
    }
    return text + "0～255 の数を入力してください。";
}

std::optional<int> parse_port_text(std::string_view text)
{
    if (text.empty() || text.size() > k_port_text_max)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!is_digit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535)
        return std::nullopt;
    return value;
}

std::size_t cp932_char_size(unsigned char first)
{
    return (first >= 0x81 && first <= 0x9F) || (first >= 0xE0 && first <= 0xFC) ? 2 : 1;
}

std::string_view cp932_prefix(std::string_view text, std::size_t max_bytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + cp932_char_size(static_cast<unsigned char>(text[end]));
        if (next > max_bytes || next > text.size())
            break;
        end = next;
    }
    return text.substr(0, end);
}

}  // namespace velta
