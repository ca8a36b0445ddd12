#pragma once
// One device on one link: assembles command lines from received bytes, applies the RS-485
// addressing, runs each command against the state and decides the answer, including the
// faults that change what is answered. When answers go out is the link schedule's business.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device_state.h"

namespace devsim {

// Faults on request. Commands are numbered from 1 in the order this device takes them
// (lines for other RS-485 addresses are not counted; broadcasts are).
struct FaultPlan {
    bool no_answer = false;                // never answer
    std::set<long> no_answer_at;           // no answer to these commands
    std::map<long, std::string> error_at;  // answer this status instead, command not run
    std::set<long> garbage_at;             // a garbage line before these answers
    std::set<long> store_wrong_at;         // run these set commands with a changed value
    long close_after = 0;                  // close the link after this command (0: never)
    int delay_ms = 0;                      // before each answer
    bool split = false;                    // each answer in two writes
    bool merge = false;                    // two answers in one write
    bool throttle = false;                 // 38400 baud 8E1 pace, both ways
};

// A set command that the device takes but that stores a different value than `command` would:
// the last character that can be changed into another accepted one is changed (a title's last
// code, a number's last digit, a letter of a choice). Nothing for a query or a refused command.
std::optional<std::string> wrong_value_command(const DeviceState& state, std::string_view command);

// The status answers that may be forced on a command.
bool valid_forced_status(std::string_view status);

// A received line longer than this is an overrun: it is answered "E3" and not run.
constexpr std::size_t k_max_line = 1024;

// What a garbage fault writes: a line that starts like no answer the tool knows.
constexpr std::string_view k_garbage_line = "#?garbage\x01\xfe\r\n";

struct SessionEvent {
    enum class Kind { received, answer, garbage, close };
    Kind kind;
    std::string text;  // received: the line without its ending; otherwise the bytes to write
};

class DeviceSession {
public:
    // rs485_address: 0..31, or -1 for RS-232C (no address in front of commands or answers).
    DeviceSession(DeviceState& state, int rs485_address, FaultPlan plan);

    std::vector<SessionEvent> receive(std::string_view bytes);

    // A new connection starts with an empty line.
    void reset_line();

    long commands_taken() const { return commands_; }
    const FaultPlan& plan() const { return plan_; }

private:
    void take_line(std::string_view line, bool overrun, std::vector<SessionEvent>& events);

    DeviceState& state_;
    int address_;
    FaultPlan plan_;
    std::string line_;
    bool overrun_ = false;
    long commands_ = 0;
};

}  // namespace devsim
