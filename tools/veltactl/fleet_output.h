#pragma once
// What veltactl prints when it serves several devices: the table at the end (as text or JSON)
// and, on a terminal, a board with one line per running device and an overall line, redrawn
// in place under the lines already printed.

#include <chrono>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace veltactl {

struct DeviceRow {
    std::string device;
    std::string result;  // "ok", "differs", "failed: …", "unreachable: …", "interrupted", …
    double seconds = 0;
    int sent = -1;             // the steps that went to change the device; -1: it changes nothing
    std::string verify = "-";  // "-" without --verify
    int exit_code = 0;
};

// Columns a terminal gives UTF-8 text: East Asian wide and full-width characters take two.
std::size_t display_width(std::string_view utf8);

// Aligned columns DEVICE RESULT TIME SENT VERIFY, a line a device, in the order given; aligned
// by display width. not_listed: devices served earlier whose rows were not kept.
std::string table_text(const std::vector<DeviceRow>& rows, std::size_t not_listed = 0);
// {"devices":[{"device":…,"result":…,"seconds":…,"sent":…,"verify":…,"exit":…},…],"exit":N},
// with "not_listed":N when rows were not kept.
std::string table_json(const std::vector<DeviceRow>& rows, int exit_code,
                       std::size_t not_listed = 0);

// The end table's rows, by device number. A server that runs until it is interrupted keeps only
// the most recent ones, so that serving devices for days does not grow without bound.
class DeviceHistory {
public:
    explicit DeviceHistory(std::size_t keep = 0);  // 0: every row
    void set(int id, DeviceRow row);
    std::vector<DeviceRow> rows() const;
    std::size_t size() const { return rows_.size(); }
    std::size_t not_listed() const { return not_listed_; }

private:
    std::size_t keep_;
    std::map<int, DeviceRow> rows_;
    std::size_t not_listed_ = 0;
};

class FleetBoard {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    explicit FleetBoard(std::ostream& out, Clock clock = {});
    // A running device's line; redrawn at most ten times a second.
    void set(int id, std::string text);
    void remove(int id);
    void overall(std::string text);
    // A line of its own above the board.
    void line(std::string_view text);
    // Takes the board off the screen (before the table).
    void clear();

private:
    void draw();
    std::ostream& out_;
    Clock clock_;
    std::map<int, std::string> rows_;
    std::string overall_;
    int drawn_ = 0;  // lines of the board now on the screen
    std::chrono::steady_clock::time_point last_drawn_{};
};

}  // namespace veltactl
