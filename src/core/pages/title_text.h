#pragma once
// A page title as the text the page table shows and the spreadsheet file carries, and back:
// title_to_text and title_from_text (page_table.h) with the reason a text is refused.

#include <string>
#include <string_view>

#include "core/pages/page_table.h"

namespace velta {

struct TitleParse {
    bool ok = false;
    std::string bytes;  // code page 932, when ok
    std::string fault;  // why not (UTF-8), when not ok
};
TitleParse parse_title_text(std::string_view utf8, const TitleText& text);

}  // namespace velta
