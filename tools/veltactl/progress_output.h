#pragma once
// Progress of a run: a bar with step, percent and time left on a terminal; plain lines that a
// script can read otherwise; nothing with --quiet.

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

namespace veltactl {

enum class ProgressStyle { terminal, lines, quiet };

class ProgressOutput {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    ProgressOutput(std::ostream& out, ProgressStyle style, Clock clock = {});

    void begin(std::string_view device, std::string_view operation, int steps);
    void step(int done);
    // Ends the bar (a terminal line is cleared) and prints the device's result line.
    void end(bool ok, int done);
    // The bar and the result line as step and end draw them.
    std::string bar_text(int done) const;
    std::string end_text(bool ok, int done) const;
    // Prints a line of its own, clearing the bar first.
    void line(std::string_view text);
    double seconds() const;

private:
    void clear_bar();

    std::ostream& out_;
    ProgressStyle style_;
    Clock clock_;
    std::string device_;
    std::string operation_;
    int steps_ = 0;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point last_drawn_{};
    bool bar_shown_ = false;
    int last_shown_ = -1;
};

// "1:05" or "0:07"; hours when needed ("1:02:03").
std::string clock_text(double seconds);

}  // namespace veltactl
