#pragma once
// How a command ended. Every command ends in exactly one outcome, reported in one place
// (report_outcome): the dispatcher reports the answer line, the links report what kept an
// answer from coming. A line that is no answer at all (noise) has none. The outcome observer hears
// of it first; then the outcome's message box, if it has one, is shown. Hosts decide on outcomes,
// never on the texts of boxes.

#include <functional>
#include <string>
#include <string_view>

#include "core/common/message_boxes.h"

namespace velta {

enum class LinkKind { serial, socket };

enum class OutcomeKind {
    go,             // "GO": the setting was taken
    error_answer,   // "E0".."E3" (error says which)
    mode_error,     // "GN"
    menu,           // "MENU": the device shows its menu
    data_reply,     // a data reply that decoded
    damaged_reply,  // a data reply that does not hold what its layout promises
    timed_out,      // TCP/IP: no answer within the answer time-out, or its device left
    send_failed,    // TCP/IP: the command could not be written
    not_connected,  // TCP/IP: no link to send on
    no_answer,      // serial: the watchdog ran out, or the port went away
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::go;
    LinkKind link = LinkKind::serial;
    int error = -1;       // error_answer: 0..3
    std::string item;     // data_reply, damaged_reply: the item ("ADT", "CA005", "SD01")
    std::string detail;   // timed_out, no_answer: the far end or the port, when known
    bool late = false;    // the late answer of a command that already timed out
    bool failed() const;  // the command did not do what it was sent for
};

// An outcome of kind on link, the other fields empty.
Outcome outcome_of(OutcomeKind kind, LinkKind link = LinkKind::serial);

using OutcomeObserver = std::function<void(const Outcome&)>;

struct DeviceContext;

// Tells the context's outcome observer, then shows the outcome's box through the context's
// boxes. The caller keeps the link status (reply_error, success_pending) as the outcome means.
void report_outcome(DeviceContext& context, const Outcome& outcome);

// The message an outcome is shown with (empty for a quiet one), the box's first line.
std::string_view outcome_message(const Outcome& outcome);

// The texts of the outcomes' boxes (and k_text_not_connected).
inline constexpr std::string_view k_text_success = "Success";
inline constexpr std::string_view k_text_socket_ok = "Socket ＯＫ";
inline constexpr std::string_view k_text_mode_error = "Mode Error";
inline constexpr std::string_view k_text_socket_mode = "Socket mode difference";
inline constexpr std::string_view k_text_menu = "Menu Display";
inline constexpr std::string_view k_text_reply_damaged = "応答データが正しくありません";
inline constexpr std::string_view k_text_no_answer_tcp = "Answer が､きません";
inline constexpr std::string_view k_text_no_answer_serial = "No Connect";
inline constexpr std::string_view k_text_send_failed = "Socket 送信";
inline constexpr std::string_view k_text_serial_errors[] = {"Framing Error", "Parity Error",
                                                            "Over Run Error", "Command Error"};
inline constexpr std::string_view k_text_socket_errors[] = {"Socket Framing", "Socket Framing",
                                                            "Socket Over run", "Socket Command"};

}  // namespace velta
