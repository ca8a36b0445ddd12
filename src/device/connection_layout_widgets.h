#pragma once
// The shape the link set-up dialogs share: their groups stacked on the left, their buttons in
// a column on the right.

#include <QWidget>
#include <initializer_list>

class QComboBox;
class QDialog;

namespace velta {

void lay_out_beside_buttons(QDialog* dialog, std::initializer_list<QWidget*> groups,
                            std::initializer_list<QWidget*> buttons);

// The width a window needs to show its whole caption.
int caption_width(const QWidget* window);

// Disables a list and shows no selection while a TCP/IP link is up.
void locked_while_connected(QComboBox* list);

}  // namespace velta
