#include "core/pages/page_replies.h"

#include "core/pages/title_encoding.h"
#include "core/wire/reply_fields.h"

namespace velta {
namespace {

bool colour_digits(std::string_view b, std::size_t at, PageArray<int>& field)
{
    return digits_at(b, at, k_page_slots) &&
           reply_per_page(b, at, [&](std::size_t i, char c) { field[i] = c - '0'; });
}

// Either of two letters per page: 0 for `zero`, else 1.
bool page_letters(std::string_view b, std::size_t at, char zero, PageArray<int>& field)
{
    return reply_per_page(b, at, [&](std::size_t i, char c) { field[i] = c == zero ? 0 : 1; });
}

const ReplyRow k_page_rows[] = {
    {"CA",
     [](std::string_view b, const ReplyTarget& t) { return decode_title_reply(b, t.config.pages); },
     3},
    {"CBC",
     [](std::string_view b, const ReplyTarget& t) {
         return colour_digits(b, 3, t.config.pages.page_border_color);
     }},
    {"CC",
     [](std::string_view b, const ReplyTarget& t) {
         return colour_digits(b, 2, t.config.pages.page_char_color);
     }},
    {"CWL",
     [](std::string_view b, const ReplyTarget& t) {
         return page_letters(b, 3, 'L', t.config.pages.page_char_level);
     }},
    {"FB",
     [](std::string_view b, const ReplyTarget& t) {
         return page_letters(b, 2, 'F', t.config.pages.page_background_fill);
     }},
    {"IDP",
     [](std::string_view b, const ReplyTarget& t) {
         return page_letters(b, 3, 'T', t.config.pages.page_title_position);
     }},
    {"PAST",
     [](std::string_view b, const ReplyTarget& t) {
         if (!digits_at(b, 4, 2 * k_page_slots))
             return false;
         for (std::size_t i = 0; i < k_page_slots; ++i)
             t.config.pages.page_auto_switch_time[i] = parse_dec2(b, 4 + 2 * i);
         return true;
     }},
    {"P",
     [](std::string_view b, const ReplyTarget& t) {
         if (b == "PAS") {
             t.extras.display_page = k_page_pas;
             return true;
         }
         return reply_page_number(b, 1, t.extras.display_page);
     }},
};

}  // namespace

void register_page_replies()
{
    register_replies(k_page_rows);
}

}  // namespace velta
