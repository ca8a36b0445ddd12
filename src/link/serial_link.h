#pragma once
// The serial link: the COM port of com_port_index at 38400 baud, 8 data bits, even parity, one
// stop bit, with RTS/CTS and XON/XOFF flow control together. Received bytes are split into lines
// at every LF and each line is handed to serial_dispatch once, in order, on the GUI thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace velta {

struct DeviceContext;

inline constexpr int k_serial_baud = 38400;
inline constexpr long long k_serial_read_buffer = 2000;  // bytes held before reading stops
inline constexpr std::size_t k_serial_line_max = 599;    // longer lines are cut

// Opens the port once (start-up, serial interface only) for the device context it serves, and
// installs that context's serial write hook; the answers are dispatched into the same context.
// A port that cannot be opened shows "Miss! File Open" once, with the port and the system's
// reason; the program goes on and commands then end in "No Connect". True when open.
bool open_serial_port(DeviceContext& context);
// The same for a device named directly (the command-line tool's --serial PATH).
bool open_serial_device(DeviceContext& context, const std::string& device);
void close_serial_port();
// The context goes away: nothing the port brings later is dispatched into it.
void forget_serial_context(const DeviceContext& context);
// True after the open port was lost (its far end hung up or the device vanished): it was closed,
// "No Connect" was shown once with the port's name, and the command outstanding failed
// (reply_error = 1). Opening a port again clears it.
bool serial_port_lost();
bool serial_port_open();
class DeviceLink;
// The port as the link of the context it serves, or none for another context.
DeviceLink* serial_device_link(const DeviceContext& context);

// The native handle of the open port (a file descriptor on Linux), or -1.
long long serial_native_handle();

// Why a port could not be opened, for the detail of "Miss! File Open": the entry, the device,
// the system's reason and, when access was denied on Linux, how to get it.
std::string serial_open_failure_detail(int com_port_index, std::string_view device,
                                       std::string_view reason, bool permission_denied);

}  // namespace velta
