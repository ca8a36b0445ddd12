#include "core/pages/page_csv.h"

#include <array>
#include <vector>

#include "core/pages/page_lists.h"
#include "core/pages/utf8_chars.h"

namespace velta {
namespace {

constexpr std::string_view k_bom = "\xEF\xBB\xBF";
constexpr std::string_view k_wide_space = "\xE3\x80\x80";  // U+3000 in UTF-8

std::string line_text(int line)
{
    return std::to_string(line) + " 行目";
}

// A spreadsheet (or the operator) may drop the blanks around a field that is not quoted.
bool needs_quotes(std::string_view field)
{
    if (field.find_first_of(",\"\r\n") != std::string_view::npos)
        return true;
    auto blank_at = [](std::string_view rest) {
        return rest.starts_with(' ') || rest.starts_with('\t') || rest.starts_with(k_wide_space);
    };
    auto blank_end = [](std::string_view rest) {
        return rest.ends_with(' ') || rest.ends_with('\t') || rest.ends_with(k_wide_space);
    };
    return blank_at(field) || blank_end(field);
}

void append_field(std::string& out, std::string_view field)
{
    if (!needs_quotes(field)) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

struct Record {
    int line = 0;  // where it begins
    std::vector<std::string> fields;
};

struct Records {
    std::vector<Record> rows;  // blank ones left out
    std::string error;
};

bool all_empty(const Record& r)
{
    for (const std::string& f : r.fields)
        if (!f.empty())
            return false;
    return true;
}

// RFC 4180 fields; a record ends at LF or CR LF outside quotes. Lines are counted as they go,
// so that each record knows the line it begins on.
class RecordReader {
public:
    explicit RecordReader(std::string_view text) : text_(text) {}

    Records read()
    {
        Records out;
        while (i_ < text_.size()) {
            Record r;
            r.line = line_;
            do {
                std::string field;
                const bool quotes = i_ < text_.size() && text_[i_] == '"';
                if (!(quotes ? quoted(field, out.error) : plain(field)))
                    return out;
                r.fields.push_back(std::move(field));
            } while (next_field());
            if (!all_empty(r))
                out.rows.push_back(std::move(r));
        }
        return out;
    }

private:
    bool at_line_end() const
    {
        return text_[i_] == '\n' ||
               (text_[i_] == '\r' && i_ + 1 < text_.size() && text_[i_ + 1] == '\n');
    }
    bool at_field_end() const { return i_ >= text_.size() || text_[i_] == ',' || at_line_end(); }

    bool plain(std::string& field)
    {
        const std::size_t from = i_;
        while (!at_field_end()) ++i_;
        field.assign(text_.substr(from, i_ - from));
        return true;
    }

    bool quoted(std::string& field, std::string& error)
    {
        const int opened = line_;
        for (++i_;; ++i_) {
            if (i_ >= text_.size()) {
                error = line_text(opened) + ": 引用符 \" が閉じていません";
                return false;
            }
            if (text_[i_] == '"' && (i_ + 1 >= text_.size() || text_[i_ + 1] != '"'))
                break;
            if (text_[i_] == '"')
                ++i_;  // a doubled quote stands for one
            else if (text_[i_] == '\n')
                ++line_;
            field += text_[i_];
        }
        ++i_;
        if (at_field_end())
            return true;
        error = line_text(line_) + ": 閉じた引用符 \" の後に文字があります";
        return false;
    }

    // Steps over the comma or the line end after a field; true when another field follows.
    bool next_field()
    {
        if (i_ >= text_.size())
            return false;
        if (text_[i_] == ',') {
            ++i_;
            return true;
        }
        i_ += text_[i_] == '\r' ? 2 : 1;
        ++line_;
        return false;
    }

    std::string_view text_;
    std::size_t i_ = 0;
    int line_ = 1;
};

// The line of a byte of the file.
int line_at(std::string_view text, std::size_t at)
{
    int line = 1;
    for (std::size_t i = 0; i < at && i < text.size(); ++i)
        if (text[i] == '\n')
            ++line;
    return line;
}

std::size_t first_bad_utf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t n = utf8_char_length(text.substr(i));
        if (n == 0)
            return i;
        i += n;
    }
    return i;
}

PagesImport refused(std::string error)
{
    PagesImport r;
    r.error = std::move(error);
    return r;
}

// The columns of the header row, each once; column 0 of the list is the page label's place.
struct Header {
    int page_field = -1;
    std::vector<std::optional<PageColumn>> columns;  // by field; nothing for the page label
    std::string error;
};

Header read_header(const Record& r)
{
    Header h;
    std::array<bool, k_page_columns> named{};
    const std::string where = line_text(r.line) + ": ";
    for (std::size_t f = 0; f < r.fields.size(); ++f) {
        const std::string_view name = r.fields[f];
        if (name == k_page_label_column) {
            if (h.page_field >= 0) {
                h.error = where + "「" + std::string(name) + "」の列が二つあります";
                return h;
            }
            h.page_field = static_cast<int>(f);
            h.columns.emplace_back();
            continue;
        }
        const std::optional<PageColumn> column = page_column_of(name);
        if (!column) {
            h.error = where + (name.empty() ? std::string("見出しのない列があります")
                                            : "「" + std::string(name) + "」という列はありません");
            return h;
        }
        bool& seen = named[static_cast<std::size_t>(*column)];
        if (seen) {
            h.error = where + "「" + std::string(name) + "」の列が二つあります";
            return h;
        }
        seen = true;
        h.columns.push_back(column);
    }
    if (h.page_field < 0)
        h.error = where + "「" + std::string(k_page_label_column) + "」の列がありません";
    return h;
}

}  // namespace

