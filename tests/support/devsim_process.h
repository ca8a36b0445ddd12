#pragma once
// The device simulator as a child process, for the end-to-end tests and the benchmarks. Its
// first line on stdout is its address or pty path; it logs every command and answer and writes
// its state when it ends.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <utility>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/link_status.h"
#include "link/tcp_link.h"
#include "program/program_context.h"

namespace velta {

inline constexpr int k_devsim_wait_ms = 10000;

class DevSimProcess {
public:
    ~DevSimProcess() { stop(); }

    bool start(QStringList args, bool prints_first_line = true)
    {
        args << QStringLiteral("--log") << log_path() << QStringLiteral("--state-out")
             << state_path();
        process_.setProgram(QStringLiteral(VELTA_DEVSIM_PATH));
        process_.setArguments(args);
        process_.start();
        if (!process_.waitForStarted(k_devsim_wait_ms))
            return false;
        if (!prints_first_line)
            return true;
        const bool got = QTest::qWaitFor([&] { return process_.canReadLine(); }, k_devsim_wait_ms);
        first_line_ = QString::fromUtf8(process_.readLine()).trimmed();
        return got && !first_line_.isEmpty();
    }

    // Ends the simulator; it writes its state on the way out.
    void stop()
    {
        if (process_.state() == QProcess::NotRunning)
            return;
        process_.terminate();
        (void)QTest::qWaitFor([&] { return process_.state() == QProcess::NotRunning; },
                              k_devsim_wait_ms);
        if (process_.state() != QProcess::NotRunning)
            process_.kill();
    }

    const QString& first_line() const { return first_line_; }
    QString log_path() const { return dir_.filePath(QStringLiteral("devsim.log")); }
    QString state_path() const { return dir_.filePath(QStringLiteral("state.txt")); }

    // The commands the device took, as logged (address included, line end not).
    QStringList commands() const
    {
        QStringList out;
        for (const QByteArray& line : read_lines(log_path()))
            if (const int at = line.indexOf(" < "); at >= 0)
                out << QString::fromLatin1(line.mid(at + 3));
        return out;
    }

    QStringList state_lines() const
    {
        QStringList out;
        for (const QByteArray& line : read_lines(state_path()))
            out << QString::fromLatin1(line).trimmed();
        return out;
    }

    // Bytes on the wire in each direction (commands, answers), line ends included.
    std::pair<long long, long long> wire_bytes() const
    {
        long long in = 0;
        long long out = 0;
        for (const QByteArray& line : read_lines(log_path())) {
            if (const int at = line.indexOf(" < "); at >= 0)
                in += line.size() - (at + 3) + 2;
            else if (const int to = line.indexOf(" > "); to >= 0)
                out += unescaped_length(line.mid(to + 3));
        }
        return {in, out};
    }

private:
    static QList<QByteArray> read_lines(const QString& path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll().split('\n');
    }

    // The log writes \r, \n, \\ and \xNN for one byte each.
    static long long unescaped_length(const QByteArray& text)
    {
        long long n = 0;
        for (qsizetype i = 0; i < text.size(); ++i, ++n)
            if (text[i] == '\\')
                i += i + 1 < text.size() && text[i + 1] == 'x' ? 3 : 1;
        return n;
    }

    QTemporaryDir dir_;
    QProcess process_;
    QString first_line_;
};

// Points the tool's TCP/IP client at a simulator listening on "127.0.0.1:PORT" and connects;
// true once the link is up.
inline bool connect_tcp_client_to(const QString& listen_address)
{
    LinkSettings& l = link_settings();
    l.interface = Interface::tcp;
    l.tcp_role = TcpRole::client;
    l.host_list = {IpAddress{127, 0, 0, 1}};
    l.host_count = 1;
    l.selected_host = 0;
    model().extras.port_number = listen_address.section(QLatin1Char(':'), -1).toStdString();
    return tcp_client_connect(program_context()) == 1 &&
           QTest::qWaitFor([] { return link_status().socket_connected == 1; }, k_devsim_wait_ms);
}

}  // namespace velta
