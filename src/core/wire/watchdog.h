#pragma once

namespace velta {

// Ticks that a serial answer may take before "No Connect": the box comes on the 27th tick.
inline constexpr int k_watchdog_limit = 25;

struct DeviceContext;

// Run on every tick of the main window's 300 ms timer, for the context its serial link serves.
void watchdog_tick(DeviceContext& context);

}  // namespace velta
