#pragma once
// The one place that turns a box of the program into a Qt message box.

#include "core/common/message_boxes.h"

namespace velta {

BoxAnswer show_qt_box(const Box& box);
// Installs show_qt_box as the program's presenter.
void install_qt_box_presenter();

}  // namespace velta
