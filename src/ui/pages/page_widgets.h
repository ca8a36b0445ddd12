#pragma once
// Small widget helpers of the page dialogs.

#include <QGroupBox>
#include <QPushButton>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

class QComboBox;

namespace velta {

// The items of a text table as list items.
QStringList qt_items(const std::vector<std::string>& items);

// A group of the display page and clock dialogs: a caption, a drop-down list and the "設定"
// button that sends what the list shows.
struct SetGroup {
    QGroupBox* box = nullptr;
    QPushButton* set = nullptr;
};

SetGroup set_group(const QString& caption, QComboBox* list, std::function<void()> on_set);

}  // namespace velta
