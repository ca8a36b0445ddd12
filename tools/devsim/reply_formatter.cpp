// Read queries. Each reply has the layout of the set command of its item, so the tool reads it
// back with the decoder of that command.

#include <array>
#include <functional>
#include <map>

#include "device_protocol.h"
#include "field_reader.h"

namespace devsim {

std::string decimal(int value, int width)
{
    std::string out(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0 && value > 0; --i, value /= 10)
        out[static_cast<std::size_t>(i)] = static_cast<char>('0' + value % 10);
    return out;
}

namespace {

std::string hex4(unsigned code)
{
    static constexpr char k_digits[] = "0123456789ABCDEF";
    std::string out(4, '0');
    for (int i = 3; i >= 0; --i, code >>= 4)
        out[static_cast<std::size_t>(i)] = k_digits[code & 0xF];
    return out;
}

// One letter of `letters` per page, picked by each page's value.
std::string page_letters(const std::array<int, k_pages>& values, std::string_view letters)
{
    std::string out;
    out.reserve(k_pages);
    for (int v : values) out += letters[static_cast<std::size_t>(v)];
    return out;
}

std::string address(const std::array<int, 4>& a)
{
    return decimal(a[0], 3) + "." + decimal(a[1], 3) + "." + decimal(a[2], 3) + "." +
           decimal(a[3], 3);
}

std::string title_reply(const DeviceState& s, int page)
{
    std::string out = "CA" + decimal(page, 3);
    for (std::uint16_t code : s.title[page - 1]) out += hex4(code);
    return out;
}

std::string schedule_reply(const DeviceState& s, int day)
{
    std::string out = "SD" + decimal(day, 2);
    for (const ScheduleEntry& e : s.schedule[day - 1]) {
        out += decimal(e.hour, 2) + decimal(e.minute, 2);
        out += e.page == k_page_pas ? std::string("PAS") : decimal(e.page, 3);
    }
    return out;
}

// Glyph bitmaps are found by character code. A code that names no registered glyph of the
// size (a sample character, say) gets a blank bitmap: this device draws no font.
std::string glyph_reply(const DeviceState& s, GlyphSize size, std::uint16_t code)
{
    const GlyphGeometry& g = geometry(size);
    const int slot = glyph_slot_of_code(code);
    std::string out = std::string("FBM") + g.letter + hex4(code);
    if (slot >= 0 && slot < g.slot_count)
        out += s.glyph(size, slot);
    else
        out += std::string(static_cast<std::size_t>(g.digits), '0');
    return out;
}

using Fixed = std::function<std::string(const DeviceState&)>;

const std::map<std::string_view, Fixed>& fixed_queries()
{
    static const std::map<std::string_view, Fixed> table = [] {
        std::map<std::string_view, Fixed> t;
        auto off_on = [](int v) { return std::string(v ? "N" : "F"); };
        t["RACA"] = [](const DeviceState& s) {
            std::string out = "ACA";
            for (int p : s.connectors) out += decimal(p, 3);
            return out;
        };
        t["RAD"] = [off_on](const DeviceState& s) { return "ADO" + off_on(s.alarm_display); };
        t["RADO"] = t["RAD"];
        t["RADT"] = [](const DeviceState& s) { return "ADT" + decimal(s.alarm_hold_time, 3); };
        t["RAM"] = [](const DeviceState& s) { return std::string("AM") + "IE"[s.alarm_mode]; };
        t["RAP"] = [](const DeviceState& s) { return std::string("AP") + "MB"[s.alarm_polarity]; };
        t["RAR"] = [off_on](const DeviceState& s) { return "ARO" + off_on(s.alarm_return); };
        t["RARO"] = t["RAR"];
        t["RCBC"] = [](const DeviceState& s) {
            return "CBC" + page_letters(s.border_color, "012345678");
        };
        t["RCC"] = [](const DeviceState& s) {
            return "CC" + page_letters(s.char_color, "012345678");
        };
        t["RCFST"] = [](const DeviceState& s) {
            return std::string("CFST") + "SML"[s.upper_font_size];
        };
        t["RCFSB"] = [](const DeviceState& s) {
            return std::string("CFSB") + "SML"[s.lower_font_size];
        };
        t["RCI"] = [](const DeviceState& s) { return std::string("CI") + "AR"[s.connector_input]; };
        t["RCWL"] = [](const DeviceState& s) { return "CWL" + page_letters(s.char_level, "LH"); };
        t["RFB"] = [](const DeviceState& s) { return "FB" + page_letters(s.fill, "FN"); };
        t["RIDOB"] = [](const DeviceState& s) {
            return "IDOB" + decimal(s.lower_display_offset, 3);
        };
        t["RIDOT"] = [](const DeviceState& s) {
            return "IDOT" + decimal(s.upper_display_offset, 3);
        };
        t["RIDO"] = [off_on](const DeviceState& s) { return "IDO" + off_on(s.display_on); };
        t["RIDP"] = [](const DeviceState& s) {
            return "IDP" + page_letters(s.title_position, "TB");
        };
        t["RIDPM"] = [](const DeviceState& s) { return "IDPM" + decimal(s.page_mode, 1); };
        t["RPAST"] = [](const DeviceState& s) {
            std::string out = "PAST";
            for (int v : s.switch_time) out += decimal(v, 2);
            return out;
        };
        t["RPOSP"] = [](const DeviceState& s) {
            return "POSP" + (s.power_on_page == k_page_pas ? std::string("AS")
                                                           : decimal(s.power_on_page, 3));
        };
        t["RP"] = [](const DeviceState& s) {
            return s.display_page == k_page_pas ? std::string("PAS")
                                                : "P" + decimal(s.display_page, 3);
        };
        t["RRM"] = [](const DeviceState& s) {
            static constexpr const char* modes[] = {"RMBIN", "RMBIT", "RMOPE"};
            return std::string(modes[s.remote_mode]);
        };
        t["RTSD"] = [off_on](const DeviceState& s) { return "TSDO" + off_on(s.clock_display); };
        t["RTSDO"] = t["RTSD"];
        t["RTSDR"] = [](const DeviceState& s) {
            return "TSDR" + decimal(s.clock_display_range, 1);
        };
        t["RTSDS"] = [](const DeviceState& s) {
            return std::string("TSDS") + "SN"[s.clock_display_size];
        };
        t["RVLBC"] = [](const DeviceState& s) {
            return std::string("VLBC") + "NB"[s.video_loss_background];
        };
        t["RVN"] = [](const DeviceState& s) { return "VN" + s.firmware_version; };
        t["REIA"] = [](const DeviceState& s) { return "EIA" + address(s.addresses[k_ip_address]); };
        t["REGA"] = [](const DeviceState& s) { return "EGA" + address(s.addresses[k_gateway]); };
        t["REAA"] = [](const DeviceState& s) {
            return "EAA" + address(s.addresses[k_active_address]);
        };
        t["RESM"] = [](const DeviceState& s) { return std::string("ESM") + "ABC"[s.subnet_class]; };
        t["REPN"] = [](const DeviceState& s) { return "EPN" + s.port_number; };
        t["RECT"] = [off_on](const DeviceState& s) { return "ECTO" + off_on(s.connection_try); };
        t["REKA"] = [off_on](const DeviceState& s) { return "EKAO" + off_on(s.keep_alive); };
        t["RETR"] = [](const DeviceState& s) { return "ETR" + decimal(s.time_register, 1); };
        t["REMA"] = [](const DeviceState& s) { return "EMA" + s.mac_address; };
        t["RDSY"] = [](const DeviceState& s) { return "DSY" + decimal(s.clock.year, 2); };
        t["RDSM"] = [](const DeviceState& s) { return "DSM" + decimal(s.clock.month, 2); };
        t["RDSD"] = [](const DeviceState& s) { return "DSD" + decimal(s.clock.day, 2); };
        t["RTSH"] = [](const DeviceState& s) { return "TSH" + decimal(s.clock.hour, 2); };
        t["RTSM"] = [](const DeviceState& s) { return "TSM" + decimal(s.clock.minute, 2); };
        t["RTSS"] = [](const DeviceState& s) { return "TSS" + decimal(s.clock.second, 2); };
        return t;
    }();
    return table;
}

}  // namespace

std::optional<std::string> format_reply(const DeviceState& state, std::string_view query)
{
    const auto& fixed = fixed_queries();
    if (auto it = fixed.find(query); it != fixed.end())
        return it->second(state);

    FieldReader r(query);
    int n = 0;
    if (r.literal("RCA") && r.number(3, 1, k_pages, n) && r.at_end())
        return title_reply(state, n);
    r = FieldReader(query);
    if (r.literal("RSD") && r.number(2, 1, k_days, n) && r.at_end())
        return schedule_reply(state, n);
    r = FieldReader(query);
    std::uint16_t code = 0;
    if (r.literal("RFBM") && r.choice("LMS", n) && r.hex4(code) && r.at_end())
        return glyph_reply(state, static_cast<GlyphSize>(n), code);
    return std::nullopt;
}

}  // namespace devsim
