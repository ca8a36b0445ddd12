#include "ui/shell/box_presenter.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QWidget>

#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

// A box names its owner only as an address; find the open window that has it, so a closed
// dialog can never become a dangling parent.
QWidget* owner_widget(const void* owner)
{
    if (owner == nullptr)
        return nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (static_cast<const void*>(w) == owner)
            return w;
    return nullptr;
}

QMessageBox::Icon qt_icon(BoxIcon icon)
{
    switch (icon) {
        case BoxIcon::error:
            return QMessageBox::Critical;
        case BoxIcon::warning:
            return QMessageBox::Warning;
        case BoxIcon::question:
            return QMessageBox::Question;
        case BoxIcon::information:
            return QMessageBox::Information;
        case BoxIcon::none:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qt_button(BoxAnswer answer)
{
    switch (answer) {
        case BoxAnswer::no:
            return QMessageBox::No;
        case BoxAnswer::cancel:
            return QMessageBox::Cancel;
        case BoxAnswer::yes:
            return QMessageBox::Yes;
        case BoxAnswer::ok:
            break;
    }
    return QMessageBox::Ok;
}

}  // namespace

BoxAnswer show_qt_box(const Box& box)
{
    if (box.beep)
        QApplication::beep();
    QWidget* owner = owner_widget(box.owner);
    QMessageBox mb(qt_icon(box.icon), qs(box.caption), qs(box.text), QMessageBox::NoButton, owner);
    if (!box.detail.empty())
        mb.setInformativeText(qs(box.detail));
    // Boxes without an owner hold up the whole program, as the operator expects of them.
    mb.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    if (box.buttons != BoxButtons::ok) {
        const bool cancel = box.buttons == BoxButtons::yes_no_cancel;
        mb.setStandardButtons(QMessageBox::Yes | QMessageBox::No |
                              (cancel ? QMessageBox::Cancel : QMessageBox::NoButton));
        mb.setDefaultButton(qt_button(box.default_answer));
        mb.setEscapeButton(cancel ? QMessageBox::Cancel : QMessageBox::No);
        mb.exec();
        const QAbstractButton* pressed = mb.clickedButton();
        if (pressed == mb.button(QMessageBox::Yes))
            return BoxAnswer::yes;
        if (pressed == mb.button(QMessageBox::No) || !cancel)
            return BoxAnswer::no;
        return BoxAnswer::cancel;
    }
    mb.setStandardButtons(QMessageBox::Ok);
    mb.exec();
    return BoxAnswer::ok;
}

void install_qt_box_presenter()
{
    set_box_presenter(show_qt_box);
}

}  // namespace velta
