#include "gui/dialog_widgets.h"

#include <QHBoxLayout>
#include <QSignalBlocker>

namespace velta {

QStringList number_items(int first, int last, int width)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n).rightJustified(width, QLatin1Char('0'));
    return items;
}

QStringList plain_number_items(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n);
    return items;
}

QStringList slave_address_items(bool with_broadcast)
{
    QStringList items = number_items(0, 31, 2);
    if (with_broadcast)
        items << QStringLiteral("Bloadcast");
    return items;
}

void select_quietly(QComboBox* combo, int index)
{
    const QSignalBlocker block(combo);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

void set_items_quietly(QComboBox* combo, const QStringList& items, int index)
{
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}

QComboBox* bound_combo(const QStringList& items, std::function<int()> get,
                       std::function<void(int)> set, std::function<void()> after)
{
    auto* combo = new QComboBox;
    combo->setMaxVisibleItems(16);
    set_items_quietly(combo, items, get());
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo,
                     [set = std::move(set), after = std::move(after)](int index) {
                         if (index < 0)
                             return;
                         set(index);
                         if (after)
                             after();
                     });
    return combo;
}

QGroupBox* group_row(const QString& caption, std::initializer_list<QWidget*> widgets)
{
    auto* box = new QGroupBox(caption);
    auto* row = new QHBoxLayout(box);
    for (QWidget* w : widgets)
        row->addWidget(w);
    return box;
}

}  // namespace velta
