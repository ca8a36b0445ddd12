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

// Aligned columns DEVICE RESULT TIME SENT VERIFY, a line a device, in the order given.
std::string table_text(const std::vector<DeviceRow>& rows);
// {"devices":[{"device":…,"result":…,"seconds":…,"sent":…,"verify":…,"exit":…},…],"exit":N}
std::string table_json(const std::vector<DeviceRow>& rows, int exit_code);

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
