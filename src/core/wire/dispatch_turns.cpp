#include "core/wire/dispatch_turns.h"

#include <deque>
#include <utility>

namespace velta {
namespace {
struct Turns {
    bool busy = false;
    std::deque<std::function<void()>> waiting;
};
Turns& turns()
{
    static Turns t;
    return t;
}
}  // namespace

bool dispatch_busy()
{
    return turns().busy;
}

void dispatch_in_turn(std::function<void()> job)
{
    Turns& t = turns();
    t.waiting.push_back(std::move(job));
    if (t.busy)
        return;
    t.busy = true;
    while (!t.waiting.empty()) {
        std::function<void()> next = std::move(t.waiting.front());
        t.waiting.pop_front();
        next();
    }
    t.busy = false;
}

}  // namespace velta
