#include "ui/pages/page_widgets.h"

#include <QComboBox>
#include <QHBoxLayout>

#include "ui/widgets/dialog_widgets.h"

namespace velta {

QStringList qt_items(const std::vector<std::string>& items)
{
    QStringList out;
    for (const std::string& item : items) out << qs(item);
    return out;
}

SetGroup set_group(const QString& caption, QComboBox* list, std::function<void()> on_set)
{
    SetGroup g;
    g.box = new QGroupBox(caption);
    g.set = new QPushButton(QStringLiteral("設定"));
    g.set->setAutoDefault(false);
    auto* row = new QHBoxLayout(g.box);
    row->addWidget(list, 1);
    row->addWidget(g.set);
    QObject::connect(g.set, &QPushButton::clicked, g.set, std::move(on_set));
    return g;
}

}  // namespace velta
