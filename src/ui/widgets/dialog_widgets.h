#pragma once
// Small helpers that keep the dialogs' constructors a list of short labelled blocks: a
// drop-down list bound to a model field, its items, and the group boxes around them.

#include <QComboBox>
#include <QGroupBox>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/wire/device_context.h"
#include "core/wire/framing.h"
#include "program/program_context.h"

class QLineEdit;
class QPushButton;

namespace velta {

inline QString qs(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// A "設定" button's action: sends what build makes of the configuration being edited when it is
// pressed (a refused value shows its message instead).
template <class Build>
std::function<void()> sends(Build build)
{
    return [build] { send_built(program_context(), build(model().config)); };
}

// Items first..last as zero-filled numbers of `width` digits ("001".."256").
QStringList number_items(int first, int last, int width);
// Items first..last as plain decimal numbers ("1".."12").
QStringList plain_number_items(int first, int last);
// "00".."31" and, unless left out, "Bloadcast".
QStringList slave_address_items(bool with_broadcast = true);

// Selects index without firing the list's notice; an index outside the items selects nothing.
void select_quietly(QComboBox* combo, int index);
// Replaces the items and selects index, without firing the notice.
void set_items_quietly(QComboBox* combo, const QStringList& items, int index);

// A drop-down list bound to an int field: filled with items, showing get(), and on every
// selection change calling set(index) and then after().
QComboBox* bound_combo(const QStringList& items, std::function<int()> get,
                       std::function<void(int)> set, std::function<void()> after = {});
// The same, acting on every pick of the user, also of the item already shown; changes made by
// the program act on nothing.
QComboBox* picked_combo(const QStringList& items, std::function<int()> get,
                        std::function<void(int)> set, std::function<void()> after = {});

// An edit of a text field that holds at most max_bytes in code page 932: typing that would
// go beyond is refused, so a full-width character ("１", two bytes) is never cut in two. Every
// change goes to store.
QLineEdit* byte_limited_edit(std::string_view shown, std::size_t max_bytes,
                             std::function<void(std::string)> store);

// A group box with a caption holding the given widgets in a row.
QGroupBox* group_row(const QString& caption, std::initializer_list<QWidget*> widgets);

}  // namespace velta
