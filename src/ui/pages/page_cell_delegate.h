#pragma once
// The in-place editors of the page table: a title is typed under the title dialog's rules
// (code page 932, 56 bytes, never a cut character), a list cell picks from its dialog's items.

#include <QStyledItemDelegate>
#include <functional>

namespace velta {

class PageCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    // note: what the title editor tells of converted, refused or cut input.
    explicit PageCellDelegate(std::function<void(const QString&)> note, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;

private:
    std::function<void(const QString&)> note_;
};

}  // namespace velta
