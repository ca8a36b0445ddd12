#include "link_schedule.h"

#include <algorithm>

namespace devsim {

namespace {
constexpr std::int64_t k_ns_per_s = 1'000'000'000;
}

std::int64_t LinePace::chars_by(std::int64_t elapsed_ns)
{
    return elapsed_ns * k_line_baud / (k_bits_per_char * k_ns_per_s);
}

std::int64_t LinePace::time_of(std::int64_t chars)
{
    const std::int64_t bits_ns = chars * k_bits_per_char * k_ns_per_s;
    return (bits_ns + k_line_baud - 1) / k_line_baud;
}

std::size_t LinePace::take(std::int64_t now, std::size_t waiting, std::int64_t ready)
{
    taken_from_ = sent_;
    if (waiting == 0) {
        backlog_ = false;
        return 0;
    }
    // A line that ran dry starts afresh when the characters are ready, and not before it has
    // finished its last one: the time it stood still is no credit for a burst.
    if (!running_ || (!backlog_ && start_ + time_of(sent_) <= now)) {
        const std::int64_t idle_from = running_ ? start_ + time_of(sent_) : ready;
        start_ = std::min(now, std::max(ready, idle_from));
        sent_ = 0;
        taken_from_ = 0;
        running_ = true;
    }
    const std::int64_t through = chars_by(now - start_) - sent_;
    const auto n = static_cast<std::size_t>(std::max<std::int64_t>(0, through));
    const std::size_t taken = std::min(n, waiting);
    sent_ += static_cast<std::int64_t>(taken);
    backlog_ = taken < waiting;
    return taken;
}

std::int64_t LinePace::taken_time(std::size_t i) const
{
    return start_ + time_of(taken_from_ + static_cast<std::int64_t>(i) + 1);
}

std::int64_t LinePace::next_time() const
{
    return start_ + time_of(sent_ + 1);
}

LinkSchedule::LinkSchedule(DeviceSession& session) : session_(session), plan_(session.plan()) {}

void LinkSchedule::reset()
{
    input_.clear();
    output_.clear();
    held_.clear();
    holding_ = false;
    session_.reset_line();
    last_due_ = 0;
    in_pace_ = LinePace();
    out_pace_ = LinePace();
    write_lateness_ = 0;
}

void LinkSchedule::enqueue(std::int64_t due, std::string bytes, bool close, std::string logged)
{
    due = std::max(due, last_due_);
    last_due_ = due;
    output_.push_back({due, std::move(bytes), close, std::move(logged)});
}

void LinkSchedule::answer(std::int64_t now, std::string bytes)
{
    const std::int64_t due = now + std::int64_t{plan_.delay_ms} * 1'000'000;
    if (plan_.merge) {
        if (!holding_) {
            held_ = std::move(bytes);
            held_since_ = now;
            held_due_ = due;
            holding_ = true;
            return;
        }
        bytes = held_ + bytes;
        held_.clear();
        holding_ = false;
    }
    write_answer(due, std::move(bytes));
}

// A held answer that goes out alone is still an answer: it keeps its delay and is split too.
void LinkSchedule::release_held(std::int64_t now)
{
    holding_ = false;
    write_answer(std::max(now, held_due_), std::move(held_));
    held_.clear();
}

void LinkSchedule::write_answer(std::int64_t due, std::string bytes)
{
    if (plan_.split && bytes.size() > 1) {
        const std::size_t half = bytes.size() / 2;
        enqueue(due, bytes.substr(0, half), false, {});
        enqueue(due + k_split_gap_ns, bytes.substr(half), false, bytes);
    } else {
        enqueue(due, bytes, false, bytes);
    }
}

void LinkSchedule::take_input(std::int64_t now, Step& step)
{
    if (!plan_.throttle) {
        take_lines(input_, now, step);
        input_.clear();
        return;
    }
    if (input_.empty())
        return;
    const std::size_t n = in_pace_.take(now, input_.size(), now - write_lateness_);
    write_lateness_ = 0;  // spent on the line this input started, or not needed
    if (n == 0)
        return;
    const std::string bytes = input_.substr(0, n);
    input_.erase(0, n);
    // Each line is answered from the time its last character was through, not from this
    // (later) wake-up.
    std::size_t from = 0;
    while (from < n) {
        const std::size_t lf = bytes.find('\n', from);
        const std::size_t end = lf == std::string::npos ? n : lf + 1;
        take_lines(std::string_view(bytes).substr(from, end - from), in_pace_.taken_time(end - 1),
                   step);
        from = end;
    }
}

void LinkSchedule::take_lines(std::string_view bytes, std::int64_t at, Step& step)
{
    for (SessionEvent& e : session_.receive(bytes)) {
        switch (e.kind) {
            case SessionEvent::Kind::received:
                step.log.push_back({'<', std::move(e.text)});
                break;
            case SessionEvent::Kind::answer:
                answer(at, std::move(e.text));
                break;
            case SessionEvent::Kind::garbage:
                enqueue(at + std::int64_t{plan_.delay_ms} * 1'000'000, e.text, false, e.text);
                break;
            case SessionEvent::Kind::close:
                if (holding_)  // what was said before the close still goes out
                    release_held(at);
                enqueue(at, {}, true, {});
                break;
        }
    }
}

void LinkSchedule::send_due(std::int64_t now, Step& step)
{
    while (!output_.empty() && output_.front().due <= now) {
        Item& item = output_.front();
        const std::size_t left = item.bytes.size() - item.sent;
        const std::size_t n = plan_.throttle ? out_pace_.take(now, left, item.due) : left;
        if (n > 0) {
            step.writes.push_back(item.bytes.substr(item.sent, n));
            item.sent += n;
            if (plan_.throttle)
                write_lateness_ = now - out_pace_.taken_time(n - 1);
        }
        if (item.sent < item.bytes.size())
            return;
        if (!item.logged.empty())
            step.log.push_back({'>', std::move(item.logged)});
        const bool close = item.close;
        output_.pop_front();
        if (close) {
            step.close = true;
            output_.clear();
            return;
        }
    }
}

LinkSchedule::Step LinkSchedule::run(std::int64_t now)
{
    Step step;
    take_input(now, step);
    if (holding_ && now >= held_since_ + k_merge_hold_ns)
        release_held(now);
    send_due(now, step);

    auto wake_at = [&step](std::int64_t t) {
        if (step.wake < 0 || t < step.wake)
            step.wake = t;
    };
    if (!input_.empty() && plan_.throttle)
        wake_at(in_pace_.next_time());
    if (holding_)
        wake_at(held_since_ + k_merge_hold_ns);
    if (!output_.empty()) {
        const Item& front = output_.front();
        const bool started = front.sent > 0 || front.due <= now;
        wake_at(started && plan_.throttle ? std::max(front.due, out_pace_.next_time()) : front.due);
    }
    return step;
}

}  // namespace devsim
