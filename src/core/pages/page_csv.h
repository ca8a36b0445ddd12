#pragma once
// The page table as a spreadsheet file (CSV): a header row "ページ,タイトル,表示位置,…" and one
// row a page slot, the cells as the page table writes them. A file read back may name any of
// the columns and any of the pages, in any order: it changes exactly the cells it names, and
// nothing at all when one of them cannot go in.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/model/settings_model.h"
#include "core/pages/page_table.h"

namespace velta {

// 256 rows of full titles take well under 100 KB; anything beyond this is no page file.
inline constexpr std::uintmax_t k_pages_csv_max_bytes = 1u << 20;

// UTF-8 with a byte order mark (so that a spreadsheet takes it for UTF-8), CR LF line ends,
// every slot in slot order labelled as the dialogs label it; a field is quoted only when it
// holds a comma, a quote or a line end, or begins or ends with a blank.
std::string pages_to_csv(const DeviceConfig& config, const TitleText& text);

struct PagesImport {
    std::optional<DeviceConfig> config;  // the configuration with the file's cells, when taken
    std::string error;      // "3 行目 ページ: 300 はありません", when refused
    int changed_cells = 0;  // cells whose value the file changed
};

// Reads a file as pages_to_csv writes it or as a spreadsheet saves it: with or without the byte
// order mark, LF or CR LF, in code page 932 when it is no UTF-8. Blank rows are left out. A cell
// that holds what the table shows already is no change and is taken as it is (a colour "？", a
// title longer than the device takes); any other cell must be one cell_fault lets in.
PagesImport pages_from_csv(const DeviceConfig& config, std::string_view file,
                           const TitleText& text);

}  // namespace velta
