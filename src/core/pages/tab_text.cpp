#include "core/pages/tab_text.h"

namespace velta {
namespace {

std::string quoted(const std::string& cell)
{
    if (cell.find_first_of("\t\r\n\"") == std::string::npos)
        return cell;
    std::string out = "\"";
    for (const char c : cell) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

}  // namespace

std::string tab_text(const CellRows& rows)
{
    std::string out;
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out.push_back('\t');
            out += quoted(row[i]);
        }
        out += "\r\n";
    }
    return out;
}

CellRows parse_tab_text(std::string_view text)
{
    CellRows rows;
    std::vector<std::string> row;
    std::string cell;
    bool in_quotes = false;
    bool at_cell_start = true;
    bool row_open = false;  // the row has something, be it only a tab
    auto end_cell = [&] {
        row.push_back(std::move(cell));
        cell.clear();
        at_cell_start = true;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (in_quotes) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell.push_back('"');
                ++i;
            } else if (c == '"') {
                in_quotes = false;
            } else {
                cell.push_back(c);
            }
            continue;
        }
        if (c == '\t') {
            end_cell();
            row_open = true;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            end_cell();
            rows.push_back(std::move(row));
            row.clear();
            row_open = false;
        } else if (c == '"' && at_cell_start) {
            in_quotes = true;
            at_cell_start = false;
            row_open = true;
        } else {
            cell.push_back(c);
            at_cell_start = false;
            row_open = true;
        }
    }
    if (row_open) {
        end_cell();
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace velta
