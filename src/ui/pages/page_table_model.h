#pragma once
// The page table as a Qt item model over the configuration being edited: one row per page
// slot, one column per page attribute. It reads the model live, so it shows what the dialogs,
// an undo or an answer put there once it is told (refresh). Every change it makes is checked
// cell by cell first and goes in whole or not at all, as one undo step.

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <optional>
#include <vector>

#include "core/pages/page_table.h"

namespace velta {

struct CellEdit {
    int slot = 0;
    PageColumn column = PageColumn::title;
    std::string text;  // UTF-8, as cell_text writes it
};

// "ページ 003 文字色: 紫 は一覧にありません": a refused cell, for the operator.
QString cell_fault_text(const DeviceConfig& config, const CellEdit& edit);

class PageTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PageTableModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // One cell; a refused text says why through the box presenter and changes nothing.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Many cells as one step. The first refused cell refuses them all: its text is returned
    // and nothing changes. Cells whose text is already theirs count as unchanged.
    std::optional<QString> set_cells(const std::vector<CellEdit>& edits);

    // The configuration changed: the cells that differ from what was shown are read again (all
    // of them after a save, the labels too after a change of page mode). False when none did;
    // else the changed slots lie in first_changed() .. last_changed().
    bool refresh();
    int first_changed() const { return first_changed_; }
    int last_changed() const { return last_changed_; }
    // While a send goes nothing is edited.
    void set_read_only(bool read_only);

private:
    bool read_only_ = false;
    DeviceConfig shown_;
    DeviceConfig shown_baseline_;
    int first_changed_ = 0;
    int last_changed_ = -1;
};

// Which rows the overview shows.
enum class RowShow { all, unsaved, unlike_device };

// The rows whose title holds a text, and of those only the changed ones when asked.
class PageRowFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit PageRowFilter(QObject* parent = nullptr);
    void set_title_text(const QString& text);
    void set_show(RowShow show);
    RowShow show() const { return show_; }
    // Reads the configuration again after a change.
    void refresh() { invalidateRowsFilter(); }

protected:
    bool filterAcceptsRow(int source_row, const QModelIndex& source_parent) const override;

private:
    QString title_text_;
    RowShow show_ = RowShow::all;
};

}  // namespace velta
