// Any answer line, against what a setting, a raw command or any read query expects, gets a
// verdict that agrees with the answer rules, and its printable form shows every byte.
//
// Input: one byte choosing the expectation (and, for glyph reads, where hexadecimal digits
// must stand), then the query up to the first LF, then the answer line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "answer_judge.h"
#include "fuzz_check.h"

namespace {

using velta::fuzz::check;
using namespace veltactl;

std::string_view body_of(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

bool is_error_answer(std::string_view body)
{
    for (std::string_view e : {"E0", "E1", "E2", "E3", "MENU", "GN"})
        if (body == e)
            return true;
    return false;
}

bool is_hex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

void check_verdict(const Expect& expect, std::string_view line)
{
    const Verdict v = judge_answer(expect, line);
    const std::string_view body = body_of(line);
    check(v.ok == v.reason.empty());
    check(!(v.ok && v.stop));
    if (is_error_answer(body)) {
        check(!v.ok && v.stop == (body != "GN"));
        return;
    }
    switch (expect.kind) {
        case ExpectKind::go:
            check(v.ok == (body == "GO") && v.stop == !v.ok);
            break;
        case ExpectKind::any:
            check(v.ok);
            break;
        case ExpectKind::reply: {
            bool fits = body.starts_with(expect.prefix) && body.size() >= expect.min_length &&
                        (expect.exclude.empty() || !body.starts_with(expect.exclude));
            if (fits && expect.hex_count > 0) {
                fits = body.size() >= expect.hex_at + expect.hex_count;
                for (std::size_t i = 0; fits && i < expect.hex_count; ++i)
                    fits = is_hex(body[expect.hex_at + i]);
            }
            check(v.ok == fits && v.stop == !v.ok);
            break;
        }
    }
    // Line ends are not part of the answer.
    const Verdict again = judge_answer(expect, std::string(body) + "\r\n");
    check(again.ok == v.ok && again.stop == v.stop && again.reason == v.reason);
}

// Every byte shows as itself or as a four-character tag; a cut text says how long it was.
void check_printable(std::string_view bytes, std::size_t max)
{
    const std::string shown = printable(bytes, max);
    const bool cut = max > 0 && bytes.size() > max;
    std::size_t expected = 0;
    for (const char c : cut ? bytes.substr(0, max) : bytes) {
        const auto u = static_cast<unsigned char>(c);
        expected += u >= 0x20 && u <= 0x7E ? 1 : 4;
    }
    const std::string tail = cut ? "...(" + std::to_string(bytes.size()) + " bytes)" : "";
    check(shown.size() == expected + tail.size() && shown.ends_with(tail));
    for (const char c : shown) check(c >= 0x20 && c <= 0x7E);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t lf = rest.find('\n');
    const std::string_view query = rest.substr(0, lf == std::string_view::npos ? 0 : lf + 1);
    const std::string_view line = rest.substr(query.size());

    Expect expect;
    switch (data[0] % 4) {
        case 0:
            expect = expect_go();
            break;
        case 1:
            expect = expect_any();
            break;
        case 2:
            expect = expect_reply_to(query);
            break;
        default:  // a glyph read: hexadecimal digits after the reply head
            expect = expect_reply_to(query);
            expect.hex_at = data[0] >> 5;
            expect.hex_count = (data[0] >> 2) & 7;
            expect.min_length = expect.hex_at + expect.hex_count;
            break;
    }
    check_verdict(expect, line);
    check_printable(line, data[0] % 32);
    return 0;
}
