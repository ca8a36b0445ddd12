#include "link/serial_link.h"

#include <QObject>
#include <QSerialPort>
#include <QSocketNotifier>
#include <memory>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif
#ifdef __linux__
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

#include "core/common/message_boxes.h"
#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/dispatch_turns.h"
#include "core/wire/framing.h"
#include "core/wire/line_assembler.h"
#include "core/wire/link_status.h"
#include "core/wire/outcome.h"
#include "core/wire/reply_dispatcher.h"
#include "link/configuration_file.h"
#include "link/device_link.h"

namespace velta {
namespace {

// The open port as a device link: the context it serves frames its commands (with the RS-485
// address) and watches their answers; the link carries the bytes.
class SerialDeviceLink final : public DeviceLink {
public:
    void attach(DeviceContext& context) override;
    void send(std::string_view command) override;
    bool answer_outstanding() const override;
    DeviceLinkState state() const override;
    std::string name() const override;
    void set_state(DeviceLinkState state)
    {
        if (state_ == state)
            return;
        state_ = state;
        emit stateChanged(state);
    }

private:
    DeviceLinkState state_ = DeviceLinkState::closed;
};

struct SerialLink {
    std::unique_ptr<QSerialPort> port;
    LineAssembler lines{LineAssembler::Overflow::cut, k_serial_line_max};
    std::string name;  // "COM1 (/dev/ttyUSB0)": the entry and the device, for messages
    bool lost = false;
    DeviceContext* context = nullptr;  // the device the port serves (set when it is opened)
    SerialDeviceLink link;
#ifndef _WIN32
    // Watches a duplicate of the port's descriptor for the hang-up the port itself ignores.
    int hangup_fd = -1;
    std::unique_ptr<QSocketNotifier> hangup;
#endif
};

SerialLink& serial()
{
    // Never destroyed: the port stays open until the process ends, and is not torn down after
    // the application object is gone.
    static SerialLink* s = new SerialLink;
    return *s;
}

// Qt offers RTS/CTS or XON/XOFF, never both; the device wants both, so the settings are
// completed on the handle itself: the terminal flags, or the device-control block on Windows.
// IXANY stays off: only XON may restart output. A pty accepts the flags without having the
// lines, which is fine.
bool apply_line_flags(QSerialPort& port)
{
#ifdef _WIN32
    const HANDLE h = port.handle();
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(h, &dcb))
        return false;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.XonLim = 256;
    dcb.XoffLim = 256;
    return SetCommState(h, &dcb) != 0;
#else
    const int fd = static_cast<int>(port.handle());
    termios t{};
    if (fd < 0 || tcgetattr(fd, &t) != 0)
        return false;
    t.c_cflag |= CRTSCTS;
    t.c_iflag |= IXON | IXOFF;
    t.c_iflag &= ~static_cast<tcflag_t>(IXANY);
    t.c_cc[VSTART] = 0x11;
    t.c_cc[VSTOP] = 0x13;
    return tcsetattr(fd, TCSANOW, &t) == 0;
#endif
}

// A pseudo-terminal (a test rig or a simulator) carries bytes without framing; its driver
// always reports 8 bits without parity, so a refused parity is no fault there.
bool is_pseudo_terminal(QSerialPort& port)
{
#ifdef __linux__
    struct stat st {};
    if (fstat(static_cast<int>(port.handle()), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    const unsigned int m = major(st.st_rdev);
    return m >= 136 && m <= 143;  // the Unix98 pty slave majors
#else
    (void)port;
    return false;
#endif
}

bool apply_port_settings(QSerialPort& port)
{
    bool ok = port.setBaudRate(k_serial_baud);
    ok = port.setDataBits(QSerialPort::Data8) && ok;
    ok = (port.setParity(QSerialPort::EvenParity) || is_pseudo_terminal(port)) && ok;
    ok = port.setStopBits(QSerialPort::OneStop) && ok;
    ok = port.setFlowControl(QSerialPort::HardwareControl) && ok;
    return apply_line_flags(port) && ok;
}

void on_bytes()
{
    // A box raised while a line is dispatched runs a nested event loop, inside which the port
    // does not announce new bytes again; they are collected here once the box has closed.
    SerialLink& s = serial();
    while (s.port && s.port->bytesAvailable() > 0) {
        const QByteArray bytes = s.port->readAll();
        s.lines.feed(
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
            [](std::string_view line) {
                emit serial().link.lineReceived(
                    QByteArray(line.data(), static_cast<qsizetype>(line.size())));
                dispatch_in_turn([l = std::string(line)] {
                    if (DeviceContext* c = serial().context)
                        serial_dispatch(*c, l);
                });
            },
            [](std::string_view cut) {
                if (DeviceContext* c = serial().context; c && c->dropped_tap)
                    c->dropped_tap(cut);
            });
    }
}

void stop_hangup_watch()
{
#ifndef _WIN32
    SerialLink& s = serial();
    if (s.hangup) {
        // It may be the notifier whose signal is running now.
        s.hangup->setEnabled(false);
        s.hangup.release()->deleteLater();
    }
    if (s.hangup_fd >= 0)
        ::close(s.hangup_fd);
    s.hangup_fd = -1;
#endif
}

// The far end went away (hang-up, end of file, a vanished adapter): the port is closed once and
// reported once, instead of being polled forever. Choosing the port again reopens it.
void port_lost()
{
    SerialLink& s = serial();
    if (!s.port)
        return;
    on_bytes();  // what came before the hang-up is still an answer
    const std::string name = s.name;
    close_serial_port();
    s.lost = true;
    s.link.set_state(DeviceLinkState::lost);
    if (!s.context)
        return;
    if (s.context->status.answer_pending == 1)
        emit s.link.outcomeGiven(OutcomeKind::no_answer);
    LinkStatus& st = s.context->status;
    if (st.answer_pending == 1)
        st.reply_error = 1;  // the outstanding command failed; a paced run ends on it
    st.answer_pending = 0;
    st.watchdog_ticks = 0;
    dispatch_in_turn([name] {
        Outcome o = outcome_of(OutcomeKind::no_answer);
        o.detail = name + ": ポートとの接続が切れました。ポートを選び直すと開き直します。";
        if (DeviceContext* c = serial().context)
            report_outcome(*c, o);
    });
}

void watch_hangup(QSerialPort& port)
{
#ifndef _WIN32
    SerialLink& s = serial();
    s.hangup_fd = ::fcntl(static_cast<int>(port.handle()), F_DUPFD_CLOEXEC, 0);
    if (s.hangup_fd < 0)
        return;
    s.hangup = std::make_unique<QSocketNotifier>(s.hangup_fd, QSocketNotifier::Read);
    QObject::connect(s.hangup.get(), &QSocketNotifier::activated, [] {
        // Readable is the port's own business; only a hang-up is ours.
        pollfd p{serial().hangup_fd, POLLIN, 0};
        if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0)
            port_lost();
    });
#else
    (void)port;
#endif
}

void write_framed(std::string_view framed)
{
    SerialLink& s = serial();
    if (!s.port || !s.port->isOpen())
        return;  // nowhere to write: the watchdog reports "No Connect"
    s.port->write(framed.data(), static_cast<qint64>(framed.size()));
}

void SerialDeviceLink::attach(DeviceContext& context)
{
    serial().context = &context;
    context.hooks.serial_write = [](std::string_view framed) { write_framed(framed); };
}

void SerialDeviceLink::send(std::string_view command)
{
    if (DeviceContext* c = serial().context)
        serial_send(*c, command);
}

bool SerialDeviceLink::answer_outstanding() const
{
    const DeviceContext* c = serial().context;
    return c && c->status.answer_pending == 1;
}

DeviceLinkState SerialDeviceLink::state() const
{
    return state_;
}

std::string SerialDeviceLink::name() const
{
    return serial_port_open() ? serial().name : std::string();
}

void serve(DeviceContext& context)
{
    serial().link.attach(context);
}

}  // namespace

std::string serial_open_failure_detail(int com_port_index, std::string_view device,
                                       std::string_view reason, bool permission_denied)
{
    std::string detail = "COM" + std::to_string(com_port_index + 1);
    if (device != detail)
        detail += " (" + std::string(device) + ")";
    detail += ": " + std::string(reason);
    if (permission_denied) {
        detail +=
            "\nこのポートを使う権限がありません。ユーザーを dialout グループに加え"
            "（sudo usermod -aG dialout ユーザー名）、ログインし直してください。";
    }
    return detail;
}

namespace {
// Opens the port for the context, sets it up and installs the context's write hook; index
// names the entry in messages.
bool open_named(DeviceContext& context, const QString& device, int index)
{
    SerialLink& s = serial();
    close_serial_port();
    serve(context);
    const BoxRoute boxes = context.boxes();

    auto port = std::make_unique<QSerialPort>();
    port->setPortName(device);
    port->setReadBufferSize(k_serial_read_buffer);
    if (!port->open(QIODevice::ReadWrite)) {
#ifdef _WIN32
        const bool denied = false;  // COM ports are not guarded by a group there
#else
        const bool denied = port->error() == QSerialPort::PermissionError;
#endif
        boxes.error("Miss! File Open",
                    serial_open_failure_detail(index, device.toStdString(),
                                               port->errorString().toStdString(), denied));
        return false;
    }
    if (!apply_port_settings(*port))
        boxes.error("Miss! Set Comm State");
    port->clear(QSerialPort::Input);
    s.lines.clear();
    QObject::connect(port.get(), &QSerialPort::readyRead, [] { on_bytes(); });
    QObject::connect(port.get(), &QSerialPort::errorOccurred, [](QSerialPort::SerialPortError e) {
        // Read and write faults are not reported; a vanished device is the port's loss.
        if (e == QSerialPort::NoError)
            return;  // clearError() reports itself
        if (e == QSerialPort::ResourceError) {
            port_lost();
            return;
        }
        if (serial().port)
            serial().port->clearError();
    });
    watch_hangup(*port);
    s.port = std::move(port);
    s.name = "COM" + std::to_string(index + 1);
    if (device.toStdString() != s.name)
        s.name += " (" + device.toStdString() + ")";
    s.lost = false;
    s.link.set_state(DeviceLinkState::open);
    return true;
}

}  // namespace

bool open_serial_port(DeviceContext& context)
{
    const int index = context.link.com_port_index;
    return open_named(context, serial_device_name(index), index);
}

bool open_serial_device(DeviceContext& context, const std::string& device)
{
    return open_named(context, QString::fromStdString(device), context.link.com_port_index);
}

void close_serial_port()
{
    SerialLink& s = serial();
    if (!s.port)
        return;
    stop_hangup_watch();
    QObject::disconnect(s.port.get(), nullptr, nullptr, nullptr);
    s.port->close();
    s.port.release()->deleteLater();  // it may be the port whose signal is running now
    s.lines.clear();
    s.link.set_state(DeviceLinkState::closed);
}

void forget_serial_context(const DeviceContext& context)
{
    if (serial().context == &context)
        serial().context = nullptr;
}

bool serial_port_lost()
{
    return serial().lost;
}

bool serial_port_open()
{
    return serial().port && serial().port->isOpen();
}

long long serial_native_handle()
{
    if (!serial_port_open())
        return -1;
#ifdef _WIN32
    return reinterpret_cast<long long>(serial().port->handle());
#else
    return static_cast<long long>(serial().port->handle());
#endif
}

}  // namespace velta

namespace velta {

DeviceLink* serial_device_link(const DeviceContext& context)
{
    return serial().context == &context ? &serial().link : nullptr;
}

}  // namespace velta
