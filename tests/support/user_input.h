#pragma once
// Input the way a person gives it: picking an item of a drop-down list (open it, move with the
// arrow keys, take the item with Enter, so even the item already shown is reported as picked),
// and keys typed into whatever widget has the focus, which may move while typing.

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QTest>

namespace velta {

inline void pick_item(QComboBox* combo, int index)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    int at = combo->currentIndex();
    for (; at < index; ++at) QTest::keyClick(view, Qt::Key_Down);
    for (; at > index; --at) QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Return);
}

// Types text one key at a time into the focus widget of the moment; a character beyond ASCII
// ("１") comes as the text of its key, as an input method hands it over.
inline void type_keys(const QString& text)
{
    for (const QChar c : text) {
        const auto key =
            c.unicode() < 128 ? static_cast<Qt::Key>(c.toUpper().unicode()) : Qt::Key_unknown;
        QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), key, QString(c),
                            Qt::NoModifier);
    }
}

// Shows a dialog as the active window, so that focus moves as it does for a person.
inline bool show_active(QWidget* window)
{
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

inline void press_key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

}  // namespace velta
