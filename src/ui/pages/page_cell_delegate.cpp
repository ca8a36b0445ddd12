#include "ui/pages/page_cell_delegate.h"

#include <QComboBox>
#include <QLineEdit>

#include "core/pages/page_table.h"
#include "link/text_cp932.h"
#include "program/program_context.h"
#include "ui/pages/title_input.h"
#include "ui/widgets/dialog_widgets.h"

namespace velta {
namespace {

PageColumn column_of(const QModelIndex& index)
{
    return static_cast<PageColumn>(index.column());
}

}  // namespace

PageCellDelegate::PageCellDelegate(std::function<void(const QString&)> note, QObject* parent)
    : QStyledItemDelegate(parent), note_(std::move(note))
{
}

QWidget* PageCellDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const
{
    const PageColumn column = column_of(index);
    if (column != PageColumn::title) {
        auto* combo = new QComboBox(parent);
        for (const std::string& item : column_items(column)) combo->addItem(qs(item));
        // A pick goes in at once, as in the dialogs' lists.
        connect(combo, &QComboBox::activated, this, [this, combo] {
            auto* self = const_cast<PageCellDelegate*>(this);
            emit self->commitData(combo);
            emit self->closeEditor(combo);
        });
        return combo;
    }
    auto* edit = new QLineEdit(parent);
    const int slot = index.row();
    TitleInputNotes notes;
    notes.converted = [this] {
        note_(QStringLiteral("半角の英数字と記号は全角にして入力しました。"));
    };
    notes.refused = [this](const QString& left_out) {
        note_(QStringLiteral("「%1」はコード ページ 932 にない文字のため入力できません。")
                  .arg(left_out));
    };
    notes.cut = [this](int pasted, int cut) {
        note_(QStringLiteral(
                  "貼り付けた %1 文字のうち %2 文字はタイトルに入りきらないため省きました。")
                  .arg(pasted)
                  .arg(cut));
    };
    auto* input = new TitleInput(
        k_title_max_bytes,
        [slot] { return model().config.pages.page_title[static_cast<std::size_t>(slot)].size(); },
        std::move(notes), edit,
        [](const QString& text) {
            // A custom character shown as "{外字001}" takes its two bytes.
            const auto bytes = title_from_text(text.toStdString(), cp932_title_text());
            return bytes ? bytes->size() : to_cp932(text).size();
        });
    edit->setValidator(input);
    edit->setAttribute(Qt::WA_InputMethodEnabled, true);
    return edit;
}

void PageCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        combo->setCurrentIndex(combo->findText(text));
        return;
    }
    auto* edit = qobject_cast<QLineEdit*>(editor);
    auto* input = edit ? const_cast<TitleInput*>(dynamic_cast<const TitleInput*>(edit->validator()))
                       : nullptr;
    if (!input)
        return;
    input->set_loading(true);
    edit->setText(text);
    input->loaded(text);
    input->set_loading(false);
}

void PageCellDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->currentIndex() >= 0)
            model->setData(index, combo->currentText(), Qt::EditRole);
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
        if (edit->text() != index.data(Qt::EditRole).toString())
            model->setData(index, edit->text(), Qt::EditRole);
    }
}

}  // namespace velta
