#include "ui/widgets/ip_address_widgets.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QValidator>

#include "core/common/message_boxes.h"

namespace velta {
namespace {

// Lets through what split_address_input can spread over the parts from this one on; a fourth
// digit only when typed at the end of a full part, so a digit put into the middle of one never
// pushes a digit into the next part.
class AddressPartValidator final : public QValidator {
public:
    AddressPartValidator(std::size_t parts_left, QObject* parent)
        : QValidator(parent), parts_left_(parts_left)
    {
    }
    State validate(QString& input, int& pos) const override
    {
        const auto parts = split_address_input(input.toStdString(), parts_left_);
        if (!parts)
            return Invalid;
        const bool carried = parts->size() > 1 && !input.contains(QLatin1Char('.'));
        return carried && pos != input.size() ? Invalid : Acceptable;
    }

private:
    std::size_t parts_left_;
};

}  // namespace

IpAddressField::IpAddressField(QWidget* parent) : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        if (i > 0)
            row->addWidget(new QLabel(QStringLiteral(".")));
        auto* part = new QLineEdit;
        part->setValidator(new AddressPartValidator(parts_.size() - i, part));
        part->setAlignment(Qt::AlignCenter);
        part->setFixedWidth(part->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 8);
        part->installEventFilter(this);
        connect(part, &QLineEdit::textEdited, this,
                [this, i](const QString& text) { part_edited(i, text); });
        parts_[i] = part;
        row->addWidget(part);
    }
}

void IpAddressField::part_edited(std::size_t index, const QString& text)
{
    const auto groups = split_address_input(text.toStdString(), parts_.size() - index);
    if (!groups)
        return;  // the validator lets no such text through
    if (groups->size() == 2 && groups->front().empty() && groups->back().empty()) {
        parts_[index]->clear();  // a "." in an empty part stays where it is
        return;
    }
    std::size_t last = index;
    for (std::size_t k = 0; k < groups->size(); ++k) {
        const std::string& g = (*groups)[k];
        // A trailing "." moves on without wiping the next part.
        if (k > 0 && k + 1 == groups->size() && g.empty())
            break;
        last = index + k;
        parts_[last]->setText(QString::fromStdString(g));
    }
    const bool moved_on = groups->size() > 1 && groups->back().empty();
    constexpr int full_size = static_cast<int>(k_address_part_digits);
    const bool full = parts_[last]->text().size() == full_size;
    if (moved_on)
        go_to(index + groups->size() - 1, true);
    else if (full && last + 1 < parts_.size() &&
             (last != index || parts_[index]->cursorPosition() == full_size))
        go_to(last + 1, true);
    else if (last != index)
        go_to(last, false);
}

void IpAddressField::go_to(std::size_t index, bool select_all)
{
    QLineEdit* p = parts_[index];
    p->setFocus();
    if (select_all)
        p->selectAll();
    else
        p->end(false);
}

bool IpAddressField::eventFilter(QObject* watched, QEvent* e)
{
    // A click into a part takes its number whole, as Tab does, so typed digits replace it.
    if (e->type() == QEvent::FocusIn)
        clicked_in_ = static_cast<QFocusEvent*>(e)->reason() == Qt::MouseFocusReason;
    if (e->type() == QEvent::MouseButtonRelease && clicked_in_) {
        clicked_in_ = false;
        auto* p = static_cast<QLineEdit*>(watched);
        if (!p->hasSelectedText())
            p->selectAll();
    }
    if (e->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, e);
    const auto* key = static_cast<QKeyEvent*>(e);
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        QLineEdit* p = parts_[i];
        if (p != watched || p->hasSelectedText())
            continue;
        const bool at_start = p->cursorPosition() == 0;
        const bool at_end = p->cursorPosition() == p->text().size();
        if ((key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Left) && at_start && i > 0) {
            go_to(i - 1, false);
            return true;
        }
        if (key->key() == Qt::Key_Right && at_end && i + 1 < parts_.size()) {
            parts_[i + 1]->setFocus();
            parts_[i + 1]->home(false);
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

std::array<std::string, k_address_parts> IpAddressField::typed_parts() const
{
    std::array<std::string, k_address_parts> typed;
    for (std::size_t i = 0; i < parts_.size(); ++i)
        typed[i] = parts_[i]->text().trimmed().toStdString();
    return typed;
}

std::optional<IpAddress> IpAddressField::checked_value(std::string_view caption)
{
    const AddressCheck check = check_address_parts(typed_parts());
    if (check.ok())
        return check.address;
    error_box(address_fault_text(caption, check));
    go_to(check.part, true);
    return std::nullopt;
}

void IpAddressField::set_value(const IpAddress& address)
{
    for (std::size_t i = 0; i < parts_.size(); ++i) parts_[i]->setText(QString::number(address[i]));
}

QString IpAddressField::text() const
{
    QStringList groups;
    for (const std::string& p : typed_parts()) groups << QString::fromStdString(p);
    return groups.join(QLatin1Char('.'));
}

}  // namespace velta
