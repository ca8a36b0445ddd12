#pragma once
// One interface over every link a device context's commands go on: the serial port, the
// TCP/IP client connection, a TCP/IP server's peer (the chosen one, or one leased to a context)
// and a context's own client connection. Each sends the context's commands, tells whether one
// awaits its answer, and signals the answer lines it takes, the outcomes it gives a command
// itself (no answer in time, not sent, its connection lost) and its state. The rules a TCP/IP
// party's commands keep are its CommandChannel's; the serial line's are the answer watch of
// the device context (answer_pending and the watchdog's ticks).

#include <QObject>
#include <string>
#include <string_view>

#include "core/wire/outcome.h"

namespace velta {

struct DeviceContext;

enum class DeviceLinkState { closed, connecting, open, lost };

class DeviceLink : public QObject {
    Q_OBJECT
public:
    // The context's sends and its answer watch go through this link from now on.
    virtual void attach(DeviceContext& context) = 0;
    // Sends one command of the context it serves, without the RS-485 address.
    virtual void send(std::string_view command) = 0;
    virtual bool answer_outstanding() const = 0;
    virtual DeviceLinkState state() const = 0;
    // Where it goes, for messages: "COM1 (/dev/ttyUSB0)", "10.0.0.5:9004"; empty when nowhere.
    virtual std::string name() const = 0;

signals:
    // A line taken as an answer of the context's commands, before it is decoded.
    void lineReceived(const QByteArray& line);
    // An outcome the link itself gave the command outstanding.
    void outcomeGiven(velta::OutcomeKind kind);
    void stateChanged(velta::DeviceLinkState state);
};

// The link that serves the context now (by its interface), or none.
DeviceLink* device_link(const DeviceContext& context);

}  // namespace velta
