#pragma once
// The shape the link set-up dialogs share: their groups stacked on the left, their buttons in
// a column on the right.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "model/settings_model.h"

class QComboBox;
class QDialog;
class QPushButton;

namespace velta {

void lay_out_beside_buttons(QDialog* dialog, std::initializer_list<QWidget*> groups,
                            std::initializer_list<QWidget*> buttons);

// A button that Enter never presses.
QPushButton* plain_button(const QString& text);

// The width a window needs to show its whole caption.
int caption_width(const QWidget* window);

// A list showing a link setting; a choice goes into the model and into velta.ini under key at
// once. after runs after each choice.
QComboBox* link_setting_combo(const QStringList& items, int LinkSettings::*field,
                              std::string_view key, std::function<void()> after = {});

// Disables a list and shows no selection while a TCP/IP link is up.
void locked_while_connected(QComboBox* list);

}  // namespace velta
