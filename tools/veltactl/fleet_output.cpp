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

}  // namespace

std::string table_text(const std::vector<DeviceRow>& rows)
{
    std::size_t device_w = 6;
    std::size_t result_w = 6;
    std::size_t time_w = 4;
    std::size_t sent_w = 4;
    for (const DeviceRow& r : rows) {
        device_w = std::max(device_w, r.device.size());
        result_w = std::max(result_w, r.result.size());
        time_w = std::max(time_w, seconds_text(r.seconds).size());
        sent_w = std::max(sent_w, sent_text(r.sent).size());
    }
    auto pad = [](std::string text, std::size_t width, bool right = false) {
        const std::string fill(width > text.size() ? width - text.size() : 0, ' ');
        return right ? fill + text : text + fill;
    };
    std::string out = pad("DEVICE", device_w) + "  " + pad("RESULT", result_w) + "  " +
                      pad("TIME", time_w, true) + "  " + pad("SENT", sent_w, true) + "  VERIFY\n";
    for (const DeviceRow& r : rows)
        out += pad(r.device, device_w) + "  " + pad(r.result, result_w) + "  " +
               pad(seconds_text(r.seconds), time_w, true) + "  " +
               pad(sent_text(r.sent), sent_w, true) + "  " + r.verify + "\n";
    return out;
}

std::string table_json(const std::vector<DeviceRow>& rows, int exit_code)
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
    return out + "],\"exit\":" + std::to_string(exit_code) + "}";
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
