#include "link/command_channel.h"

#include <utility>

namespace velta {

CommandChannel::CommandChannel(Hooks hooks) : hooks_(std::move(hooks))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);  // a coarse one may end it early
    QObject::connect(&timer_, &QTimer::timeout, [this] { expired(); });
}

void CommandChannel::set_outstanding(bool on)
{
    if (outstanding_ == on)
        return;
    outstanding_ = on;
    if (on)
        timer_.start(hooks_.timeout_ms());
    else
        timer_.stop();
    if (hooks_.outstanding_changed)
        hooks_.outstanding_changed();
}

bool CommandChannel::send(std::string command)
{
    if (waiting_.size() >= hooks_.queue_max)
        return false;
    waiting_.push_back(std::move(command));
    pump();
    return true;
}

void CommandChannel::send_now(const std::string& command)
{
    const std::uintptr_t went = hooks_.write(command);
    if (went == 0) {
        hooks_.send_failed();
        return;
    }
    answer_connection_ = went;
    late_answer_due_ = false;
    set_outstanding(true);
}

void CommandChannel::pump()
{
    if (pumping_)
        return;
    pumping_ = true;
    while (!outstanding_ && !waiting_.empty()) {
        const std::string command = std::move(waiting_.front());
        waiting_.pop_front();
        send_now(command);
    }
    pumping_ = false;
}

void CommandChannel::expired()
{
    set_outstanding(false);
    late_answer_due_ = true;
    hooks_.timed_out();
    pump();
}

std::optional<Receipt> CommandChannel::take_answers(std::uintptr_t connection)
{
    if (connection == 0 || connection != answer_connection_)
        return std::nullopt;
    // A command that already failed on its time-out keeps that one outcome: its late answer is
    // decoded but neither reported as a success nor taken as clearing the failure.
    const Receipt kind = !outstanding_ && late_answer_due_ ? Receipt::late : Receipt::answer;
    late_answer_due_ = false;
    set_outstanding(false);
    return kind;
}

void CommandChannel::connection_left(std::uintptr_t connection, bool carries_commands)
{
    if (connection == 0 || (connection != answer_connection_ && !carries_commands))
        return;
    if (connection == answer_connection_) {
        if (outstanding_)
            hooks_.lost(connection);  // the answer will never come
        answer_connection_ = 0;
        late_answer_due_ = false;
        set_outstanding(false);
    }
    waiting_.clear();
}

void CommandChannel::clear()
{
    waiting_.clear();
    answer_connection_ = 0;
    late_answer_due_ = false;
    set_outstanding(false);
}

}  // namespace velta
