#pragma once
// The replies of the device-wide settings: alarm, clock, connectors, display, schedule, power-on
// page, network and the firmware version.

namespace velta {

// Adds them to the reply table (once; a second call changes nothing).
void register_device_replies();

}  // namespace velta
