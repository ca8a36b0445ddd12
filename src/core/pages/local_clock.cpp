#include "core/pages/local_clock.h"

#include <ctime>

namespace velta {

LocalTime local_time_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#if defined(_WIN32)
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

namespace {
int index_in(int value, int first, int count)
{
    const int index = value - first;
    return index >= 0 && index < count ? index : -1;
}
}  // namespace

ClockIndexes clock_indexes(const LocalTime& t)
{
    // A leap second (60) has no item; it selects nothing rather than something wrong.
    return {index_in(t.year, 2000, 100), index_in(t.month, 1, 12),  index_in(t.day, 1, 31),
            index_in(t.hour, 0, 24),     index_in(t.minute, 0, 60), index_in(t.second, 0, 60)};
}

}  // namespace velta
