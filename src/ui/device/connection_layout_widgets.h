#pragma once
// The shape the link set-up dialogs share: their groups stacked on the left, their buttons in
// a column on the right.

#include <QStringList>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "core/wire/link_status.h"
#include "program/program_context.h"

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

// A list showing a link setting; a choice goes into the link settings and into velta.ini under
// key (as its item number) at once. after runs after each choice.
QComboBox* link_setting_combo(const QStringList& items, std::function<int()> get,
                              std::function<void(int)> set, std::string_view key,
                              std::function<void()> after = {});
// The same for one field whose values (an int, an enum, false / true) are the items in order.
template <typename T>
QComboBox* link_setting_combo(const QStringList& items, T LinkSettings::*field,
                              std::string_view key, std::function<void()> after = {})
{
    return link_setting_combo(
        items, [field] { return static_cast<int>(link_settings().*field); },
        [field](int index) { link_settings().*field = static_cast<T>(index); }, key,
        std::move(after));
}

// Disables a list and shows no selection while a TCP/IP link is up.
void locked_while_connected(QComboBox* list);

}  // namespace velta
