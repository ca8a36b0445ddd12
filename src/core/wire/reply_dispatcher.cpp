#include "core/wire/reply_dispatcher.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/wire/codecs.h"
#include "core/wire/device_session.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_fields.h"

// The device-wide replies; the page and glyph areas register theirs (reply_fields.h).

namespace velta {
namespace {

ReplyObserver& observer()
{
    return reply_observer_slot().get();
}

std::function<void(std::string_view)>& line_tap()
{
    static std::function<void(std::string_view)> t;
    return t;
}

int& socket_replies_dropped()
{
    static int scopes = 0;
    return scopes;
}

DecodeTarget& decode_target()
{
    return decode_target_slot().get();
}

}  // namespace

Current<ReplyObserver>& reply_observer_slot()
{
    static Current<ReplyObserver> o;
    return o;
}

Current<DecodeTarget>& decode_target_slot()
{
    static Current<DecodeTarget> t;
    return t;
}

namespace {

// The reply without its line end.
constexpr std::size_t k_max_line = 599;

std::string_view body_of(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool font_size(std::string_view b, int& field)
{
    if (!reply_has(b, 4))
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

bool connectors(std::string_view b, const ReplyTarget& t)
{
    if (!digits_at(b, 3, 3 * k_connectors))
        return false;
    for (int i = 0; i < k_connectors; ++i)
        t.config.device.connector_assignment[static_cast<std::size_t>(i)] =
            parse_dec3(b, 3 + 3 * static_cast<std::size_t>(i)) - 1;
    return true;
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
    if (!reply_has(b, pos) || b[pos] < base || b[pos] > last)
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
    return reply_page_number(b, at, page);
}

bool schedule(std::string_view b, const ReplyTarget& t)
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
        t.config.device.schedule_hour[day][i] = parse_dec2(b, at);
        t.config.device.schedule_minute[day][i] = parse_dec2(b, at + 2);
        t.config.device.schedule_page[day][i] = pages[i];
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

const ReplyRow k_device_rows[] = {
    {"ACA", connectors},
    {"ADO",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 3, 'F', t.config.device.alarm_display);
     }},
    {"ADT",
     [](std::string_view b, const ReplyTarget& t) {
         return copy_digits(b, 3, 3, t.config.device.alarm_hold_time);
     }},
    {"AM",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 2, 'I', t.config.device.alarm_mode);
     }},
    {"AP",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 2, 'M', t.config.device.alarm_polarity);
     }},
    {"ARO",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 3, 'F', t.config.device.alarm_return);
     }},
    {"CFSB", [](std::string_view b,
                const ReplyTarget& t) { return font_size(b, t.config.device.lower_font_size); }},
    {"CFST", [](std::string_view b,
                const ReplyTarget& t) { return font_size(b, t.config.device.upper_font_size); }},
    {"CI",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 2, 'A', t.config.device.connector_input);
     }},
    {"IDOB", [](std::string_view b,
                const ReplyTarget& t) { return dec3(b, 4, t.config.device.lower_display_offset); }},
    {"IDOT", [](std::string_view b,
                const ReplyTarget& t) { return dec3(b, 4, t.config.device.upper_display_offset); }},
    {"IDPM",
     [](std::string_view b, const ReplyTarget& t) {
         if (!reply_has(b, 4))
             return false;
         t.config.device.page_mode = b[4] == '2' ? 1 : 0;
         return true;
     }},
    {"POSP",
     [](std::string_view b, const ReplyTarget& t) {
         if (b == "POSPAS") {
             t.config.device.power_on_page = k_page_pas;
             return true;
         }
         return reply_page_number(b, 4, t.config.device.power_on_page);
     }},
    {"RCA", connectors},
    {"RM",
     [](std::string_view b, const ReplyTarget& t) {
         if (!reply_has(b, 4))
             return false;
         t.config.device.remote_mode = b[4] == 'N' ? 0 : b[4] == 'T' ? 1 : 2;
         return true;
     }},
    {"SD", schedule, 2},
    {"TSDO",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 4, 'F', t.config.device.clock_display);
     }},
    {"TSDR",
     [](std::string_view b, const ReplyTarget& t) {
         return char_offset(b, 4, '1', '9', t.config.device.clock_display_range);
     }},
    {"TSDS",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 4, 'S', t.config.device.clock_display_size);
     }},
    {"VLBC",
     [](std::string_view b, const ReplyTarget& t) {
         if (!reply_has(b, 4))
             return false;
         t.config.device.video_loss_background = b[4] == 'B' ? 1 : 0;
         return true;
     }},
    {"VN",
     [](std::string_view b, const ReplyTarget& t) {
         if (!copy_text(b, 2, 4, t.extras.firmware_version))
             return false;
         if (t.link == LinkKind::serial)
             link_status().success_pending = 1;
         return true;
     }},
    {"EAA", [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_eaa); }},
    {"EGA",
     [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_gateway); }},
    {"EIA",
     [](std::string_view b, const ReplyTarget& t) { return address(b, t.extras.net_ip_address); }},
    {"EMA", [](std::string_view b,
               const ReplyTarget& t) { return copy_text(b, 3, 17, t.extras.net_mac_address); }},
    {"ESM",
     [](std::string_view b, const ReplyTarget& t) {
         return char_offset(b, 3, 'A', 'C', t.config.device.net_subnet_class);
     }},
    {"EPN", [](std::string_view b,
               const ReplyTarget& t) { return copy_digits(b, 3, 5, t.extras.port_number); }},
    {"ECT", [](std::string_view b,
               const ReplyTarget& t) { return reply_letter(b, 4, 'F', t.config.device.net_ect); }},
    {"EKA",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_letter(b, 4, 'F', t.config.device.net_keep_alive);
     }},
    {"ETR",
     [](std::string_view b, const ReplyTarget& t) {
         return char_offset(b, 3, '1', '9', t.config.device.net_etr);
     }},
};

