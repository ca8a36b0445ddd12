// Feeds received bytes to the line assembler in arbitrary chunks: the lines must be exactly those
// of feeding the same bytes at once, never longer than the bound, and nothing may be lost.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/wire/line_assembler.h"

namespace {

struct Result {
    std::vector<std::string> lines;
    std::size_t pending = 0;
};

void check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

// Input: one byte choosing the overflow rule and the line bound, then chunks, each a length
// byte followed by up to that many bytes of the stream.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    using velta::LineAssembler;
    const LineAssembler::Overflow rule =
        (data[0] & 1) != 0 ? LineAssembler::Overflow::cut : LineAssembler::Overflow::drop;
    const std::size_t bound = (data[0] & 2) != 0 ? 599 : 1 + (data[0] >> 2);

    std::vector<std::string_view> chunks;
    std::string stream;
    for (std::size_t at = 1; at < size;) {
        const std::size_t want = data[at++];
        const std::size_t n = want < size - at ? want : size - at;
        chunks.emplace_back(reinterpret_cast<const char*>(data + at), n);
        stream.append(chunks.back());
        at += n;
    }

    Result in_chunks;
    std::string in_order;  // lines and dropped bytes as they were handed over
    LineAssembler a(rule, bound);
    for (std::string_view chunk : chunks)
        a.feed(
            chunk,
            [&](std::string_view line) {
                in_chunks.lines.emplace_back(line);
                in_order.append(line);
            },
            [&](std::string_view dropped) { in_order.append(dropped); });
    in_chunks.pending = a.pending();
    // What is dropped or cut off is handed over byte for byte, so nothing received goes unseen;
    // a dropped line even in the stream's order.
    check(in_order.size() + in_chunks.pending == stream.size());
    if (rule == LineAssembler::Overflow::drop)
        check(stream.compare(0, in_order.size(), in_order) == 0);

    Result at_once;
    LineAssembler b(rule, bound);
    b.feed(stream, [&](std::string_view line) { at_once.lines.emplace_back(line); });
    at_once.pending = b.pending();

    check(in_chunks.lines == at_once.lines);
    check(in_chunks.pending == at_once.pending);
    check(at_once.pending <= bound);

    std::size_t line_ends = 0;
    for (char c : stream) line_ends += c == '\n' ? 1 : 0;
    std::string joined;
    for (const std::string& line : at_once.lines) {
        check(line.size() <= bound);
        // A dropped line is gone whole, so every line handed over under that rule is complete.
        if (rule == LineAssembler::Overflow::drop)
            check(!line.empty() && line.back() == '\n');
        joined += line;
    }
    if (rule == LineAssembler::Overflow::cut)
        check(at_once.lines.size() == line_ends);  // one line per LF, cut or not
    else
        check(at_once.lines.size() <= line_ends);

    // Without an over-long line, the lines are the stream up to its last LF, byte for byte.
    const std::size_t last_lf = stream.rfind('\n');
    const std::string complete = last_lf == std::string::npos ? "" : stream.substr(0, last_lf + 1);
    bool any_long = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        if (stream[i] == '\n') {
            any_long = any_long || i + 1 - start > bound;
            start = i + 1;
        }
    }
    if (!any_long)
        check(joined == complete);
    return 0;
}
