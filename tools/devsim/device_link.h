#pragma once
// The simulator's transports on Qt's event loop: a TCP listener or client, a serial device or
// a pseudo-terminal it creates. Everything about what to answer and when lives in the plain
// C++ session and schedule; this class moves bytes and keeps the time.

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <fstream>
#include <memory>
#include <string>

#include "link_schedule.h"
#include "options.h"

class QIODevice;
class QSocketNotifier;
class QTcpServer;
class QTcpSocket;

namespace devsim {

class DeviceLink : public QObject {
    Q_OBJECT

public:
    DeviceLink(const Options& options, LinkSchedule& schedule, std::ofstream* log);
    ~DeviceLink() override;

    // Opens the transport. False with a message when that is not possible.
    bool start(std::string& error);

private:
    bool start_listen(std::string& error);
    void start_connect();
    bool start_serial(std::string& error);
    bool start_pty(std::string& error);

    void attach(QIODevice* device);
    void on_ready_read();
    void on_pty_readable();
    void on_pty_writable();
    void received(const QByteArray& bytes);
    void process();
    void write_bytes(const std::string& bytes);
    void close_link();
    void connection_lost();
    void log(char direction, const std::string& text);

    const Options& options_;
    LinkSchedule& schedule_;
    std::ofstream* log_;
    QElapsedTimer clock_;
    QTimer wake_;
    QTimer reconnect_;
    QTcpServer* server_ = nullptr;
    QPointer<QIODevice> device_;
    int pty_master_ = -1;
    int pty_slave_ = -1;
    std::unique_ptr<QSocketNotifier> pty_read_;
    std::unique_ptr<QSocketNotifier> pty_write_;
    std::string pty_pending_;
};

}  // namespace devsim
