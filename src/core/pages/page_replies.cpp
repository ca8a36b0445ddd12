#include "core/pages/page_replies.h"

#include "core/model/settings_file.h"
#include "core/pages/title_encoding.h"
#include "core/wire/reply_fields.h"

namespace velta {
namespace {

constexpr std::size_t k_all_pages = static_cast<std::size_t>(k_page_slots);
constexpr std::string_view k_colour_digits = "012345678";
static_assert(k_colour_digits.size() == k_range_colour.high + 1u);

const ReplyRow k_page_rows[] = {
    {"CA",
     [](std::string_view b, const ReplyTarget& t) { return decode_title_reply(b, t.config.pages); },
     k_title_reply_length, 3},
    {"CBC",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_per_page(b, 3, k_colour_digits, t.config.pages.page_border_color);
     },
     3 + k_all_pages},
    {"CC",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_per_page(b, 2, k_colour_digits, t.config.pages.page_char_color);
     },
     2 + k_all_pages},
    {"CWL",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_per_page(b, 3, "LH", t.config.pages.page_char_level);
     },
     3 + k_all_pages},
    {"FB",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_per_page(b, 2, "FN", t.config.pages.page_background_fill);
     },
     2 + k_all_pages},
    {"IDP",
     [](std::string_view b, const ReplyTarget& t) {
         return reply_per_page(b, 3, "TB", t.config.pages.page_title_position);
     },
     3 + k_all_pages},
    {"PAST",
     [](std::string_view b, const ReplyTarget& t) {
         PageArray<int> times{};
         for (std::size_t i = 0; i < k_all_pages; ++i)
             if (!reply_number(b, 4 + 2 * i, 2, k_range_switch_time, times[i]))
                 return false;
         t.config.pages.page_auto_switch_time = times;
         return true;
     },
     4 + 2 * k_all_pages},
    {"P",
     [](std::string_view b, const ReplyTarget& t) {
         if (b == "PAS") {
             t.extras.display_page = k_page_pas;
             return true;
         }
         return b.size() == 4 && reply_page_number(b, 1, t.extras.display_page);
     }},
};

}  // namespace

void register_page_replies()
{
    register_replies(k_page_rows);
    set_settings_title_check(
        [](int slot, std::string_view title) { return !title_command(slot, title).empty(); });
}

}  // namespace velta
