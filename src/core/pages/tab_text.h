#pragma once
// Cells as a spreadsheet puts them on the clipboard: a tab between cells, a line end after each
// row; a cell holding a tab, a line end or a quote is quoted, its quotes doubled.

#include <string>
#include <string_view>
#include <vector>

namespace velta {

using CellRows = std::vector<std::vector<std::string>>;

std::string tab_text(const CellRows& rows);
// Either line end is taken; the line end after the last row is optional.
CellRows parse_tab_text(std::string_view text);

}  // namespace velta
