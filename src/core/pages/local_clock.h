#pragma once
// The computer's local date and time, read once when the date and time dialog opens. Behind a
// function type so tests can open the dialog at a fixed moment.

#include <functional>

namespace velta {

struct LocalTime {
    int year = 2000;
    int month = 1;  // 1 .. 12
    int day = 1;    // 1 .. 31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

using LocalClock = std::function<LocalTime()>;

LocalTime local_time_now();

// The list indexes the dialog preselects: year - 2000 (-1, no selection, outside 2000..2099),
// month - 1, day - 1, hour, minute, second.
struct ClockIndexes {
    int year = -1;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};
ClockIndexes clock_indexes(const LocalTime& t);

}  // namespace velta
