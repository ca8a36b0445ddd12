#pragma once
// Lines of the simulator's log: a UTC time stamp, the direction and the bytes, with line ends
// and other control bytes written as escapes so that every entry stays on one line.

#include <chrono>
#include <string>
#include <string_view>

namespace devsim {

std::string escape_for_log(std::string_view bytes);

// "2026-03-05T09:07:30.123Z < RCA001"
std::string log_line(std::chrono::system_clock::time_point when, char direction,
                     std::string_view bytes);

}  // namespace devsim
