#pragma once
// Start-up after the single-instance check: the resets, the configuration, the main window
// and, on the serial interface, the port.

#include <memory>

namespace velta {

class MainWindow;

std::unique_ptr<MainWindow> start_up();

}  // namespace velta
