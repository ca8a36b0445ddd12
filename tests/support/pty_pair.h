#pragma once
// A pair of connected ptys made by socat, for serial tests: the tool opens one side, the test
// plays the device on the other (or hands it to the simulator).

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QTest>

namespace velta {

inline constexpr int k_pty_wait_ms = 5000;

class PtyPair {
public:
    PtyPair()
    {
        socat_.start("socat", {"-d", "-d", "pty,raw,echo=0", "pty,raw,echo=0"});
        QString log;
        const QRegularExpression pty(QStringLiteral("PTY is (\\S+)"));
        (void)QTest::qWaitFor(
            [&] {
                log += QString::fromLocal8Bit(socat_.readAllStandardError());
                paths_.clear();
                for (const auto& m : pty.globalMatch(log)) paths_ << m.captured(1);
                return paths_.size() == 2;
            },
            k_pty_wait_ms);
    }
    ~PtyPair() { end(); }
    // The pair goes away, as an unplugged adapter does: both sides hang up.
    void end()
    {
        socat_.kill();
        socat_.waitForFinished(2000);  // the helper process, not the code under test
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ready() const { return paths_.size() == 2; }
    QString tool_side() const { return paths_.value(0); }
    QString device_side() const { return paths_.value(1); }

private:
    QProcess socat_;
    QStringList paths_;
};

}  // namespace velta
