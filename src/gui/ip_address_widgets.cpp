#include "gui/ip_address_widgets.h"

#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>

namespace velta {

IpAddressField::IpAddressField(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0)
            row->addWidget(new QLabel(QStringLiteral(".")));
        auto* part = new QLineEdit;
        part->setMaxLength(3);
        part->setValidator(new QIntValidator(0, 255, part));
        part->setAlignment(Qt::AlignCenter);
        part->setFixedWidth(part->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        parts_[i] = part;
        row->addWidget(part);
    }
    // Typing the third digit moves on to the next box, as address fields usually do.
    for (std::size_t i = 0; i + 1 < parts_.size(); ++i) {
        QLineEdit* next = parts_[i + 1];
        connect(parts_[i], &QLineEdit::textEdited, next, [next](const QString& text) {
            if (text.size() == 3)
                next->setFocus();
        });
    }
}

IpAddress IpAddressField::value() const
{
    IpAddress a{};
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const int v = parts_[i]->text().toInt();
        a[i] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
    }
    return a;
}

void IpAddressField::set_value(const IpAddress& address)
{
    for (std::size_t i = 0; i < parts_.size(); ++i)
        parts_[i]->setText(QString::number(address[i]));
}

QString IpAddressField::text() const
{
    QStringList groups;
    for (const QLineEdit* p : parts_)
        groups << p->text().trimmed();
    return groups.join(QLatin1Char('.'));
}

void IpAddressField::set_text(const QString& dotted)
{
    const QStringList groups = dotted.split(QLatin1Char('.'));
    for (std::size_t i = 0; i < parts_.size(); ++i)
        parts_[i]->setText(i < static_cast<std::size_t>(groups.size())
                               ? groups[static_cast<qsizetype>(i)]
                               : QString());
}

}  // namespace velta
