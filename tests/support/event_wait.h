#pragma once
// Waits in a real event loop until a condition holds. QTest::qWaitFor sleeps 10 ms between its
// rounds of events, which paces an answer-paced run to its own rhythm; a real loop wakes at once
// for sockets and timers, as the program's does.

#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace velta {

inline bool wait_in_event_loop(const std::function<bool()>& done, int timeout_ms)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setTimerType(Qt::PreciseTimer);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(1);
    QTimer::singleShot(timeout_ms, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

}  // namespace velta
