#pragma once
// What a person types or pastes into the dialogs' small edits, read without any toolkit: the
// parts of an address field, the port text, and texts kept within a byte count in code page
// 932 without cutting a character in two.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/model/settings_model.h"

namespace velta {

inline constexpr std::size_t k_address_parts = 4;
inline constexpr std::size_t k_address_part_digits = 3;

// What text typed or pasted into one part of an address field fills, from that part on: a dot
// ends a part and a fourth digit carries on into the next part ("192.168.1.10" fills four,
// "1234" fills "123" and "4", "127." fills "127" and an empty next part). A digit typed after
// a lone "0" takes its place ("0192" is "192"), and blanks are dropped.
// Nothing when the text holds any other character or more parts than parts_left.
std::optional<std::vector<std::string>> split_address_input(std::string_view text,
                                                            std::size_t parts_left);

enum class AddressFault { none, empty_part, part_too_large, malformed };
struct AddressCheck {
    IpAddress address{};
    AddressFault fault = AddressFault::none;
    std::size_t part = 0;  // the first part at fault, 0 for the leftmost
    bool ok() const { return fault == AddressFault::none; }
};
// The four parts as typed: each one to three digits of 0..255.
AddressCheck check_address_parts(const std::array<std::string, k_address_parts>& parts);
// "192.168.1.3": four parts joined by dots.
AddressCheck check_dotted_address(std::string_view text);
// The refusal, naming the field by its caption and the part by its place.
std::string address_fault_text(std::string_view field_caption, const AddressCheck& check);

// A port text of the edits: 1 to 5 digits, value 1..65535 ("09004" reads 9004).
inline constexpr std::size_t k_port_text_max = 5;
std::optional<int> parse_port_text(std::string_view text);

// Bytes of the code page 932 character that starts with this byte (1 or 2).
std::size_t cp932_char_size(unsigned char first);
// The longest start of text of at most max_bytes that ends between two characters.
std::string_view cp932_prefix(std::string_view text, std::size_t max_bytes);

}  // namespace velta
