#include "model/reply_dispatcher.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>

#include "common/message_boxes.h"
#include "common/run_activity.h"
#include "glyphs/glyph_transfer.h"
#include "link/codecs.h"
#include "model/settings_model.h"
#include "pages/title_encoding.h"

// Positions count from the first letter of the reply. Every decoder says whether the reply
// held what its layout promises: one that does not (shorter than its layout, a non-digit where
// digits are decoded, a page no device has) leaves the model as it was and fails like an error
// answer, so a run does not go on as if the value had been read. Letter fields keep the rule
// that any letter other than the tested one gives the other value.

namespace velta {
namespace {

using Handler = bool (*)(std::string_view body, LinkKind link);

struct Row {
    std::string_view prefix;
    Handler handler;
    std::size_t number_digits = 0;  // digits after the prefix that name the item (page, day)
};

std::function<void(std::string_view)>& observer()
{
    static std::function<void(std::string_view)> o;
    return o;
}

std::function<void(std::string_view)>& line_tap()
{
    static std::function<void(std::string_view)> t;
    return t;
}

// Set while the late answer of a timed-out command is decoded.
bool& late_receipt()
{
    static bool late = false;
    return late;
}

DeviceSettings& dev()
{
    return model().config.device;
}

// The reply without its line end.
std::string_view body_of(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool has(std::string_view body, std::size_t pos)
{
    return body.size() > pos;
}

// letter test: 0 when the character at pos is `zero`, else 1
bool letter(std::string_view b, std::size_t pos, char zero, int& field)
{
    if (!has(b, pos))
        return false;
    field = b[pos] == zero ? 0 : 1;
    return true;
}

bool font_size(std::string_view b, int& field)
{
    if (!has(b, 4))
        return false;
    field = b[4] == 'S' ? 0 : b[4] == 'M' ? 1 : 2;
    return true;
}

bool dec3(std::string_view b, std::size_t at, int& field)
{
    if (!digits_at(b, at, 3))
        return false;
    field = parse_dec3(b, at);
    return true;
}

// A page number 001..256 at `at`, stored as its index.
bool page_number(std::string_view b, std::size_t at, int& index)
{
    if (!digits_at(b, at, 3))
        return false;
    const int v = parse_dec3(b, at);
    if (v < 1 || v > k_page_slots)
        return false;
    index = v - 1;
    return true;
}

bool connectors(std::string_view b, LinkKind)
{
    if (!digits_at(b, 3, 3 * k_connectors))
        return false;
    for (int i = 0; i < k_connectors; ++i)
        dev().connector_assignment[static_cast<std::size_t>(i)] =
            parse_dec3(b, 3 + 3 * static_cast<std::size_t>(i)) - 1;
    return true;
}

template <typename Fn>
bool per_page(std::string_view b, std::size_t at, Fn fn)
{
    if (b.size() < at + k_page_slots)
        return false;
    for (std::size_t i = 0; i < k_page_slots; ++i) fn(i, b[at + i]);
    return true;
}

bool colour_digits(std::string_view b, std::size_t at, PageArray<int>& field)
{
    return digits_at(b, at, k_page_slots) &&
           per_page(b, at, [&](std::size_t i, char c) { field[i] = c - '0'; });
}

bool address(std::string_view b, IpAddress& field)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (!digits_at(b, 3 + 4 * i, 3) || parse_dec3(b, 3 + 4 * i) > 255)
            return false;
    for (std::size_t i = 0; i < 4; ++i)
        field[i] = static_cast<std::uint8_t>(parse_dec3(b, 3 + 4 * i));
    return true;
}

// A character field decoded as its distance from `base`, accepted within [base, last].
bool char_offset(std::string_view b, std::size_t pos, char base, char last, int& field)
{
    if (!has(b, pos) || b[pos] < base || b[pos] > last)
        return false;
    field = b[pos] - base;
    return true;
}

// The page field of a schedule entry: "PAS", "000" for none, or a page number.
bool schedule_page_at(std::string_view b, std::size_t at, int& page)
{
    if (b.substr(at, 3) == "PAS") {
        page = k_page_pas;
        return true;
    }
    if (b.substr(at, 3) == "000") {
        page = k_page_none;
        return true;
    }
    return page_number(b, at, page);
}

bool schedule(std::string_view b, LinkKind)
{
    constexpr std::size_t entry = 7;
    if (!digits_at(b, 2, 2) || b.size() < 4 + entry * k_schedule_entries)
        return false;
    const int d = parse_dec2(b, 2) - 1;
    if (d < 0 || d >= k_schedule_days)
        return false;
    std::array<int, k_schedule_entries> pages{};
    for (std::size_t i = 0; i < k_schedule_entries; ++i) {
        const std::size_t at = 4 + entry * i;
        if (!digits_at(b, at, 4) || !schedule_page_at(b, at + 4, pages[i]))
            return false;
    }
    const auto day = static_cast<std::size_t>(d);
    for (std::size_t i = 0; i < k_schedule_entries; ++i) {
        const std::size_t at = 4 + entry * i;
        dev().schedule_hour[day][i] = parse_dec2(b, at);
        dev().schedule_minute[day][i] = parse_dec2(b, at + 2);
        dev().schedule_page[day][i] = pages[i];
    }
    return true;
}

bool copy_text(std::string_view b, std::size_t at, std::size_t n, std::string& field)
{
    if (b.size() < at + n)
        return false;
    field.assign(b.substr(at, n));
    return true;
}

bool copy_digits(std::string_view b, std::size_t at, std::size_t n, std::string& field)
{
    return digits_at(b, at, n) && copy_text(b, at, n, field);
}

// The glyph replies keep their own rule: a garbled bitmap is not stored, yet answers the read.
template <GlyphSize size>
bool glyph_bitmap(std::string_view b, LinkKind)
{
    on_glyph_bitmap_reply(size, b);
    return true;
}

const Row k_rows[] = {
    {"FBML", glyph_bitmap<GlyphSize::large>},
    {"FBMM", glyph_bitmap<GlyphSize::medium>},
    {"FBMS", glyph_bitmap<GlyphSize::small>},
    {"ACA", connectors},
    {"ADO", [](std::string_view b, LinkKind) { return letter(b, 3, 'F', dev().alarm_display); }},
    {"ADT",
     [](std::string_view b, LinkKind) { return copy_digits(b, 3, 3, dev().alarm_hold_time); }},
    {"AM", [](std::string_view b, LinkKind) { return letter(b, 2, 'I', dev().alarm_mode); }},
    {"AP", [](std::string_view b, LinkKind) { return letter(b, 2, 'M', dev().alarm_polarity); }},
    {"ARO", [](std::string_view b, LinkKind) { return letter(b, 3, 'F', dev().alarm_return); }},
    {"CA", [](std::string_view b, LinkKind) { return decode_title_reply(b); }, 3},
    {"CBC", [](std::string_view b,
               LinkKind) { return colour_digits(b, 3, model().config.pages.page_border_color); }},
    {"CC", [](std::string_view b,
              LinkKind) { return colour_digits(b, 2, model().config.pages.page_char_color); }},
    {"CFSB", [](std::string_view b, LinkKind) { return font_size(b, dev().lower_font_size); }},
    {"CFST", [](std::string_view b, LinkKind) { return font_size(b, dev().upper_font_size); }},
    {"CI", [](std::string_view b, LinkKind) { return letter(b, 2, 'A', dev().connector_input); }},
    {"CWL",
     [](std::string_view b, LinkKind) {
         return per_page(b, 3, [](std::size_t i, char c) {
             model().config.pages.page_char_level[i] = c == 'L' ? 0 : 1;
         });
     }},
    {"FB",
     [](std::string_view b, LinkKind) {
         return per_page(b, 2, [](std::size_t i, char c) {
             model().config.pages.page_background_fill[i] = c == 'F' ? 0 : 1;
         });
     }},
    {"IDOB", [](std::string_view b, LinkKind) { return dec3(b, 4, dev().lower_display_offset); }},
    {"IDOT", [](std::string_view b, LinkKind) { return dec3(b, 4, dev().upper_display_offset); }},
    {"IDPM",
     [](std::string_view b, LinkKind) {
         if (!has(b, 4))
             return false;
         dev().page_mode = b[4] == '2' ? 1 : 0;
         return true;
     }},
    {"IDP",
     [](std::string_view b, LinkKind) {
         return per_page(b, 3, [](std::size_t i, char c) {
             model().config.pages.page_title_position[i] = c == 'T' ? 0 : 1;
         });
     }},
    {"PAST",
     [](std::string_view b, LinkKind) {
         if (!digits_at(b, 4, 2 * k_page_slots))
             return false;
         for (std::size_t i = 0; i < k_page_slots; ++i)
             model().config.pages.page_auto_switch_time[i] = parse_dec2(b, 4 + 2 * i);
         return true;
     }},
    {"POSP",
     [](std::string_view b, LinkKind) {
         if (b == "POSPAS") {
             dev().power_on_page = k_page_pas;
             return true;
         }
         return page_number(b, 4, dev().power_on_page);
     }},
    {"P",
     [](std::string_view b, LinkKind) {
         if (b == "PAS") {
             model().extras.display_page = k_page_pas;
             return true;
         }
         return page_number(b, 1, model().extras.display_page);
     }},
    {"RCA", connectors},
    {"RM",
     [](std::string_view b, LinkKind) {
         if (!has(b, 4))
             return false;
         dev().remote_mode = b[4] == 'N' ? 0 : b[4] == 'T' ? 1 : 2;
         return true;
     }},
    {"SD", schedule, 2},
    {"TSDO", [](std::string_view b, LinkKind) { return letter(b, 4, 'F', dev().clock_display); }},
    {"TSDR", [](std::string_view b,
                LinkKind) { return char_offset(b, 4, '1', '9', dev().clock_display_range); }},
    {"TSDS",
     [](std::string_view b, LinkKind) { return letter(b, 4, 'S', dev().clock_display_size); }},
    {"VLBC",
     [](std::string_view b, LinkKind) {
         if (!has(b, 4))
             return false;
         dev().video_loss_background = b[4] == 'B' ? 1 : 0;
         return true;
     }},
    {"VN",
     [](std::string_view b, LinkKind link) {
         if (!copy_text(b, 2, 4, model().extras.firmware_version))
             return false;
         if (link == LinkKind::serial)
             model().state.success_pending = 1;
         return true;
     }},
    {"EAA", [](std::string_view b, LinkKind) { return address(b, model().extras.net_eaa); }},
    {"EGA", [](std::string_view b, LinkKind) { return address(b, model().extras.net_gateway); }},
    {"EIA", [](std::string_view b, LinkKind) { return address(b, model().extras.net_ip_address); }},
    {"EMA", [](std::string_view b,
               LinkKind) { return copy_text(b, 3, 17, model().extras.net_mac_address); }},
    {"ESM", [](std::string_view b,
               LinkKind) { return char_offset(b, 3, 'A', 'C', dev().net_subnet_class); }},
    {"EPN",
     [](std::string_view b, LinkKind) { return copy_digits(b, 3, 5, model().extras.port_number); }},
    {"ECT", [](std::string_view b, LinkKind) { return letter(b, 4, 'F', dev().net_ect); }},
    {"EKA", [](std::string_view b, LinkKind) { return letter(b, 4, 'F', dev().net_keep_alive); }},
    {"ETR",
     [](std::string_view b, LinkKind) { return char_offset(b, 3, '1', '9', dev().net_etr); }},
};

// The item a reply answers, for the message: its head and the page or day it names.
std::string reply_item(const Row& row, std::string_view body)
{
    std::string item(row.prefix);
    const std::size_t n = row.number_digits;
    if (n > 0 && digits_at(body, row.prefix.size(), n))
        item.append(body.substr(row.prefix.size(), n));
    return item;
}

void damaged_reply(const Row& row, std::string_view body)
{
    model().state.reply_error = 1;
    error_box(k_text_reply_damaged, reply_item(row, body));
}

struct StatusText {
    std::string_view answer;  // without CR LF
    std::string_view serial_text;
    std::string_view socket_text;
};

constexpr StatusText k_errors[] = {
    {"E0", "Framing Error", "Socket Framing"},
    {"E1", "Parity Error", "Socket Framing"},
    {"E2", "Over Run Error", "Socket Over run"},
    {"E3", "Command Error", "Socket Command"},
};

bool quiet_success()
{
    return run_active() || late_receipt();
}

// The status answers that come after the data replies: "GN" and "E0".."E3". Serial lines are
// compared whole, socket lines by their first two characters.
void status_tail(std::string_view line, LinkKind link)
{
    auto is = [&](std::string_view answer) {
        if (link == LinkKind::socket)
            return line.substr(0, 2) == answer;
        return line.size() == answer.size() + 2 && line.starts_with(answer) &&
               line.ends_with("\r\n");
    };
    LinkState& s = model().state;
    if (is("GN")) {
        if (!settings_run_active()) {
            if (link == LinkKind::serial)
                error_box("Mode Error");
            else
                info_box("Socket mode difference");
        }
        return;
    }
    for (const StatusText& e : k_errors) {
        if (is(e.answer)) {
            s.reply_error = 1;
            error_box(link == LinkKind::serial ? e.serial_text : e.socket_text);
            return;
        }
    }
    s.reply_error = 0;
}

void run_table(std::string_view line, LinkKind link)
{
    LinkState& s = model().state;
    const bool go = link == LinkKind::serial ? line == "GO\r\n" : line.substr(0, 2) == "GO";
    if (go) {
        if (!quiet_success()) {
            if (link == LinkKind::serial)
                s.success_pending = 1;
            else
                info_box("Socket ＯＫ");
        }
        return;
    }
    if (line == "MENU\r\n") {
        s.reply_error = 1;
        error_box("Menu Display");
        return;
    }
    const std::string_view body = body_of(line);
    for (const Row& row : k_rows) {
        if (line.starts_with(row.prefix)) {
            if (!row.handler(body, link))
                damaged_reply(row, body);
            return;
        }
    }
    status_tail(line, link);
}

void notify(std::string_view line)
{
    if (observer())
        observer()(line);
}

}  // namespace

void set_line_tap(std::function<void(std::string_view)> t)
{
    line_tap() = std::move(t);
}

void set_reply_observer(std::function<void(std::string_view)> o)
{
    observer() = std::move(o);
}

void serial_dispatch(std::string_view line)
{
    if (line_tap())
        line_tap()(line);
    LinkState& s = model().state;
    s.watchdog_ticks = 0;
    s.answer_pending = 0;
    if (line.size() > 599)
        line = line.substr(0, 599);
    std::string_view reply = line;
    if (model().link.rs485_mode == 1)
        reply.remove_prefix(std::min<std::size_t>(2, reply.size()));
    s.reply_error = 0;
    run_table(reply, LinkKind::serial);
    s.read_pending = 0;
    notify(reply);
}

void socket_dispatch()
{
    LinkState& s = model().state;
    const auto len = static_cast<std::size_t>(
        std::clamp<int>(s.socket_rx_len, 0, static_cast<int>(s.socket_rx_buffer.size())));
    const std::string_view receipt(s.socket_rx_buffer.data(), len);
    if (s.socket_line_partial == 0)
        s.socket_line.assign(receipt);
    else
        s.socket_line.append(receipt);
    if (s.socket_line.size() > 599)
        s.socket_line.resize(599);

    if (receipt.empty() || receipt.back() != '\n') {
        s.socket_line_partial = 1;
        return;
    }
    s.socket_line_partial = 0;

    const std::string line = s.socket_line;
    const bool failed_before = late_receipt() && s.reply_error != 0;
    s.reply_error = 0;
    run_table(line, LinkKind::socket);
    if (failed_before)
        s.reply_error = 1;
    s.socket_line.clear();
    s.read_pending = 0;
    notify(line);
}

void socket_receive(std::string_view receipt)
{
    if (line_tap())
        line_tap()(receipt);
    LinkState& s = model().state;
    s.socket_rx_buffer.assign(receipt.substr(0, 1024));
    s.socket_rx_len = static_cast<int>(s.socket_rx_buffer.size());
    socket_dispatch();
}

void socket_receive_late(std::string_view receipt)
{
    late_receipt() = true;
    socket_receive(receipt);
    late_receipt() = false;
}

}  // namespace velta
