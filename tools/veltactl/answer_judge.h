#pragma once
// What each command must be answered with, and the verdict on the answer that came.

#include <cstddef>
#include <string>
#include <string_view>

namespace veltactl {

enum class ExpectKind {
    go,     // a setting: "GO"
    reply,  // a read query: the data reply in the layout of its set command
    any,    // a raw command: anything but an error answer
};

struct Expect {
    ExpectKind kind = ExpectKind::go;
    std::string prefix;          // reply: the letters (and numbers) the reply starts with
    std::string exclude;         // reply: a longer prefix that belongs to another reply
    std::size_t min_length = 0;  // reply: characters before CR LF at least
    std::size_t hex_at = 0;      // reply: hex_count upper-case hexadecimal digits from hex_at
    std::size_t hex_count = 0;
};

Expect expect_go();
Expect expect_any();
// The reply that answers a read query ("RCA001\r\n" is answered by "CA001...",
// "RAD\r\n" by "ADO...", "RFBML2121\r\n" by "FBML...").
Expect expect_reply_to(std::string_view query);

struct Verdict {
    bool ok = false;
    // The run cannot go on sensibly: an error answer ("E0".."E3", "MENU") or a line that answers
    // something else. A mode error ("GN") fails the command but, as in the dialogs, not the run.
    bool stop = false;
    std::string reason;  // empty when ok
};

// line: one answer line as the device sent it, its RS-485 address already removed.
Verdict judge_answer(const Expect& expect, std::string_view line);

// The text for a message: control characters shown as <CR>, <LF>, <xx>; long texts cut to
// max characters with their length added.
std::string printable(std::string_view bytes, std::size_t max = 0);

}  // namespace veltactl
