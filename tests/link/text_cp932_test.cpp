// Protects the page table's titles through the real code page 932 conversion: what it refuses
// (a character the code page lacks, which the encoder writes as a stand-in that reads back as
// U+FFFD), and the bytes it would not give back (a lead byte the decoder drops, the
// NEC-selected twin it writes in the IBM form), which the table writes in hexadecimal.
#include "link/text_cp932.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/pages/page_table.h"

namespace velta {
namespace {

TEST(TextCp932, TitleTextRefusesWhatTheCodePageLacksAndKeepsEveryByte)
{
    const TitleText& text = cp932_title_text();
    const struct {
        std::string utf8;
        std::optional<std::string> cp932;
    } to_cp932_cases[] = {
        {"亜ｱ?", std::string("\x88\x9F\xB1?")},
        {"纊", std::string("\xFA\x5C")},
        {"♥", std::nullopt},
        {"\xEF\xBF\xBD", std::nullopt},  // U+FFFD
        {"a\xFF", std::nullopt},         // no UTF-8
    };
    for (const auto& c : to_cp932_cases) EXPECT_EQ(text.to_cp932(c.utf8), c.cp932) << c.utf8;
    EXPECT_TRUE(cp932_has(U'亜'));
    EXPECT_FALSE(cp932_has(U'♥'));

    const struct {
        std::string bytes;
        std::string shown;
    } title_cases[] = {
        {"\x83\x65\x83\x58\x83\x67", "テスト"},
        {"\x88\x9F\x83", "亜{83}"},
        {"\xED\x40\xFA\x5C", "{ED40}纊"},
        {"\x80\xFC\xFC", "{80}{FCFC}"},
    };
    for (const auto& c : title_cases) {
        EXPECT_EQ(title_to_text(c.bytes, text), c.shown);
        EXPECT_EQ(title_from_text(c.shown, text), c.bytes) << c.shown;
    }
}

}  // namespace
}  // namespace velta