std::vector<const ReplyRow*>& table()
{
    static std::vector<const ReplyRow*> rows = [] {
        std::vector<const ReplyRow*> r;
        for (const ReplyRow& row : k_device_rows) r.push_back(&row);
        return r;
    }();
    return rows;
}

// The row with the longest head the line starts with.
const ReplyRow* row_for(std::string_view line)
{
    const ReplyRow* best = nullptr;
    for (const ReplyRow* row : table())
        if (line.starts_with(row->prefix) && (!best || row->prefix.size() > best->prefix.size()))
            best = row;
    return best;
}

// The item a reply answers, for the message: its head and the page or day it names.
std::string reply_item(const ReplyRow& row, std::string_view body)
{
    std::string item(row.prefix);
    const std::size_t n = row.number_digits;
    if (n > 0 && digits_at(body, row.prefix.size(), n))
        item.append(body.substr(row.prefix.size(), n));
    return item;
}

// The status answers that come after the data replies: "GN" and "E0".."E3". Serial lines are
// compared whole, socket lines by their first two characters.
std::optional<Outcome> status_outcome(std::string_view line, LinkKind link)
{
    auto is = [&](std::string_view answer) {
        if (link == LinkKind::socket)
            return line.substr(0, 2) == answer;
        return line.size() == answer.size() + 2 && line.starts_with(answer) &&
               line.ends_with("\r\n");
    };
    if (is("GN"))
        return outcome_of(OutcomeKind::mode_error, link);
    constexpr std::string_view k_errors[] = {"E0", "E1", "E2", "E3"};
    for (int e = 0; e < 4; ++e)
        if (is(k_errors[e])) {
            Outcome o = outcome_of(OutcomeKind::error_answer, link);
            o.error = e;
            return o;
        }
    return std::nullopt;  // noise: no outcome
}

