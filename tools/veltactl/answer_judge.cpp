#include "answer_judge.h"

#include <array>
#include <cstdio>

namespace veltactl {
namespace {

std::string_view without_line_end(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

constexpr std::array<std::string_view, 6> k_error_answers = {"E0", "E1", "E2", "E3", "MENU", "GN"};

// Queries whose reply does not simply drop the "R".
struct Renamed {
    std::string_view query;
    std::string_view reply;
};
constexpr std::array<Renamed, 3> k_renamed = {{{"AD", "ADO"}, {"AR", "ARO"}, {"TSD", "TSDO"}}};

bool hex_digits(std::string_view body, std::size_t at, std::size_t count)
{
    if (count == 0)
        return true;
    if (body.size() < at + count)
        return false;
    for (const char c : body.substr(at, count))
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

}  // namespace

Expect expect_go()
{
    return Expect{};
}

Expect expect_any()
{
    Expect e;
    e.kind = ExpectKind::any;
    return e;
}

Expect expect_reply_to(std::string_view query)
{
    Expect e;
    e.kind = ExpectKind::reply;
    std::string_view body = without_line_end(query);
    if (body.starts_with('R'))
        body.remove_prefix(1);
    e.prefix.assign(body);
    for (const Renamed& r : k_renamed)
        if (body == r.query)
            e.prefix.assign(r.reply);
    // A bitmap reply repeats no code the program relies on: only its head is checked.
    if (body.starts_with("FBM") && body.size() > 4)
        e.prefix.assign(body.substr(0, 4));
    if (e.prefix == "IDP")
        e.exclude = "IDPM";
    e.min_length = e.prefix.size();
    return e;
}

Verdict judge_answer(const Expect& expect, std::string_view line)
{
    Verdict v;
    const std::string_view body = without_line_end(line);
    for (const std::string_view error : k_error_answers) {
        if (body == error) {
            v.stop = error != "GN";
            v.reason = "the device answered " + std::string(error);
            return v;
        }
    }
    switch (expect.kind) {
        case ExpectKind::go:
            v.ok = body == "GO";
            break;
        case ExpectKind::any:
            v.ok = true;
            break;
        case ExpectKind::reply:
            v.ok = body.starts_with(expect.prefix) &&
                   (expect.exclude.empty() || !body.starts_with(expect.exclude)) &&
                   body.size() >= expect.min_length;
            if (v.ok && !hex_digits(body, expect.hex_at, expect.hex_count)) {
                v.ok = false;
                v.stop = true;
                v.reason = "the reply holds other characters than hexadecimal digits";
                return v;
            }
            if (!v.ok && body.starts_with(expect.prefix) && body.size() < expect.min_length) {
                v.stop = true;
                v.reason = "the reply is too short (" + std::to_string(body.size()) + " of " +
                           std::to_string(expect.min_length) + " characters)";
                return v;
            }
            break;
    }
    v.stop = !v.ok;
    if (!v.ok)
        v.reason = expect.kind == ExpectKind::go
                       ? std::string("expected GO")
                       : "expected a reply starting with " + expect.prefix;
    return v;
}

std::string printable(std::string_view bytes, std::size_t max)
{
    std::string out;
    const bool cut = max > 0 && bytes.size() > max;
    const std::string_view shown = cut ? bytes.substr(0, max) : bytes;
    for (const char c : shown) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') {
            out += "<CR>";
        } else if (c == '\n') {
            out += "<LF>";
        } else if (u < 0x20 || u > 0x7E) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", u);
            out += hex;
        } else {
            out += c;
        }
    }
    if (cut)
        out += "...(" + std::to_string(bytes.size()) + " bytes)";
    return out;
}

}  // namespace veltactl
