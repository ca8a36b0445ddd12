// Set commands. Each handler reads its whole layout into locals first and writes the state
// only when every field has been read, so a rejected command leaves no trace.

#include <array>

#include "device_protocol.h"
#include "field_reader.h"

namespace devsim {

namespace {

using Handler = bool (*)(DeviceState&, FieldReader&);

bool page(FieldReader& r, int& out)
{
    return r.number(3, 1, k_pages, out);
}

// One letter for each of the 256 pages, each one of `letters`.
bool all_pages_choice(FieldReader& r, std::string_view letters, std::array<int, k_pages>& out)
{
    std::array<int, k_pages> v{};
    for (int& x : v)
        if (!r.choice(letters, x))
            return false;
    if (!r.at_end())
        return false;
    out = v;
    return true;
}

// Either "sss" + one letter for one page, or one letter for each of the 256 pages.
bool page_letter(FieldReader& r, std::string_view letters, std::array<int, k_pages>& out)
{
    if (r.remaining() == k_pages)
        return all_pages_choice(r, letters, out);
    int p = 0;
    int v = 0;
    if (!page(r, p) || !r.choice(letters, v) || !r.at_end())
        return false;
    out[p - 1] = v;
    return true;
}

bool single_choice(FieldReader& r, std::string_view letters, int& out)
{
    int v = 0;
    if (!r.choice(letters, v) || !r.at_end())
        return false;
    out = v;
    return true;
}

bool single_number(FieldReader& r, int width, int lo, int hi, int& out)
{
    int v = 0;
    if (!r.number(width, lo, hi, v) || !r.at_end())
        return false;
    out = v;
    return true;
}

bool title(DeviceState& s, FieldReader& r)
{
    int p = 0;
    if (!page(r, p))
        return false;
    std::array<std::uint16_t, k_title_codes> codes{};
    for (auto& c : codes)
        if (!r.hex4(c) || !valid_title_code(c))
            return false;
    if (!r.at_end())
        return false;
    s.title[p - 1] = codes;
    return true;
}

bool colours(DeviceState& s, FieldReader& r)
{
    if (r.remaining() == 2 * k_pages) {
        std::array<int, k_pages> chars{};
        std::array<int, k_pages> borders{};
        for (int i = 0; i < k_pages; ++i)
            if (!r.number(1, 0, 8, chars[i]) || !r.number(1, 0, 8, borders[i]))
                return false;
        s.char_color = chars;
        s.border_color = borders;
        return true;
    }
    int p = 0;
    int c = 0;
    int b = 0;
    if (!page(r, p) || !r.number(1, 0, 8, c) || !r.number(1, 0, 8, b) || !r.at_end())
        return false;
    s.char_color[p - 1] = c;
    s.border_color[p - 1] = b;
    return true;
}

bool background_fill(DeviceState& s, FieldReader& r)
{
    if (r.remaining() == k_pages)
        return all_pages_choice(r, "FN", s.fill);
    int p = 0;
    int v = 0;
    if (!page(r, p) || !r.literal("O") || !r.choice("FN", v) || !r.at_end())
        return false;
    s.fill[p - 1] = v;
    return true;
}

// The one-line page count, or the two-line one: the tool sends as many times as it lists.
bool switch_times(DeviceState& s, FieldReader& r)
{
    const std::size_t n = r.remaining();
    if (n == 2u * k_pages || n == k_pages) {
        auto v = s.switch_time;
        for (std::size_t i = 0; i < n / 2; ++i)
            if (!r.number(2, 0, 99, v[i]))
                return false;
        s.switch_time = v;
        return true;
    }
    int p = 0;
    int t = 0;
    if (!page(r, p) || !r.number(2, 0, 99, t) || !r.at_end())
        return false;
    s.switch_time[p - 1] = t;
    return true;
}

bool connectors(DeviceState& s, FieldReader& r)
{
    std::array<int, k_connectors> v{};
    for (int& x : v)
        if (!page(r, x))
            return false;
    if (!r.at_end())
        return false;
    s.connectors = v;
    return true;
}

bool remote_mode(DeviceState& s, FieldReader& r)
{
    static constexpr std::string_view modes[] = {"BIN", "BIT", "OPE"};
    for (int i = 0; i < 3; ++i) {
        FieldReader probe = r;
        if (probe.literal(modes[i]) && probe.at_end()) {
            s.remote_mode = i;
            return true;
        }
    }
    return false;
}

bool schedule_day(DeviceState& s, FieldReader& r)
{
    int day = 0;
    if (!r.number(2, 1, k_days, day))
        return false;
    std::array<ScheduleEntry, k_entries> entries{};
    for (ScheduleEntry& e : entries) {
        if (!r.number(2, 0, 23, e.hour) || !r.number(2, 0, 59, e.minute))
            return false;
        if (r.literal("PAS"))
            e.page = k_page_pas;
        else if (!r.number(3, 0, k_pages, e.page))
            return false;
    }
    if (!r.at_end())
        return false;
    s.schedule[day - 1] = entries;
    return true;
}

bool address(FieldReader& r, std::array<int, 4>& out)
{
    std::array<int, 4> v{};
    for (int i = 0; i < 4; ++i)
        if ((i > 0 && !r.literal(".")) || !r.number(3, 0, 255, v[i]))
            return false;
    if (!r.at_end())
        return false;
    out = v;
    return true;
}

bool glyph(DeviceState& s, FieldReader& r, GlyphSize size)
{
    const GlyphGeometry& g = geometry(size);
    int slot = 0;
    std::string_view digits;
    if (!r.number(3, 1, g.slot_count, slot) ||
        !r.hex_run(static_cast<std::size_t>(g.digits), digits) || !r.at_end())
        return false;
    s.glyph(size, slot - 1).assign(digits);
    return true;
}

bool glyph_insert(DeviceState& s, FieldReader& r)
{
    int number = 0;
    int p = 0;
    int position = 0;
    if (!r.number(3, 1, 256, number) || !r.literal("P") || !page(r, p) || !r.literal("I") ||
        !r.number(2, 1, k_title_codes, position) || !r.at_end())
        return false;
    s.title[p - 1][position - 1] = static_cast<std::uint16_t>(glyph_code(number - 1));
    return true;
}

// Seconds 30..59 round up to the next minute, carrying through the date.
void correct_thirty_seconds(Clock& c)
{
    const bool up = c.second >= 30;
    c.second = 0;
    if (!up || ++c.minute < 60)
        return;
    c.minute = 0;
    if (++c.hour < 24)
        return;
    c.hour = 0;
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const int year = 2000 + c.year;
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    const int month_days = days[c.month - 1] + (c.month == 2 && leap ? 1 : 0);
    if (++c.day <= month_days)
        return;
    c.day = 1;
    if (++c.month <= 12)
        return;
    c.month = 1;
    c.year = (c.year + 1) % 100;
}

struct Entry {
    std::string_view head;
    Handler handler;
};

// Several heads are prefixes of others ("P", "PAS", "PAST"; "IDP", "IDPM"): every head that
// matches is tried, and the first whose whole layout holds wins.
const Entry k_commands[] = {
    {"CA", title},
    {"CABC", colours},
    {"IDP", [](DeviceState& s, FieldReader& r) { return page_letter(r, "TB", s.title_position); }},
    {"PAST", switch_times},
    {"FB", background_fill},
    {"CWL", [](DeviceState& s, FieldReader& r) { return page_letter(r, "LH", s.char_level); }},
    {"P", [](DeviceState& s,
             FieldReader& r) { return single_number(r, 3, 1, k_pages, s.display_page); }},
    {"PAS",
     [](DeviceState& s, FieldReader& r) {
         if (!r.at_end())
             return false;
         s.display_page = k_page_pas;
         return true;
     }},
    {"IDO", [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.display_on); }},
    {"DSY",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 0, 99, s.clock.year); }},
    {"DSM",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 1, 12, s.clock.month); }},
    {"DSD", [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 1, 31, s.clock.day); }},
    {"TSH",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 0, 23, s.clock.hour); }},
    {"TSM",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 0, 59, s.clock.minute); }},
    {"TSS",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 2, 0, 59, s.clock.second); }},
    {"TSA",
     [](DeviceState& s, FieldReader& r) {
         if (!r.at_end())
             return false;
         correct_thirty_seconds(s.clock);
         return true;
     }},
    {"TSDR", [](DeviceState& s,
                FieldReader& r) { return single_number(r, 1, 1, 8, s.clock_display_range); }},
    {"TSDO",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.clock_display); }},
    {"TSDS",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "SN", s.clock_display_size); }},
    {"AM", [](DeviceState& s, FieldReader& r) { return single_choice(r, "IE", s.alarm_mode); }},
    {"ADT",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 3, 3, 999, s.alarm_hold_time); }},
    {"AP", [](DeviceState& s, FieldReader& r) { return single_choice(r, "MB", s.alarm_polarity); }},
    {"ADO", [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.alarm_display); }},
    {"ARO", [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.alarm_return); }},
    {"ACA", connectors},
    {"RCA", connectors},
    {"RM", remote_mode},
    {"CI",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "AR", s.connector_input); }},
    {"POSP",
     [](DeviceState& s, FieldReader& r) {
         if (r.literal("AS")) {
             if (!r.at_end())
                 return false;
             s.power_on_page = k_page_pas;
             return true;
         }
         return single_number(r, 3, 1, k_pages, s.power_on_page);
     }},
    {"IDPM", [](DeviceState& s, FieldReader& r) { return single_number(r, 1, 1, 2, s.page_mode); }},
    {"CFST",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "SML", s.upper_font_size); }},
    {"CFSB",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "SML", s.lower_font_size); }},
    {"IDOT", [](DeviceState& s,
                FieldReader& r) { return single_number(r, 3, 0, 104, s.upper_display_offset); }},
    {"IDOB", [](DeviceState& s,
                FieldReader& r) { return single_number(r, 3, 0, 104, s.lower_display_offset); }},
    {"VLBC", [](DeviceState& s,
                FieldReader& r) { return single_choice(r, "NB", s.video_loss_background); }},
    {"SD", schedule_day},
    {"EIA", [](DeviceState& s, FieldReader& r) { return address(r, s.addresses[k_ip_address]); }},
    {"EGA", [](DeviceState& s, FieldReader& r) { return address(r, s.addresses[k_gateway]); }},
    {"EAA",
     [](DeviceState& s, FieldReader& r) { return address(r, s.addresses[k_active_address]); }},
    {"ESM", [](DeviceState& s, FieldReader& r) { return single_choice(r, "ABC", s.subnet_class); }},
    {"EPN",
     [](DeviceState& s, FieldReader& r) {
         int port = 0;
         if (!single_number(r, 5, 0, 65535, port))
             return false;
         s.port_number = std::string(5, '0');
         for (int i = 4; i >= 0; --i, port /= 10)
             s.port_number[static_cast<std::size_t>(i)] = static_cast<char>('0' + port % 10);
         return true;
     }},
    {"ECTO",
     [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.connection_try); }},
    {"EKAO", [](DeviceState& s, FieldReader& r) { return single_choice(r, "FN", s.keep_alive); }},
    {"ETR",
     [](DeviceState& s, FieldReader& r) { return single_number(r, 1, 1, 6, s.time_register); }},
    {"GRL", [](DeviceState& s, FieldReader& r) { return glyph(s, r, GlyphSize::large); }},
    {"GRM", [](DeviceState& s, FieldReader& r) { return glyph(s, r, GlyphSize::medium); }},
    {"GRS", [](DeviceState& s, FieldReader& r) { return glyph(s, r, GlyphSize::small); }},
    {"G", glyph_insert},
};

}  // namespace

bool valid_title_code(std::uint16_t code)
{
    const int hi = code >> 8;
    const int lo = code & 0xFF;
    const bool jis = hi >= 0x21 && hi <= 0x7E && lo >= 0x21 && lo <= 0x7E;
    return jis || (code >= 0x9345 && code <= 0xA67E);
}

bool apply_set_command(DeviceState& state, std::string_view command)
{
    for (const Entry& e : k_commands) {
        if (command.substr(0, e.head.size()) != e.head)
            continue;
        FieldReader r(command.substr(e.head.size()));
        if (e.handler(state, r))
            return true;
    }
    return false;
}

std::string execute_command(DeviceState& state, std::string_view command)
{
    if (auto reply = format_reply(state, command))
        return *reply;
    return apply_set_command(state, command) ? "GO" : "E3";
}

}  // namespace devsim