// Decodes the line into the decode target and names its outcome.
std::optional<Outcome> decode(std::string_view line, LinkKind link)
{
    const bool go = link == LinkKind::serial ? line == "GO\r\n" : line.substr(0, 2) == "GO";
    if (go)
        return outcome_of(OutcomeKind::go, link);
    if (line == "MENU\r\n")
        return outcome_of(OutcomeKind::menu, link);
    const std::string_view body = body_of(line);
    if (const ReplyRow* row = row_for(line)) {
        DecodeTarget& d = decode_target();
        const ReplyTarget target{d.config ? *d.config : model().config,
                                 d.extras ? *d.extras : model().extras, link};
        const bool whole = row->decode(body, target);
        Outcome o = outcome_of(whole ? OutcomeKind::data_reply : OutcomeKind::damaged_reply, link);
        o.item = reply_item(*row, body);
        return o;
    }
    return status_outcome(line, link);
}

// A failed outcome sets reply_error, so that a run stops as after an error answer; any other
// clears it, but a late answer leaves the failure of its command in place.
void settle(std::string_view line, LinkKind link, Receipt receipt)
{
    LinkStatus& s = link_status();
    const bool failed_before = receipt == Receipt::late && s.reply_error != 0;
    std::optional<Outcome> outcome = decode(line, link);
    s.reply_error = outcome && outcome->failed() && outcome->kind != OutcomeKind::mode_error;
    if (outcome) {
        outcome->late = receipt == Receipt::late;
        report_outcome(*outcome);
    }
    if (failed_before)
        s.reply_error = 1;
    s.read_pending = 0;
    if (observer())
        observer()(line);
}

}  // namespace

void register_replies(std::span<const ReplyRow> rows)
{
    std::vector<const ReplyRow*>& t = table();
    for (const ReplyRow& row : rows) {
        const bool known = std::any_of(t.begin(), t.end(),
                                       [&](const ReplyRow* r) { return r->prefix == row.prefix; });
        if (!known)
            t.push_back(&row);
    }
}

DecodeInto::DecodeInto(DeviceConfig& config, DeviceExtras& extras)
    : previous_config_(decode_target().config), previous_extras_(decode_target().extras)
{
    decode_target() = {&config, &extras};
}

DecodeInto::~DecodeInto()
{
    decode_target() = {previous_config_, previous_extras_};
}

DropSocketReplies::DropSocketReplies()
{
    ++socket_replies_dropped();
}

DropSocketReplies::~DropSocketReplies()
{
    --socket_replies_dropped();
}

void set_line_tap(std::function<void(std::string_view)> t)
{
    line_tap() = std::move(t);
}

void set_reply_observer(std::function<void(std::string_view)> o)
{
    observer() = std::move(o);
}

void dispatch_line(std::string_view line, LinkKind link, Receipt receipt)
{
    // The drop is the program's own: a device session's answers are its run's.
    if (link == LinkKind::socket && socket_replies_dropped() > 0 && !current_session())
        return;
    if (line_tap())
        line_tap()(line);
    if (line.size() > k_max_line)
        line = line.substr(0, k_max_line);
    if (link == LinkKind::socket) {
        settle(std::string(line), link, receipt);
        return;
    }
    LinkStatus& s = link_status();
    s.watchdog_ticks = 0;
    s.answer_pending = 0;
    std::string_view reply = line;
    if (link_settings().rs485)
        reply.remove_prefix(std::min<std::size_t>(2, reply.size()));
    settle(std::string(reply), link, receipt);
}

void serial_dispatch(std::string_view line)
{
    dispatch_line(line, LinkKind::serial);
}

void socket_receive(std::string_view line)
{
    dispatch_line(line, LinkKind::socket);
}

void socket_receive_late(std::string_view line)
{
    dispatch_line(line, LinkKind::socket, Receipt::late);
}

}  // namespace velta
