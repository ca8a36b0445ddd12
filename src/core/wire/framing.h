#pragma once
// The one send path. send_command routes a command of a device context to the serial framing
// or to the TCP/IP link; the links install where the context's bytes go (its wire hooks).

#include <functional>
#include <string>
#include <string_view>

#include "core/common/built_command.h"

namespace velta {

struct DeviceContext;
struct LinkSettings;

inline constexpr std::size_t k_max_framed = 599;  // a 600-byte buffer with its terminator

struct WireHooks {
    std::function<void(std::string_view framed)> serial_write;
    // Sends one command on the TCP/IP link and arranges for its answer (socket_send_and_wait).
    std::function<void(std::string_view command)> socket_send;
    // True while a TCP/IP answer is awaited; paced runs send their next step only when not.
    std::function<bool()> answer_outstanding;
};

// What a context has sent: the answer-paced runs tell from it whether a step sent anything and
// how many answers it awaits.
struct SendTally {
    long long commands = 0;          // commands handed to a link
    long long awaited = 0;           // of them, those a device answers (not a broadcast)
    long long unanswered_bytes = 0;  // serial bytes of the commands nobody answers
};

bool link_ready(const DeviceContext& context);
bool answer_outstanding(const DeviceContext& context);

// The text that goes on the serial wire: the command, with "NN" or "FF" in front on RS-485.
std::string frame_serial(const LinkSettings& link, std::string_view command);
void serial_send(DeviceContext& context, std::string_view command);
void send_command(DeviceContext& context, std::string_view command);
// Sends a built command (nothing when it is empty); a refused one is shown as its dialog shows
// it, through the context's boxes, and nothing is sent (false).
bool send_built(DeviceContext& context, const BuiltCommand& command);

}  // namespace velta
