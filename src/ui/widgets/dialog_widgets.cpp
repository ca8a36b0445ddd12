#include "ui/widgets/dialog_widgets.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QValidator>

#include "core/device/dialog_text.h"
#include "link/text_cp932.h"

namespace velta {
namespace {

class Cp932Bytes final : public QValidator {
public:
    Cp932Bytes(std::size_t max_bytes, QObject* parent) : QValidator(parent), max_(max_bytes) {}
    State validate(QString& input, int& /*pos*/) const override
    {
        return to_cp932(input).size() <= max_ ? Acceptable : Invalid;
    }

private:
    std::size_t max_;
};

}  // namespace

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
    for (int n = first; n <= last; ++n) items << QString::number(n);
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

namespace {
template <typename Notice>
QComboBox* combo_acting_on(Notice notice, const QStringList& items, std::function<int()> get,
                           std::function<void(int)> set, std::function<void()> after)
{
    auto* combo = new QComboBox;
    combo->setMaxVisibleItems(16);
    set_items_quietly(combo, items, get());
    QObject::connect(combo, notice, combo,
                     [set = std::move(set), after = std::move(after)](int index) {
                         if (index < 0)
                             return;
                         set(index);
                         if (after)
                             after();
                     });
    return combo;
}
}  // namespace

QComboBox* bound_combo(const QStringList& items, std::function<int()> get,
                       std::function<void(int)> set, std::function<void()> after)
{
    return combo_acting_on(&QComboBox::currentIndexChanged, items, std::move(get), std::move(set),
                           std::move(after));
}

QComboBox* picked_combo(const QStringList& items, std::function<int()> get,
                        std::function<void(int)> set, std::function<void()> after)
{
    return combo_acting_on(&QComboBox::activated, items, std::move(get), std::move(set),
                           std::move(after));
}

QLineEdit* byte_limited_edit(std::string_view shown, std::size_t max_bytes,
                             std::function<void(std::string)> store)
{
    // A stored text may already be longer (from a file); it shows whole and can be shortened.
    auto* edit = new QLineEdit(from_cp932(shown));
    edit->setValidator(new Cp932Bytes(std::max(max_bytes, shown.size()), edit));
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [max_bytes, store = std::move(store)](const QString& text) {
                         store(std::string(cp932_prefix(to_cp932(text), max_bytes)));
                     });
    return edit;
}

QGroupBox* group_row(const QString& caption, std::initializer_list<QWidget*> widgets)
{
    auto* box = new QGroupBox(caption);
    auto* row = new QHBoxLayout(box);
    for (QWidget* w : widgets) row->addWidget(w);
    return box;
}

}  // namespace velta
