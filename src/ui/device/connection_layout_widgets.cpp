#include "ui/device/connection_layout_widgets.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/wire/link_status.h"
#include "link/configuration_file.h"
#include "program/program_context.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {

void lay_out_beside_buttons(QDialog* dialog, std::initializer_list<QWidget*> groups,
                            std::initializer_list<QWidget*> buttons)
{
    auto* left = new QVBoxLayout;
    for (QWidget* g : groups) left->addWidget(g);
    auto* right = new QVBoxLayout;
    for (QWidget* b : buttons) right->addWidget(b);
    right->addStretch(1);
    auto* row = new QHBoxLayout;
    row->addLayout(left, 1);
    row->addLayout(right);
    auto* outer = new QVBoxLayout(dialog);
    outer->addLayout(row);
    // Wide enough for the whole caption, otherwise small and fixed, as the rest of the tool.
    outer->addStrut(caption_width(dialog));
    outer->setSizeConstraint(QLayout::SetFixedSize);
}

QPushButton* plain_button(const QString& text)
{
    auto* b = new QPushButton(text);
    b->setAutoDefault(false);
    return b;
}

int caption_width(const QWidget* window)
{
    constexpr int k_frame_buttons = 110;  // the frame's icon and buttons beside the caption
    return window->fontMetrics().horizontalAdvance(window->windowTitle()) + k_frame_buttons;
}

QComboBox* link_setting_combo(const QStringList& items, std::function<int()> get,
                              std::function<void(int)> set, std::string_view key,
                              std::function<void()> after)
{
    return bound_combo(
        items, std::move(get),
        [set = std::move(set), key](int index) {
            set(index);
            write_configuration_int(key, index);
        },
        std::move(after));
}

void locked_while_connected(QComboBox* list)
{
    if (link_status().socket_connected == 1) {
        list->setEnabled(false);
        select_quietly(list, -1);
    }
}

}  // namespace velta
