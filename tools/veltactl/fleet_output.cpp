#include "fleet_output.h"

#include <algorithm>
#include <cstdio>

#include "compare_run.h"

namespace veltactl {
namespace {

constexpr auto k_redraw_period = std::chrono::milliseconds(100);

std::string seconds_text(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", s);
    return text;
}

std::string sent_text(int sent)
{
    return sent < 0 ? "-" : std::to_string(sent);
}

bool wide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
           (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
           (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
           (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F) ||
           (c >= 0x20000 && c <= 0x3FFFD);
}

bool zero_width(char32_t c)
{
    return (c >= 0x0300 && c <= 0x036F) || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x3099 && c <= 0x309A) || (c >= 0xFE00 && c <= 0xFE0F);
}

}  // namespace

std::size_t display_width(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        std::size_t n = 1;
        for (; n < length && i + n < utf8.size(); ++n)
            c = (c << 6) | (static_cast<unsigned char>(utf8[i + n]) & 0x3F);
        i += n;
        width += zero_width(c) ? 0 : wide(c) ? 2 : 1;
    }
    return width;
}

std::string table_text(const std::vector<DeviceRow>& rows, std::size_t not_listed)
{
    std::size_t device_w = 6;
    std::size_t result_w = 6;
    std::size_t time_w = 4;
    std::size_t sent_w = 4;
    for (const DeviceRow& r : rows) {
        device_w = std::max(device_w, display_width(r.device));
        result_w = std::max(result_w, display_width(r.result));
        time_w = std::max(time_w, seconds_text(r.seconds).size());
        sent_w = std::max(sent_w, sent_text(r.sent).size());
    }
    auto pad = [](std::string text, std::size_t width, bool right = false) {
        const std::size_t shown = display_width(text);
        const std::string fill(width > shown ? width - shown : 0, ' ');
        return right ? fill + text : text + fill;
    };
    std::string out = pad("DEVICE", device_w) + "  " + pad("RESULT", result_w) + "  " +
                      pad("TIME", time_w, true) + "  " + pad("SENT", sent_w, true) + "  VERIFY\n";
    for (const DeviceRow& r : rows)
        out += pad(r.device, device_w) + "  " + pad(r.result, result_w) + "  " +
               pad(seconds_text(r.seconds), time_w, true) + "  " +
               pad(sent_text(r.sent), sent_w, true) + "  " + r.verify + "\n";
    if (not_listed > 0)
        out += "(" + std::to_string(not_listed) + " earlier devices not listed)\n";
    return out;
}

std::string table_json(const std::vector<DeviceRow>& rows, int exit_code, std::size_t not_listed)
{
    std::string out = "{\"devices\":[";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const DeviceRow& r = rows[i];
        char secs[32];
        std::snprintf(secs, sizeof secs, "%.3f", r.seconds);
        out += std::string(i ? "," : "") + "{\"device\":" + json_string(r.device) +
               ",\"result\":" + json_string(r.result) + ",\"seconds\":" + secs +
               ",\"sent\":" + (r.sent < 0 ? std::string("null") : std::to_string(r.sent)) +
               ",\"verify\":" + json_string(r.verify) + ",\"exit\":" + std::to_string(r.exit_code) +
               "}";
    }
    out += "]";
    if (not_listed > 0)
        out += ",\"not_listed\":" + std::to_string(not_listed);
    return out + ",\"exit\":" + std::to_string(exit_code) + "}";
}

DeviceHistory::DeviceHistory(std::size_t keep) : keep_(keep) {}

void DeviceHistory::set(int id, DeviceRow row)
{
    rows_[id] = std::move(row);
    while (keep_ > 0 && rows_.size() > keep_) {
        rows_.erase(rows_.begin());
        ++not_listed_;
    }
}

std::vector<DeviceRow> DeviceHistory::rows() const
{
    std::vector<DeviceRow> out;
    out.reserve(rows_.size());
    for (const auto& [id, row] : rows_) out.push_back(row);
    return out;
}

FleetBoard::FleetBoard(std::ostream& out, Clock clock)
    : out_(out), clock_(clock ? std::move(clock) : Clock(std::chrono::steady_clock::now))
{
}

void FleetBoard::set(int id, std::string text)
{
    const bool added = !rows_.contains(id);
    rows_[id] = std::move(text);
    if (added || clock_() - last_drawn_ >= k_redraw_period)
        draw();
}

void FleetBoard::remove(int id)
{
    if (rows_.erase(id) > 0)
        draw();
}

void FleetBoard::overall(std::string text)
{
    overall_ = std::move(text);
    draw();
}

void FleetBoard::line(std::string_view text)
{
    clear();
    out_ << text << '\n';
    draw();
}

void FleetBoard::clear()
{
    if (drawn_ > 0)
        out_ << "\x1b[" << drawn_ << "F\x1b[J";  // up to the board's first line, erase below
    drawn_ = 0;
    out_ << std::flush;
}

void FleetBoard::draw()
{
    clear();
    if (rows_.empty() && overall_.empty())
        return;
    for (const auto& [id, text] : rows_) out_ << text << "\x1b[K\n";
    out_ << overall_ << "\x1b[K\n" << std::flush;
    drawn_ = static_cast<int>(rows_.size()) + 1;
    last_drawn_ = clock_();
}

}  // namespace veltactl
