#pragma once
// The rules one party's commands keep on a link, owned once: one command outstanding at a
// time; its answer awaited for a time-out; a line after the time-out taken as that command's
// late answer (never as a success), unless another command went out meanwhile; the commands
// sent meanwhile queued in order (a bounded queue); and a connection that leaves taking its
// own command with it. Where the bytes go and what an outcome does are the owner's: the TCP/IP
// link gives each device context a channel over the connection its commands go to.

#include <QTimer>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "core/wire/reply_dispatcher.h"

namespace velta {

class CommandChannel {
public:
    struct Hooks {
        // Writes a command where the party's commands go now; the connection it went on, or 0
        // when it could not go.
        std::function<std::uintptr_t(const std::string& command)> write;
        std::function<void()> send_failed;
        // The outstanding command got no answer within timeout_ms.
        std::function<void()> timed_out;
        // The connection the outstanding command went on left before its answer.
        std::function<void(std::uintptr_t connection)> lost;
        std::function<void()> outstanding_changed;
        std::function<int()> timeout_ms;
        std::size_t queue_max = 1024;  // commands waiting behind the outstanding one
    };

    explicit CommandChannel(Hooks hooks);
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    // Queues a command and sends what may go; false (nothing queued) when the queue is full.
    bool send(std::string command);
    // Lines came on a connection: how they are received, or nothing when they answer none of
    // this party's commands (another connection's bytes). Call pump() after handing them on.
    std::optional<Receipt> take_answers(std::uintptr_t connection);
    // Sends waiting commands, one at a time, whenever none is outstanding.
    void pump();
    // A connection left. When it carried the outstanding command, that command failed; when it
    // carried or was to carry this party's commands, the queue is forgotten too.
    void connection_left(std::uintptr_t connection, bool carries_commands);
    // Forgets every command, quietly.
    void clear();

    bool outstanding() const { return outstanding_; }
    bool busy() const { return outstanding_ || !waiting_.empty(); }
    std::size_t waiting() const { return waiting_.size(); }
    // Where the last command went: its lines are the answers.
    std::uintptr_t answer_connection() const { return answer_connection_; }

private:
    void set_outstanding(bool on);
    void send_now(const std::string& command);
    void expired();

    Hooks hooks_;
    QTimer timer_;
    bool outstanding_ = false;
    std::uintptr_t answer_connection_ = 0;
    // The last command timed out and nothing was sent since: a line now is its late answer.
    bool late_answer_due_ = false;
    std::deque<std::string> waiting_;
    bool pumping_ = false;
};

}  // namespace velta
