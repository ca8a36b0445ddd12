#include "ui/pages/page_table_clipboard.h"

#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <algorithm>
#include <set>

#include "core/pages/tab_text.h"

namespace velta {
namespace {

CellEdit edit_at(const PageRowFilter& rows, int view_row, int column, std::string text)
{
    const QModelIndex source = rows.mapToSource(rows.index(view_row, column));
    return {source.row(), static_cast<PageColumn>(column), std::move(text)};
}

}  // namespace

QString copied_cells(const QAbstractItemView& view, const PageRowFilter& rows)
{
    const QModelIndexList chosen = view.selectionModel()->selectedIndexes();
    std::set<int> view_rows;
    std::set<int> columns;
    for (const QModelIndex& i : chosen) {
        view_rows.insert(i.row());
        columns.insert(i.column());
    }
    CellRows cells;
    for (const int r : view_rows) {
        std::vector<std::string> row;
        for (const int c : columns) {
            const QModelIndex i = rows.index(r, c);
            row.push_back(view.selectionModel()->isSelected(i)
                              ? i.data(Qt::EditRole).toString().toUtf8().toStdString()
                              : std::string());
        }
        cells.push_back(std::move(row));
    }
    return QString::fromStdString(tab_text(cells));
}

std::optional<std::vector<CellEdit>> pasted_cells(const QAbstractItemView& view,
                                                  const PageRowFilter& rows, const QString& text,
                                                  QString* why)
{
    const CellRows cells = parse_tab_text(text.toUtf8().toStdString());
    QModelIndexList chosen = view.selectionModel()->selectedIndexes();
    if (chosen.isEmpty() && view.currentIndex().isValid())
        chosen.push_back(view.currentIndex());
    if (cells.empty() || chosen.isEmpty())
        return std::vector<CellEdit>{};

    std::vector<CellEdit> edits;
    if (cells.size() == 1 && cells[0].size() == 1) {
        for (const QModelIndex& i : chosen)
            edits.push_back(edit_at(rows, i.row(), i.column(), cells[0][0]));
        return edits;
    }
    int top = rows.rowCount();
    int left = rows.columnCount();
    for (const QModelIndex& i : chosen) {
        top = std::min(top, i.row());
        left = std::min(left, i.column());
    }
    for (std::size_t r = 0; r < cells.size(); ++r) {
        const int view_row = top + static_cast<int>(r);
        if (view_row >= rows.rowCount()) {
            if (why)
                *why =
                    QStringLiteral("貼り付ける %1 行が一覧の終わりを越えます。").arg(cells.size());
            return std::nullopt;
        }
        for (std::size_t c = 0; c < cells[r].size(); ++c) {
            const int column = left + static_cast<int>(c);
            if (column >= rows.columnCount()) {
                if (why)
                    *why = QStringLiteral("貼り付ける %1 列が一覧の右端を越えます。")
                               .arg(cells[r].size());
                return std::nullopt;
            }
            edits.push_back(edit_at(rows, view_row, column, cells[r][c]));
        }
    }
    return edits;
}

}  // namespace velta
