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

// Disables a list and shows no selection while a TCP/IP link is up.
void locked_while_connected(QComboBox* list);

}  // namespace velta
