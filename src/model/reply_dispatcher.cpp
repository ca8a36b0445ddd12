#include "model/reply_dispatcher.h"

#include <algorithm>
#include <string>
#include <utility>

#include "common/message_boxes.h"
#include "glyphs/glyph_transfer.h"
#include "link/codecs.h"
#include "model/settings_model.h"
#include "pages/title_encoding.h"

// Positions count from the first letter of the reply. A data reply shorter than its layout, or
// with a non-digit where digits are decoded, leaves the model as it was; letter fields keep
// the rule that any letter other than the tested one gives the other value.

namespace velta {
namespace {

using Handler = void (*)(std::string_view body, LinkKind link);

struct Row {
    std::string_view prefix;
    Handler handler;
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
    return model().device;
}

// The reply without its line end.
std::string_view body_of(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    return line;
}

bool has(std::string_view body, std::size_t pos)
{
    return body.size() > pos;
}

// letter test: 0 when the character at pos is `zero`, else 1
void letter(std::string_view b, std::size_t pos, char zero, int& field)
{
    if (has(b, pos))
        field = b[pos] == zero ? 0 : 1;
}

void font_size(std::string_view b, int& field)
{
    if (has(b, 4))
        field = b[4] == 'S' ? 0 : b[4] == 'M' ? 1 : 2;
}

void connectors(std::string_view b, LinkKind)
{
    if (!digits_at(b, 3, 3 * k_connectors))
        return;
    for (int i = 0; i < k_connectors; ++i)
        dev().connector_assignment[static_cast<std::size_t>(i)] =
            parse_dec3(b, 3 + 3 * static_cast<std::size_t>(i)) - 1;
}

template <typename Fn>
void per_page(std::string_view b, std::size_t at, Fn fn)
{
    if (b.size() < at + k_page_slots)
        return;
    for (std::size_t i = 0; i < k_page_slots; ++i)
        fn(i, b[at + i]);
}

void colour_digits(std::string_view b, std::size_t at, PageArray<int>& field)
{
    if (!digits_at(b, at, k_page_slots))
        return;
    per_page(b, at, [&](std::size_t i, char c) { field[i] = c - '0'; });
}

void address(std::string_view b, IpAddress& field)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (!digits_at(b, 3 + 4 * i, 3) || parse_dec3(b, 3 + 4 * i) > 255)
            return;
    for (std::size_t i = 0; i < 4; ++i)
        field[i] = static_cast<std::uint8_t>(parse_dec3(b, 3 + 4 * i));
}

// A character field decoded as its distance from `base`, accepted within [base, last].
void char_offset(std::string_view b, std::size_t pos, char base, char last, int& field)
{
    if (has(b, pos) && b[pos] >= base && b[pos] <= last)
        field = b[pos] - base;
}

void schedule(std::string_view b, LinkKind)
{
    constexpr std::size_t entry = 7;
    if (!digits_at(b, 2, 2) || b.size() < 4 + entry * k_schedule_entries)
        return;
    const int d = parse_dec2(b, 2) - 1;
    if (d < 0 || d >= k_schedule_days)
        return;
    for (std::size_t i = 0; i < k_schedule_entries; ++i) {
        const std::size_t at = 4 + entry * i;
        if (!digits_at(b, at, 4) || (b[at + 4] != 'P' && !digits_at(b, at + 4, 3)))
            return;
    }
    const auto day = static_cast<std::size_t>(d);
    for (std::size_t i = 0; i < k_schedule_entries; ++i) {
        const std::size_t at = 4 + entry * i;
        dev().schedule_hour[day][i] = parse_dec2(b, at);
        dev().schedule_minute[day][i] = parse_dec2(b, at + 2);
        if (b[at + 4] == 'P') {
            dev().schedule_page[day][i] = page_count();
        } else {
            const int v = parse_dec3(b, at + 4);
            dev().schedule_page[day][i] = v == 0 ? k_schedule_page_none : v - 1;
        }
    }
}

// "PAS" is stored as the page count of the mode in force when it was decoded. A read-all asks
// for the schedule and the power-on page before the page mode, so when the device's mode turns
// out to differ, the PAS codes already stored follow it instead of turning into a page number.
void page_mode_reply(int mode)
{
    const int old_count = page_count();
    dev().page_mode = mode;
    const int new_count = page_count();
    if (old_count == new_count)
        return;
    for (auto& day : dev().schedule_page)
        for (int& page : day)
            if (page == old_count)
                page = new_count;
    if (dev().power_on_page == old_count)
        dev().power_on_page = new_count;
}

void copy_text(std::string_view b, std::size_t at, std::size_t n, std::string& field)
{
    if (b.size() >= at + n)
        field.assign(b.substr(at, n));
}

const Row k_rows[] = {
    {"FBML", [](std::string_view b, LinkKind) { on_glyph_bitmap_reply(GlyphSize::large, b); }},
    {"FBMM", [](std::string_view b, LinkKind) { on_glyph_bitmap_reply(GlyphSize::medium, b); }},
    {"FBMS", [](std::string_view b, LinkKind) { on_glyph_bitmap_reply(GlyphSize::small, b); }},
    {"ACA", connectors},
    {"ADO", [](std::string_view b, LinkKind) { letter(b, 3, 'F', dev().alarm_display); }},
    {"ADT",
     [](std::string_view b, LinkKind) {
         if (digits_at(b, 3, 3))
             dev().alarm_hold_time.assign(b.substr(3, 3));
     }},
    {"AM", [](std::string_view b, LinkKind) { letter(b, 2, 'I', dev().alarm_mode); }},
    {"AP", [](std::string_view b, LinkKind) { letter(b, 2, 'M', dev().alarm_polarity); }},
    {"ARO", [](std::string_view b, LinkKind) { letter(b, 3, 'F', dev().alarm_return); }},
    {"CA", [](std::string_view b, LinkKind) { decode_title_reply(b); }},
    {"CBC",
     [](std::string_view b, LinkKind) { colour_digits(b, 3, model().pages.page_border_color); }},
    {"CC", [](std::string_view b, LinkKind) { colour_digits(b, 2, model().pages.page_char_color); }},
    {"CFSB", [](std::string_view b, LinkKind) { font_size(b, dev().lower_font_size); }},
    {"CFST", [](std::string_view b, LinkKind) { font_size(b, dev().upper_font_size); }},
    {"CI", [](std::string_view b, LinkKind) { letter(b, 2, 'A', dev().connector_input); }},
    {"CWL",
     [](std::string_view b, LinkKind) {
         per_page(b, 3, [](std::size_t i, char c) {
             model().pages.page_char_level[i] = c == 'L' ? 0 : 1;
         });
     }},
    {"FB",
     [](std::string_view b, LinkKind) {
         per_page(b, 2, [](std::size_t i, char c) {
             model().pages.page_background_fill[i] = c == 'F' ? 0 : 1;
         });
     }},
    {"IDOB",
     [](std::string_view b, LinkKind) {
         if (digits_at(b, 4, 3))
             dev().lower_display_offset = parse_dec3(b, 4);
     }},
    {"IDOT",
     [](std::string_view b, LinkKind) {
         if (digits_at(b, 4, 3))
             dev().upper_display_offset = parse_dec3(b, 4);
     }},
    {"IDPM",
     [](std::string_view b, LinkKind) {
         if (has(b, 4))
             page_mode_reply(b[4] == '2' ? 1 : 0);
     }},
    {"IDP",
     [](std::string_view b, LinkKind) {
         per_page(b, 3, [](std::size_t i, char c) {
             model().pages.page_title_position[i] = c == 'T' ? 0 : 1;
         });
     }},
    {"PAST",
     [](std::string_view b, LinkKind) {
         if (!digits_at(b, 4, 2 * k_page_slots))
             return;
         for (std::size_t i = 0; i < k_page_slots; ++i)
             model().pages.page_auto_switch_time[i] = parse_dec2(b, 4 + 2 * i);
     }},
    {"POSP",
     [](std::string_view b, LinkKind) {
         if (b.starts_with("POSPAS"))
             dev().power_on_page = page_count();
         else if (digits_at(b, 4, 3))
             dev().power_on_page = parse_dec3(b, 4) - 1;
     }},
    {"P",
     [](std::string_view b, LinkKind) {
         if (digits_at(b, 1, 3))
             dev().display_page = parse_dec3(b, 1) - 1;
     }},
    {"RCA", connectors},
    {"RM",
     [](std::string_view b, LinkKind) {
         if (has(b, 4))
             dev().remote_mode = b[4] == 'N' ? 0 : b[4] == 'T' ? 1 : 2;
     }},
    {"SD", schedule},
    {"TSDO", [](std::string_view b, LinkKind) { letter(b, 4, 'F', dev().clock_display); }},
    {"TSDR",
     [](std::string_view b, LinkKind) { char_offset(b, 4, '1', '9', dev().clock_display_range); }},
    {"TSDS", [](std::string_view b, LinkKind) { letter(b, 4, 'S', dev().clock_display_size); }},
    {"VLBC",
     [](std::string_view b, LinkKind) {
         if (has(b, 4))
             dev().video_loss_background = b[4] == 'B' ? 1 : 0;
     }},
    {"VN",
     [](std::string_view b, LinkKind link) {
         if (b.size() < 6)
             return;
         dev().firmware_version.assign(b.substr(2, 4));
         if (link == LinkKind::serial)
             model().state.success_pending = 1;
     }},
    {"EAA", [](std::string_view b, LinkKind) { address(b, dev().net_eaa); }},
    {"EGA", [](std::string_view b, LinkKind) { address(b, dev().net_gateway); }},
    {"EIA", [](std::string_view b, LinkKind) { address(b, dev().net_ip_address); }},
    {"EMA", [](std::string_view b, LinkKind) { copy_text(b, 3, 17, dev().net_mac_address); }},
    {"ESM",
     [](std::string_view b, LinkKind) { char_offset(b, 3, 'A', 'C', dev().net_subnet_class); }},
    {"EPN",
     [](std::string_view b, LinkKind) {
         if (digits_at(b, 3, 5))
             dev().port_number.assign(b.substr(3, 5));
     }},
    {"ECT", [](std::string_view b, LinkKind) { letter(b, 4, 'F', dev().net_ect); }},
    {"EKA", [](std::string_view b, LinkKind) { letter(b, 4, 'F', dev().net_keep_alive); }},
    {"ETR", [](std::string_view b, LinkKind) { char_offset(b, 3, '1', '9', dev().net_etr); }},
};

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
    const LinkState& s = model().state;
    return s.batch_running != 0 || s.glyph_batch_running != 0 || late_receipt();
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
        if (s.batch_running == 0) {
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
            row.handler(body, link);
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
    const auto len = static_cast<std::size_t>(std::clamp<int>(
        s.socket_rx_len, 0, static_cast<int>(s.socket_rx_buffer.size())));
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
