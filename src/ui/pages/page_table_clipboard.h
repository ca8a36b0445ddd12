#pragma once
// Copying and pasting page table cells as a spreadsheet does: tab-separated text, rows in the
// order the table shows them.

#include <QString>
#include <optional>
#include <vector>

#include "ui/pages/page_table_model.h"

class QAbstractItemView;

namespace velta {

// The selected cells of the view as tab-separated text: the rows and columns that hold a
// selected cell, in view order; a cell between them that is not selected is left empty.
QString copied_cells(const QAbstractItemView& view, const PageRowFilter& rows);

// Where pasted text goes: from the top-left selected cell, row by row of the view. One value
// pasted into several selected cells goes into each of them. Nothing when the text reaches
// past the table's last row or column; the reason then goes into why.
std::optional<std::vector<CellEdit>> pasted_cells(const QAbstractItemView& view,
                                                  const PageRowFilter& rows, const QString& text,
                                                  QString* why);

}  // namespace velta
