#include "device_link.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QHostAddress>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "log_text.h"

namespace devsim {

namespace {
// A device whose connection is refused or lost tries again after this pause.
constexpr int k_reconnect_ms = 500;
constexpr std::size_t k_read_chunk = 4096;
}  // namespace

DeviceLink::DeviceLink(const Options& options, LinkSchedule& schedule, std::ofstream* log)
    : options_(options), schedule_(schedule), log_(log)
{
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    connect(&wake_, &QTimer::timeout, this, &DeviceLink::process);
    reconnect_.setSingleShot(true);
    reconnect_.setInterval(k_reconnect_ms);
    connect(&reconnect_, &QTimer::timeout, this, &DeviceLink::start_connect);
}

DeviceLink::~DeviceLink()
{
    pty_read_.reset();
    pty_write_.reset();
    if (pty_master_ >= 0)
        ::close(pty_master_);
    if (pty_slave_ >= 0)
        ::close(pty_slave_);
}

bool DeviceLink::start(std::string& error)
{
    switch (options_.transport) {
        case Transport::listen:
            return start_listen(error);
        case Transport::connect:
            start_connect();
            return true;
        case Transport::serial:
            return start_serial(error);
        case Transport::pty:
            return start_pty(error);
        case Transport::none:
            break;
    }
    error = "no transport";
    return false;
}

bool DeviceLink::start_listen(std::string& error)
{
    server_ = new QTcpServer(this);
    const QString host = QString::fromStdString(options_.host);
    QHostAddress address;
    if (host == "localhost")
        address = QHostAddress::LocalHost;
    else if (!address.setAddress(host)) {
        error = "--listen: not an IP address: " + options_.host;
        return false;
    }
    if (!server_->listen(address, static_cast<quint16>(options_.port))) {
        error = "cannot listen on " + options_.host + ":" + std::to_string(options_.port) + ": " +
                server_->errorString().toStdString();
        return false;
    }
    connect(server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_->nextPendingConnection()) {
            // One device has one connection: a new one replaces the old.
            if (device_)
                device_->deleteLater();
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            attach(socket);
            connect(socket, &QTcpSocket::disconnected, this, &DeviceLink::connection_lost);
        }
    });
    std::printf("%s:%u\n", server_->serverAddress().toString().toStdString().c_str(),
                static_cast<unsigned>(server_->serverPort()));
    std::fflush(stdout);
    return true;
}

void DeviceLink::start_connect()
{
    auto* socket = new QTcpSocket(this);
    connect(socket, &QTcpSocket::connected, this, [this, socket] {
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        attach(socket);
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket] {
        if (socket->state() != QAbstractSocket::ConnectedState && device_ != socket) {
            socket->deleteLater();
            reconnect_.start();
        }
    });
    connect(socket, &QTcpSocket::disconnected, this, &DeviceLink::connection_lost);
    socket->connectToHost(QString::fromStdString(options_.host),
                          static_cast<quint16>(options_.port));
}

bool DeviceLink::start_serial(std::string& error)
{
    auto* port = new QSerialPort(this);
    port->setPortName(QString::fromStdString(options_.path));
    if (!port->open(QIODevice::ReadWrite)) {
        error = "cannot open " + options_.path + ": " + port->errorString().toStdString();
        return false;
    }
    // A pty has no line settings worth failing over; a real port gets the device's own.
    port->setBaudRate(QSerialPort::Baud38400);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::EvenParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    connect(port, &QSerialPort::errorOccurred, this, [](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError) {
            std::fprintf(stderr, "velta-devsim: the serial device went away\n");
            QCoreApplication::exit(0);
        }
    });
    attach(port);
    return true;
}

