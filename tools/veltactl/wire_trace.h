#pragma once
// The wire trace: every byte sent and received, with the time, the device and the direction,
// one line per command or answer, readable by a person.

#include <chrono>
#include <ctime>
#include <string>
#include <string_view>

#include "core/common/file_io.h"

namespace veltactl {

enum class TraceDirection { sent, received, note };

// The local time of a moment, on every platform.
std::tm local_time(std::time_t t);

// "2026-12-09 05:41:07.123 +0.045210 10.0.0.5:9004 > RCA001<CR><LF>"
std::string trace_line(const std::tm& local, int milliseconds, double elapsed_seconds,
                       std::string_view device, TraceDirection direction, std::string_view bytes);

class WireTrace {
public:
    // Refuses a link planted at path by another user and a folder anyone may swap files in;
    // why (if given) says why.
    bool open(const std::string& path, std::string* why = nullptr);
    bool is_open() const { return file_.is_open(); }
    void write(std::string_view device, TraceDirection direction, std::string_view bytes);
    bool good() const { return file_.good(); }
    // The line write would write now: devices served side by side keep their lines and write
    // them as one section when they end.
    std::string line(std::string_view device, TraceDirection direction,
                     std::string_view bytes) const;
    void write_section(std::string_view lines);

private:
    velta::StreamFile file_;
    std::chrono::steady_clock::time_point started_{};
};

}  // namespace veltactl