std::string pages_to_csv(const DeviceConfig& config, const TitleText& text)
{
    std::string out(k_bom);
    out.reserve(k_page_slots * 160);
    out += k_page_label_column;
    for (int c = 0; c < k_page_columns; ++c) {
        out += ',';
        out += page_column_name(static_cast<PageColumn>(c));
    }
    out += "\r\n";
    for (int s = 0; s < k_page_slots; ++s) {
        out += slot_label(s, config.device.page_mode);
        for (int c = 0; c < k_page_columns; ++c) {
            out += ',';
            append_field(out, cell_text(config, s, static_cast<PageColumn>(c), text));
        }
        out += "\r\n";
    }
    return out;
}

PagesImport pages_from_csv(const DeviceConfig& config, std::string_view file, const TitleText& text)
{
    const bool bom = file.starts_with(k_bom);
    if (bom)
        file.remove_prefix(k_bom.size());
    std::string converted;
    if (const std::size_t bad = first_bad_utf8(file); bad < file.size()) {
        if (bom)
            return refused(line_text(line_at(file, bad)) +
                           ": UTF-8 として読めないバイトがあります");
        converted = text.to_utf8(file);  // a spreadsheet that saved in code page 932
        file = converted;
    }

    const Records records = RecordReader(file).read();
    if (!records.error.empty())
        return refused(records.error);
    if (records.rows.empty())
        return refused(line_text(1) + ": 見出しの行がありません");
    const Header header = read_header(records.rows.front());
    if (!header.error.empty())
        return refused(header.error);

    PagesImport result;
    DeviceConfig work = config;
    std::array<int, k_page_slots> named_at{};  // the line that named each slot
    const std::size_t width = header.columns.size();
    for (std::size_t row = 1; row < records.rows.size(); ++row) {
        const Record& r = records.rows[row];
        const std::string where = line_text(r.line);
        if (r.fields.size() != width)
            return refused(where + ": 値が " + std::to_string(r.fields.size()) +
                           " 個あります（見出しは " + std::to_string(width) + " 列）");
        const std::string& label = r.fields[static_cast<std::size_t>(header.page_field)];
        const std::string page_where = where + " " + std::string(k_page_label_column) + ": ";
        const std::optional<int> slot = slot_of_label(config, label);
        if (!slot)
            return refused(page_where + (label.find_first_not_of(" \t") == std::string::npos
                                             ? std::string("空欄です")
                                             : label + " はありません"));
        int& first = named_at[static_cast<std::size_t>(*slot)];
        if (first != 0)
            return refused(page_where + label + " は " + line_text(first) + "にもあります");
        first = r.line;
        for (std::size_t f = 0; f < width; ++f) {
            if (!header.columns[f])
                continue;
            const PageColumn column = *header.columns[f];
            const std::string& value = r.fields[f];
            if (value == cell_text(config, *slot, column, text))
                continue;  // as it is: no change, whatever the cell holds
            if (!set_cell(work, *slot, column, value, text))
                return refused(where + " " + std::string(page_column_name(column)) + ": " +
                               cell_fault(work, *slot, column, value, text).value_or(""));
            if (!same_cell(config, work, *slot, column))
                ++result.changed_cells;
        }
    }
    result.config = std::move(work);
    return result;
}

}  // namespace velta
