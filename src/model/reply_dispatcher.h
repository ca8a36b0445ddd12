#pragma once
// Decodes every line the device sends into the settings model and the answer flags.

#include <functional>
#include <string_view>

namespace velta {

enum class LinkKind { serial, socket };

// A data reply that does not hold what its layout promises: shown as an error box whose detail
// names the item (the reply's head, with the page or day it names), and reply_error is set so
// that a run stops as after an error answer.
inline constexpr std::string_view k_text_reply_damaged = "応答データが正しくありません";

// One received line from the serial link (LF included).
void serial_dispatch(std::string_view line);
// Takes the receipt in socket_rx_buffer / socket_rx_len, assembles it into socket_line and
// decodes the line once it ends in LF.
void socket_dispatch();
// Stores one receipt as socket_rx_buffer / socket_rx_len and runs socket_dispatch.
void socket_receive(std::string_view receipt);
// The same for the late answer of a command that already failed on its time-out: decoded into
// the model, but no success notice, and reply_error is not cleared.
void socket_receive_late(std::string_view receipt);

// Sees every line as it came from the link, before anything is decoded: a wire trace.
void set_line_tap(std::function<void(std::string_view line)> tap);

// Called after every decoded line, so that an open dialog can refresh itself.
void set_reply_observer(std::function<void(std::string_view line)> observer);

}  // namespace velta