bool DeviceLink::start_pty(std::string& error)
{
    pty_master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty_master_ < 0 || ::grantpt(pty_master_) != 0 || ::unlockpt(pty_master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(pty_master_);
    if (!name) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const std::string slave = name;
    // Holding the slave open keeps the master readable while the tool closes and reopens it.
    pty_slave_ = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
    if (pty_slave_ < 0) {
        error = "cannot open " + slave + ": " + std::strerror(errno);
        return false;
    }
    termios tio{};
    ::tcgetattr(pty_slave_, &tio);
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B38400);
    ::cfsetospeed(&tio, B38400);
    tio.c_cflag |= PARENB | CS8 | CLOCAL | CREAD;
    ::tcsetattr(pty_slave_, TCSANOW, &tio);
    ::fcntl(pty_master_, F_SETFL, ::fcntl(pty_master_, F_GETFL) | O_NONBLOCK);

    pty_read_ = std::make_unique<QSocketNotifier>(pty_master_, QSocketNotifier::Read);
    connect(pty_read_.get(), &QSocketNotifier::activated, this, &DeviceLink::on_pty_readable);
    pty_write_ = std::make_unique<QSocketNotifier>(pty_master_, QSocketNotifier::Write);
    pty_write_->setEnabled(false);
    connect(pty_write_.get(), &QSocketNotifier::activated, this, &DeviceLink::on_pty_writable);

    std::printf("%s\n", slave.c_str());
    std::fflush(stdout);
    return true;
}

void DeviceLink::attach(QIODevice* device)
{
    device_ = device;
    schedule_.reset();
    wake_.stop();
    connect(device, &QIODevice::readyRead, this, &DeviceLink::on_ready_read);
    if (device->bytesAvailable() > 0)
        on_ready_read();
}

void DeviceLink::on_ready_read()
{
    if (device_)
        received(device_->readAll());
}

void DeviceLink::on_pty_readable()
{
    char buffer[k_read_chunk];
    for (;;) {
        const ssize_t n = ::read(pty_master_, buffer, sizeof buffer);
        if (n > 0) {
            received(QByteArray(buffer, static_cast<qsizetype>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;  // EAGAIN: all read
    }
}

void DeviceLink::on_pty_writable()
{
    while (!pty_pending_.empty()) {
        const ssize_t n = ::write(pty_master_, pty_pending_.data(), pty_pending_.size());
        if (n > 0) {
            pty_pending_.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    pty_write_->setEnabled(!pty_pending_.empty());
}

void DeviceLink::received(const QByteArray& bytes)
{
    schedule_.received(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    process();
}

void DeviceLink::process()
{
    const std::int64_t now = clock_.nsecsElapsed();
    LinkSchedule::Step step = schedule_.run(now);
    for (const LogEntry& e : step.log) log(e.direction, e.text);
    for (const std::string& bytes : step.writes) write_bytes(bytes);
    if (step.close) {
        close_link();
        return;
    }
    if (step.wake >= 0) {
        const std::int64_t wait_ns = std::max<std::int64_t>(0, step.wake - now);
        wake_.start(static_cast<int>((wait_ns + 999'999) / 1'000'000));
    }
}

void DeviceLink::write_bytes(const std::string& bytes)
{
    if (pty_master_ >= 0) {
        pty_pending_ += bytes;
        on_pty_writable();
        return;
    }
    if (device_)
        device_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void DeviceLink::close_link()
{
    wake_.stop();
    if (auto* socket = qobject_cast<QTcpSocket*>(device_.data())) {
        // Nothing more is taken from this connection; unsent answers still go out before it
        // ends.
        disconnect(socket, &QIODevice::readyRead, this, nullptr);
        device_ = nullptr;
        schedule_.reset();
        socket->disconnectFromHost();
        if (options_.transport == Transport::connect)
            reconnect_.start();
        return;
    }
    // A serial line or a pty cannot be reopened by the tool's side: the device goes away.
    if (pty_master_ >= 0)
        on_pty_writable();
    QCoreApplication::exit(0);
}

void DeviceLink::connection_lost()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (socket && socket == device_.data()) {
        device_ = nullptr;
        schedule_.reset();
        wake_.stop();
        if (options_.transport == Transport::connect)
            reconnect_.start();
    }
    if (socket)
        socket->deleteLater();
}

void DeviceLink::log(char direction, const std::string& text)
{
    if (!log_)
        return;
    *log_ << log_line(std::chrono::system_clock::now(), direction, text) << '\n';
    log_->flush();
}

}  // namespace devsim
