#include "device/connection_layout_widgets.h"

#include <QComboBox>
#include <QDialog>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "common/dialog_widgets.h"
#include "model/settings_model.h"

namespace velta {

void lay_out_beside_buttons(QDialog* dialog, std::initializer_list<QWidget*> groups,
                            std::initializer_list<QWidget*> buttons)
{
    auto* left = new QVBoxLayout;
    for (QWidget* g : groups)
        left->addWidget(g);
    auto* right = new QVBoxLayout;
    for (QWidget* b : buttons)
        right->addWidget(b);
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

int caption_width(const QWidget* window)
{
    constexpr int k_frame_buttons = 110;  // the frame's icon and buttons beside the caption
    return window->fontMetrics().horizontalAdvance(window->windowTitle()) + k_frame_buttons;
}

void locked_while_connected(QComboBox* list)
{
    if (model().state.socket_connected == 1) {
        list->setEnabled(false);
        select_quietly(list, -1);
    }
}

}  // namespace velta
