#pragma once
// Lines are dispatched one at a time. A message box raised while a line is dispatched runs a
// nested event loop; lines that arrive meanwhile wait here, in order, instead of being
// dispatched inside the box.

#include <functional>

namespace velta {

void dispatch_in_turn(std::function<void()> job);
bool dispatch_busy();

}  // namespace velta
