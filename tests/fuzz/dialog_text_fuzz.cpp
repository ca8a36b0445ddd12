// Feeds what a person might type or paste into the dialogs' small edits to the parsers behind
// them: the address spread over the parts, the address check, the port text, the hold time and
// the byte limits in code page 932. None may crash, and each must keep its promise: parts of at
// most three digits, an accepted address that reads back the same, a port in range, and a cut
// that never ends inside a character.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/device/alarm_commands.h"
#include "core/device/dialog_text.h"
#include "core/device/network_commands.h"

namespace {

using namespace velta;

void check_split(std::string_view text, std::size_t parts_left)
{
    const auto parts = split_address_input(text, parts_left);
    if (!parts)
        return;
    if (parts->empty() || parts->size() > parts_left)
        std::abort();
    for (const std::string& p : *parts) {
        if (p.size() > k_address_part_digits)
            std::abort();
        for (char c : p)
            if (c < '0' || c > '9')
                std::abort();
    }
}

void check_address(std::string_view text)
{
    const AddressCheck check = check_dotted_address(text);
    if (!check.ok()) {
        if (check.part >= k_address_parts)
            std::abort();
        return;
    }
    const AddressCheck again = check_dotted_address(dotted_address_text(check.address));
    if (!again.ok() || again.address != check.address)
        std::abort();
}

void check_cut(std::string_view text, std::size_t max_bytes)
{
    const std::string_view cut = cp932_prefix(text, max_bytes);
    if (cut.size() > max_bytes || text.substr(0, cut.size()) != cut)
        std::abort();
    std::size_t at = 0;
    while (at < cut.size()) at += cp932_char_size(static_cast<unsigned char>(cut[at]));
    if (at != cut.size())
        std::abort();  // the cut ends inside a character
    if (cut.size() < text.size()) {
        const std::size_t next = cp932_char_size(static_cast<unsigned char>(text[cut.size()]));
        if (cut.size() + next <= max_bytes && cut.size() + next <= text.size())
            std::abort();  // a whole further character would have fitted
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (std::size_t left = 1; left <= k_address_parts; ++left) check_split(text, left);
    check_address(text);

    if (const auto port = parse_port_text(text)) {
        if (*port < 1 || *port > 65535 || text.size() > k_port_text_max)
            std::abort();
    }
    const int seconds = hold_time_seconds(text);
    if (seconds < -1 || seconds > 999 ||
        seconds != hold_time_seconds(cp932_prefix(text, k_hold_time_bytes)))
        std::abort();
    for (std::size_t max_bytes = 0; max_bytes <= 8; ++max_bytes) check_cut(text, max_bytes);
    return 0;
}
