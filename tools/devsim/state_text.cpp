#include "state_text.h"

#include "device_protocol.h"

namespace devsim {

namespace {

// Items whose reply already has the layout of their set command, in file order.
constexpr std::string_view k_items_as_replies[] = {
    "RIDP", "RPAST", "RFB",  "RCWL",  "RP",    "RIDO",  "RDSY",  "RDSM",  "RDSD",  "RTSH",
    "RTSM", "RTSS",  "RTSD", "RTSDR", "RTSDS", "RAM",   "RADT",  "RAP",   "RAD",   "RAR",
    "RACA", "RRM",   "RCI",  "RPOSP", "RIDPM", "RCFST", "RCFSB", "RVLBC", "RIDOT", "RIDOB",
    "REIA", "REGA",  "REAA", "RESM",  "REPN",  "RECT",  "REKA",  "RETR",  "REMA",  "RVN"};

bool is_hex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// The two items no command sets.
bool apply_read_only_item(DeviceState& s, std::string_view line)
{
    if (line.substr(0, 3) == "EMA" && line.size() == 20) {
        const std::string_view mac = line.substr(3);
        for (std::size_t i = 0; i < mac.size(); ++i) {
            const bool ok = i % 3 == 2 ? mac[i] == '-' : is_hex(mac[i]);
            if (!ok)
                return false;
        }
        s.mac_address.assign(mac);
        return true;
    }
    if (line.substr(0, 2) == "VN" && line.size() == 6) {
        for (char c : line.substr(2))
            if (c < 0x21 || c > 0x7E)
                return false;
        s.firmware_version.assign(line.substr(2));
        return true;
    }
    return false;
}

}  // namespace

std::string state_to_text(const DeviceState& state)
{
    std::string out = "# velta-devsim device state\n";
    auto line = [&out](const std::string& text) {
        out += text;
        out += '\n';
    };
    for (int page = 1; page <= k_pages; ++page)
        line(*format_reply(state, "RCA" + decimal(page, 3)));
    std::string colours = "CABC";
    for (int i = 0; i < k_pages; ++i) {
        colours += static_cast<char>('0' + state.char_color[i]);
        colours += static_cast<char>('0' + state.border_color[i]);
    }
    line(colours);
    for (std::string_view query : k_items_as_replies) line(*format_reply(state, query));
    for (int day = 1; day <= k_days; ++day) line(*format_reply(state, "RSD" + decimal(day, 2)));
    for (int size = 0; size < 3; ++size) {
        const GlyphGeometry& g = geometry(static_cast<GlyphSize>(size));
        for (int slot = 0; slot < g.slot_count; ++slot) {
            const std::string& glyph = state.glyphs[size][slot];
            if (glyph.find_first_not_of('0') == std::string::npos)
                continue;
            line(std::string("GR") + g.letter + decimal(slot + 1, 3) + glyph);
        }
    }
    return out;
}

bool state_from_text(std::string_view text, DeviceState& state, std::string& error)
{
    // Lines apply to a copy, so a refused file leaves the state as it was. The copy is assigned
    // into one kept per thread: its glyph strings keep their buffers from load to load.
    static thread_local DeviceState next;
    next = state;
    int number = 0;
    while (!text.empty()) {
        ++number;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#')
            continue;
        if (!apply_read_only_item(next, line) && !apply_set_command(next, line)) {
            error = "line " + std::to_string(number) +
                    ": not a device setting: " + std::string(line.substr(0, 40));
            return false;
        }
    }
    std::swap(state, next);
    return true;
}

}  // namespace devsim
