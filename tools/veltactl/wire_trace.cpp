#include "wire_trace.h"

#include <cstdio>

#include "answer_judge.h"
#include "core/common/file_io.h"

namespace veltactl {

std::tm local_time(std::time_t t)
{
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return local;
}

std::string trace_line(const std::tm& local, int milliseconds, double elapsed_seconds,
                       std::string_view device, TraceDirection direction, std::string_view bytes)
{
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d +%.6f ",
                  local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, local.tm_sec, milliseconds, elapsed_seconds);
    std::string line = stamp;
    line.append(device);
    switch (direction) {
        case TraceDirection::sent:
            line += " > " + printable(bytes);
            break;
        case TraceDirection::received:
            line += " < " + printable(bytes);
            break;
        case TraceDirection::note:
            line += " # ";
            line.append(bytes);  // the program's own words, CP932 texts included, as they are
            break;
    }
    line += '\n';
    return line;
}

bool WireTrace::open(const std::string& path, std::string* why)
{
    started_ = std::chrono::steady_clock::now();
    return file_.open(path, why);
}

void WireTrace::write(std::string_view device, TraceDirection direction, std::string_view bytes)
{
    if (!file_.is_open())
        return;
    file_.write(line(device, direction, bytes));
    if (direction == TraceDirection::note)
        file_.flush();  // notes mark the events one looks for after a failure
}

void WireTrace::write_section(std::string_view lines)
{
    if (!file_.is_open())
        return;
    file_.write(lines);
    file_.flush();
}

std::string WireTrace::line(std::string_view device, TraceDirection direction,
                            std::string_view bytes) const
{
    const auto now = std::chrono::system_clock::now();
    const std::tm local = local_time(std::chrono::system_clock::to_time_t(now));
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    return trace_line(local, static_cast<int>(ms.count()), elapsed, device, direction, bytes);
}

}  // namespace veltactl
