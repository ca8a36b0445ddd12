#pragma once
// When things happen on the link: the pace of a serial line, the delay before answers, split
// and merged answers. Time is passed in (nanoseconds of a steady clock), so the transports
// and the tests drive it the same way.

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "device_session.h"

namespace devsim {

// 38400 baud with 8 data bits, even parity and one stop bit: 11 bits a character.
constexpr std::int64_t k_line_baud = 38400;
constexpr std::int64_t k_bits_per_char = 11;

// The pause between the two writes of a split answer, long enough to reach the peer as two
// receipts.
constexpr std::int64_t k_split_gap_ns = 20'000'000;
// How long a merged answer waits for its partner before it goes out alone.
constexpr std::int64_t k_merge_hold_ns = 500'000'000;

// Characters through a serial line: one character takes k_bits_per_char bit times, and a
// character is through only when its last bit is. Times are exact, whenever take() is called:
// a late call finds more characters through, it does not shift the ones after them.
class LinePace {
public:
    // How many of `waiting` characters are through at `now`; they count as sent. A line that
    // stood still starts again at `ready` (when the characters were there to go, at most `now`),
    // but never before its last character was through.
    std::size_t take(std::int64_t now, std::size_t waiting, std::int64_t ready);
    std::size_t take(std::int64_t now, std::size_t waiting) { return take(now, waiting, now); }
    // When the next character will be through.
    std::int64_t next_time() const;
    // When character `i` (from 0) of those the last take() returned was through.
    std::int64_t taken_time(std::size_t i) const;

private:
    static std::int64_t chars_by(std::int64_t elapsed_ns);
    static std::int64_t time_of(std::int64_t chars);

    std::int64_t start_ = 0;
    std::int64_t sent_ = 0;
    std::int64_t taken_from_ = 0;  // sent_ before the last take()
    bool running_ = false;
    bool backlog_ = false;
};

struct LogEntry {
    char direction;  // '<' received, '>' sent
    std::string text;
};

class LinkSchedule {
public:
    explicit LinkSchedule(DeviceSession& session);

    void received(std::string_view bytes) { input_ += bytes; }

    struct Step {
        std::vector<std::string> writes;  // one element per write, in order
        std::vector<LogEntry> log;
        bool close = false;      // close the link after the writes
        std::int64_t wake = -1;  // call run() again at this time (-1: on input only)
    };
    Step run(std::int64_t now);

    // A new connection: nothing received or due carries over.
    void reset();

private:
    struct Item {
        std::int64_t due;
        std::string bytes;
        bool close;
        std::string logged;  // what the log shows when the item is out
        std::size_t sent = 0;
    };
    void take_input(std::int64_t now, Step& step);
    void take_lines(std::string_view bytes, std::int64_t at, Step& step);
    void answer(std::int64_t now, std::string bytes);
    void release_held(std::int64_t now);
    void write_answer(std::int64_t due, std::string bytes);
    void enqueue(std::int64_t due, std::string bytes, bool close, std::string logged);
    void send_due(std::int64_t now, Step& step);

    DeviceSession& session_;
    const FaultPlan& plan_;
    std::string input_;
    std::deque<Item> output_;
    std::int64_t last_due_ = 0;
    std::string held_;
    std::int64_t held_since_ = 0;
    std::int64_t held_due_ = 0;
    bool holding_ = false;
    LinePace in_pace_;
    LinePace out_pace_;
    // How long after its last character was through the last throttled write went out (the
    // timer's rounding and wake-up). A peer waiting for that answer sent its next command this
    // much late, so that command's line starts this much earlier; otherwise every exchange
    // would add a timer tick to the pace.
    std::int64_t write_lateness_ = 0;
};

}  // namespace devsim
