#include "core/wire/reply_dispatcher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/wire/codecs.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "core/wire/reply_fields.h"

// The dispatcher knows no area: the device-wide, page and glyph areas register their reply rows
// (reply_fields.h).

namespace velta {
namespace {

// The reply without its line end.
constexpr std::size_t k_max_line = 599;

std::string_view body_of(std::string_view line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

std::vector<const ReplyRow*>& table()
{
    static std::vector<const ReplyRow*> rows;
    return rows;
}

// The row with the longest head the line starts with.
const ReplyRow* row_for(std::string_view line)
{
    const ReplyRow* best = nullptr;
    for (const ReplyRow* row : table())
        if (line.starts_with(row->prefix) && (!best || row->prefix.size() > best->prefix.size()))
            best = row;
    return best;
}

// The item a reply answers, for the message: its head and the page or day it names.
std::string reply_item(const ReplyRow& row, std::string_view body)
{
    std::string item(row.prefix);
    const std::size_t n = row.number_digits;
    if (n > 0 && digits_at(body, row.prefix.size(), n))
        item.append(body.substr(row.prefix.size(), n));
    return item;
}

// The status answers that come after the data replies: "GN" and "E0".."E3". Serial lines are
// compared whole, socket lines by their first two characters.
std::optional<Outcome> status_outcome(std::string_view line, LinkKind link)
{
    auto is = [&](std::string_view answer) {
        if (link == LinkKind::socket)
            return line.substr(0, 2) == answer;
        return line.size() == answer.size() + 2 && line.starts_with(answer) &&
               line.ends_with("\r\n");
    };
    if (is("GN"))
        return outcome_of(OutcomeKind::mode_error, link);
    constexpr std::string_view k_errors[] = {"E0", "E1", "E2", "E3"};
    for (int e = 0; e < 4; ++e)
        if (is(k_errors[e])) {
            Outcome o = outcome_of(OutcomeKind::error_answer, link);
            o.error = e;
            return o;
        }
    return std::nullopt;  // noise: no outcome
}

// Decodes the line into the decode target and names its outcome.
std::optional<Outcome> decode(DeviceContext& c, std::string_view line, LinkKind link)
{
    const bool go = link == LinkKind::serial ? line == "GO\r\n" : line.substr(0, 2) == "GO";
    if (go)
        return outcome_of(OutcomeKind::go, link);
    if (line == "MENU\r\n")
        return outcome_of(OutcomeKind::menu, link);
    const std::string_view body = body_of(line);
    if (const ReplyRow* row = row_for(line)) {
        const DecodeTarget& d = c.decode;
        const ReplyTarget target{d.config ? *d.config : c.model.config,
                                 d.extras ? *d.extras : c.model.extras, link, c};
        const bool whole =
            (row->length == 0 || body.size() == row->length) && row->decode(body, target);
        Outcome o = outcome_of(whole ? OutcomeKind::data_reply : OutcomeKind::damaged_reply, link);
        o.item = reply_item(*row, body);
        return o;
    }
    return status_outcome(line, link);
}

// A failed outcome sets reply_error, so that a run stops as after an error answer; any other
// clears it, but a late answer leaves the failure of its command in place.
void settle(DeviceContext& c, std::string_view line, LinkKind link, Receipt receipt)
{
    LinkStatus& s = c.status;
    const bool failed_before = receipt == Receipt::late && s.reply_error != 0;
    std::optional<Outcome> outcome = decode(c, line, link);
    s.reply_error = outcome && outcome->failed() && outcome->kind != OutcomeKind::mode_error;
    if (outcome) {
        outcome->late = receipt == Receipt::late;
        report_outcome(c, *outcome);
    }
    if (failed_before)
        s.reply_error = 1;
    s.read_pending = 0;
    if (c.reply_observer)
        c.reply_observer(line);
}

}  // namespace

void register_replies(std::span<const ReplyRow> rows)
{
    std::vector<const ReplyRow*>& t = table();
    for (const ReplyRow& row : rows) {
        const bool known = std::any_of(t.begin(), t.end(),
                                       [&](const ReplyRow* r) { return r->prefix == row.prefix; });
        if (!known)
            t.push_back(&row);
    }
}

DecodeInto::DecodeInto(DeviceContext& context, DeviceConfig& config, DeviceExtras& extras)
    : target_(context.decode), previous_(context.decode)
{
    target_ = {&config, &extras};
}

DecodeInto::~DecodeInto()
{
    target_ = previous_;
}

DropSocketReplies::DropSocketReplies(DeviceContext& context) : context_(context)
{
    ++context_.socket_replies_dropped;
}

DropSocketReplies::~DropSocketReplies()
{
    --context_.socket_replies_dropped;
}

void dispatch_line(DeviceContext& c, std::string_view line, LinkKind link, Receipt receipt)
{
    if (link == LinkKind::socket && c.socket_replies_dropped > 0)
        return;
    if (c.line_tap)
        c.line_tap(line);
    if (line.size() > k_max_line)
        line = line.substr(0, k_max_line);
    if (link == LinkKind::socket) {
        settle(c, std::string(line), link, receipt);
        return;
    }
    LinkStatus& s = c.status;
    s.watchdog_ticks = 0;
    s.answer_pending = 0;
    std::string_view reply = line;
    if (c.link.rs485)
        reply.remove_prefix(std::min<std::size_t>(2, reply.size()));
    settle(c, std::string(reply), link, receipt);
}

void serial_dispatch(DeviceContext& c, std::string_view line)
{
    dispatch_line(c, line, LinkKind::serial);
}

void socket_receive(DeviceContext& c, std::string_view line)
{
    dispatch_line(c, line, LinkKind::socket);
}

void socket_receive_late(DeviceContext& c, std::string_view line)
{
    dispatch_line(c, line, LinkKind::socket, Receipt::late);
}

}  // namespace velta
